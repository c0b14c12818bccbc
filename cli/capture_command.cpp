#include "cli/capture_command.h"

#include <fstream>
#include <string>

#include "cli/check_outputs.h"
#include "cli/exit_status.h"
#include "simulator/capture/capture_check.h"
#include "simulator/capture/capture_judgement.h"
#include "simulator/capture/capture_report.h"

namespace kitbuilder::cli {

int RunCaptureCommand(const BuildRequest& request, const CheckOptions& options, std::ostream& out,
                      std::ostream& err) {
  std::string error;
  const std::optional<simulator::FirmwareSettings> settings =
      simulator::FirmwareSettingsFrom(request.settings, &error);
  if (!settings) {
    err << "kitbuilder-cli: " << error << '\n';
    return kExitUsage;
  }
  const McuClock clock = request.settings.mcuClock.value_or(McuClock{});
  const simulator::CaptureOutcome capture = simulator::CheckCapture(
      *options.captureFile, options.channels, simulator::BusWiringOf(*settings), clock);
  if (capture.status == simulator::CaptureOutcome::Status::kRefused) {
    err << "kitbuilder-cli: " << capture.refusal << '\n';
    return kExitUsage;
  }
  const simulator::CaptureJudgement judgement =
      simulator::JudgeCapture(*settings, clock, capture.bus);
  const simulator::CaptureReport report{*options.captureFile, *settings, clock, capture, judgement};
  simulator::WriteCaptureTextReport(report, out);
  std::ofstream noTrace;
  return FinishOutputs(
      options, noTrace,
      [&](std::ostream& json) { simulator::WriteCaptureJsonReport(report, json); },
      simulator::BoardPasses(report) ? kExitSuccess : kExitBuildFailed, err);
}

}  // namespace kitbuilder::cli
