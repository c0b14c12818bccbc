#include "cli/link_command.h"

#include <fstream>
#include <memory>

#include "cli/check_outputs.h"
#include "cli/exit_status.h"
#include "simulator/check_report.h"
#include "simulator/firmware/build_cache.h"
#include "simulator/link_check.h"
#include "simulator/vcd_trace.h"

namespace kitbuilder::cli {
namespace {

CheckStart StartOf(simulator::LinkRun::Status status) {
  switch (status) {
    case simulator::LinkRun::Status::kToolsMissing:
      return CheckStart::kToolsMissing;
    case simulator::LinkRun::Status::kCannotRun:
      return CheckStart::kCannotRun;
    case simulator::LinkRun::Status::kBuildFailed:
      return CheckStart::kBuildFailed;
    case simulator::LinkRun::Status::kWorks:
    case simulator::LinkRun::Status::kFails:
      break;
  }
  return CheckStart::kRan;
}

}  // namespace

int RunLinkCommand(const BuildRequest& request, const GenerationSettings& peer,
                   const CheckOptions& options, const TextStore& store, std::ostream& out,
                   std::ostream& err) {
  using simulator::LinkRun;
  simulator::LinkRequest link;
  link.board = request.settings;
  link.peer = peer;
  link.boardFirmware = options.firmwareFile;
  link.peerFirmware = options.peerFirmwareFile;
  link.passes = options.passes;
  link.buildCache = simulator::BuildCache::UserDirectory();
  std::ofstream traceFile;
  if (!OpenTrace(options, &traceFile, err)) return kExitUsage;
  std::unique_ptr<simulator::VcdTrace> trace;
  if (traceFile.is_open()) {
    trace = std::make_unique<simulator::VcdTrace>(traceFile,
                                                  request.settings.mcuClock.value_or(McuClock{}),
                                                  peer.mcuClock.value_or(McuClock{}));
    link.boardLines = trace.get();
    link.peerLines = trace->peer();
  }
  const LinkRun run = simulator::RunLinkCheck(link, store);
  if (const auto status = NotRunStatus(StartOf(run.status), run.message, err)) return *status;
  simulator::WriteLinkTextReport(run, out);
  return FinishOutputs(
      options, traceFile,
      [&](std::ostream& report) { simulator::WriteLinkJsonReport(run, report); },
      run.status == LinkRun::Status::kWorks ? kExitSuccess : kExitBuildFailed, err);
}

}  // namespace kitbuilder::cli
