#include "cli/check_command.h"

#include <fstream>
#include <memory>

#include "cli/check_outputs.h"
#include "cli/exit_status.h"
#include "simulator/check_report.h"
#include "simulator/firmware/build_cache.h"
#include "simulator/vcd_trace.h"
#include "simulator/virtual_board.h"

namespace kitbuilder::cli {
namespace {

CheckStart StartOf(simulator::CheckRun::Status status) {
  switch (status) {
    case simulator::CheckRun::Status::kToolsMissing:
      return CheckStart::kToolsMissing;
    case simulator::CheckRun::Status::kCannotRun:
      return CheckStart::kCannotRun;
    case simulator::CheckRun::Status::kBuildFailed:
      return CheckStart::kBuildFailed;
    case simulator::CheckRun::Status::kAsTheSettingsSay:
    case simulator::CheckRun::Status::kDeviates:
      break;
  }
  return CheckStart::kRan;
}

}  // namespace

int RunCheckCommand(const BuildRequest& request, const CheckOptions& options,
                    const TextStore& store, std::ostream& out, std::ostream& err) {
  using simulator::CheckRun;
  simulator::CheckRequest check;
  check.settings = request.settings;
  check.firmwareFile = options.firmwareFile;
  check.options.passes = options.passes;
  check.options.ownPayload = options.firmwareFile.has_value();
  check.options.clock = request.settings.mcuClock.value_or(McuClock{});
  check.buildCache = simulator::BuildCache::UserDirectory();
  std::ofstream traceFile;
  if (!OpenTrace(options, &traceFile, err)) return kExitUsage;
  std::unique_ptr<simulator::VcdTrace> trace;
  if (traceFile.is_open()) {
    trace = std::make_unique<simulator::VcdTrace>(traceFile, check.options.clock);
    check.options.lines = trace.get();
  }
  const CheckRun run = simulator::RunCheck(check, store);
  const std::string message = run.status == CheckRun::Status::kBuildFailed
                                  ? "the firmware does not build; SDCC said:\n" + run.message
                                  : run.message;
  if (const auto status = NotRunStatus(StartOf(run.status), message, err)) return *status;
  simulator::WriteTextReport(run, check.options.clock, out);
  return FinishOutputs(
      options, traceFile,
      [&](std::ostream& report) { simulator::WriteJsonReport(run, check.options.clock, report); },
      run.status == CheckRun::Status::kAsTheSettingsSay ? kExitSuccess : kExitBuildFailed, err);
}

}  // namespace kitbuilder::cli
