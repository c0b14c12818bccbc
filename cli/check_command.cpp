#include "cli/check_command.h"

#include <fstream>
#include <memory>

#include "cli/exit_status.h"
#include "simulator/check_report.h"
#include "simulator/vcd_trace.h"
#include "simulator/virtual_board.h"

namespace kitbuilder::cli {

int RunCheckCommand(const BuildRequest& request, const CheckOptions& options,
                    const TextStore& store, std::ostream& out, std::ostream& err) {
  using simulator::CheckRun;
  simulator::CheckRequest check;
  check.settings = request.settings;
  check.firmwareFile = options.firmwareFile;
  check.options.passes = options.passes;
  check.options.ownPayload = options.firmwareFile.has_value();
  check.options.clock = request.settings.mcuClock.value_or(McuClock{});
  std::ofstream traceFile;
  std::unique_ptr<simulator::VcdTrace> trace;
  if (options.traceFile) {
    traceFile.open(*options.traceFile, std::ios::binary);
    if (!traceFile) {
      err << "kitbuilder-cli: cannot write the trace " << *options.traceFile
          << "; name a file in a writable directory\n";
      return kExitUsage;
    }
    trace = std::make_unique<simulator::VcdTrace>(traceFile, check.options.clock);
    check.options.lines = trace.get();
  }
  const CheckRun run = simulator::RunCheck(check, store);
  switch (run.status) {
    case CheckRun::Status::kToolsMissing:
      err << "kitbuilder-cli: " << run.message << '\n';
      return kExitCheckCannotRun;
    case CheckRun::Status::kCannotRun:
      err << "kitbuilder-cli: " << run.message << '\n';
      return kExitUsage;
    case CheckRun::Status::kBuildFailed:
      err << "kitbuilder-cli: the firmware does not build; SDCC said:\n" << run.message;
      return kExitBuildFailed;
    case CheckRun::Status::kAsTheSettingsSay:
    case CheckRun::Status::kDeviates:
      break;
  }
  simulator::WriteTextReport(run, check.options.clock, out);
  if (options.reportFile) {
    std::ofstream report(*options.reportFile, std::ios::binary);
    simulator::WriteJsonReport(run, check.options.clock, report);
    if (!report) {
      err << "kitbuilder-cli: cannot write the report " << *options.reportFile << '\n';
      return kExitUsage;
    }
  }
  if (traceFile.is_open() && !traceFile.flush()) {
    err << "kitbuilder-cli: the trace " << *options.traceFile << " could not be written whole\n";
  }
  return run.status == CheckRun::Status::kAsTheSettingsSay ? kExitSuccess : kExitBuildFailed;
}

}  // namespace kitbuilder::cli
