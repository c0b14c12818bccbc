#include "cli/capture_command.h"

#include <cstdio>
#include <string>

#include "cli/exit_status.h"
#include "simulator/capture/capture_check.h"
#include "simulator/capture/sample_rate_check.h"

namespace kitbuilder::cli {
namespace {

using simulator::CaptureOutcome;
using simulator::ChipLine;
using simulator::LineName;

std::string Milliseconds(const McuClock& clock, simulator::Instant at) {
  char text[32];
  std::snprintf(text, sizeof text, "%10.3f ms", simulator::BoardMilliseconds(clock, at.cycles));
  return text;
}

std::string PulseText(const std::optional<uint64_t>& samples, uint64_t samplerate) {
  if (!samples) return "none";
  char text[48];
  std::snprintf(text, sizeof text, "%llu samples (%.3f us)",
                static_cast<unsigned long long>(*samples),
                static_cast<double>(*samples) * 1e6 / static_cast<double>(samplerate));
  return text;
}

void WriteHeading(const std::string& file, const CaptureOutcome& outcome,
                  const simulator::BusWiring& wiring, std::ostream& out) {
  const double seconds =
      static_cast<double>(outcome.samples) / static_cast<double>(outcome.samplerate);
  char duration[32];
  std::snprintf(duration, sizeof duration, "%.3f ms", seconds * 1e3);
  out << "Capture: " << file << ", " << outcome.channels.size() << " channels at "
      << simulator::RateText(static_cast<double>(outcome.samplerate)) << ", " << duration << " ("
      << outcome.samples << " samples)\n";
  out << "Lines:";
  for (size_t line = 0; line < simulator::kChipLineCount; ++line) {
    if (!outcome.mapping[line]) continue;
    out << " " << LineName(static_cast<ChipLine>(line)) << "="
        << outcome.channels[*outcome.mapping[line]];
  }
  out << "; the chip answers on " << LineName(wiring.answer) << ", WTR is " << LineName(wiring.wtr)
      << "\n";
  out << "SCK's shortest pulses: high " << PulseText(outcome.shortestSckHigh, outcome.samplerate)
      << ", low " << PulseText(outcome.shortestSckLow, outcome.samplerate) << "\n";
}

/// The transfers and WTR's edges in time order, then what was left out.
void WriteBus(const simulator::CapturedBus& bus, const McuClock& clock, std::ostream& out) {
  if (bus.beginsInsideTransfer) {
    out << "The capture begins inside a transfer: that transfer is left out.\n";
  }
  if (bus.transfers.empty()) {
    out << "The capture holds no whole transfer.\n";
  } else if (bus.startupPresent) {
    out << "The start-up is in the capture.\n";
  } else {
    out << "The start-up is not in the capture: it is judged from its first whole transfer, at"
        << Milliseconds(clock, bus.transfers.front().start) << ".\n";
  }
  out << "Bus (times from the capture's first sample):\n";
  size_t edge = 0;
  for (const simulator::Transfer& transfer : bus.transfers) {
    for (; edge < bus.wtrEdges.size() && bus.wtrEdges[edge].at.cycles <= transfer.start.cycles;
         ++edge) {
      out << Milliseconds(clock, bus.wtrEdges[edge].at) << "  WTR "
          << (bus.wtrEdges[edge].high ? "high" : "low") << "\n";
    }
    out << Milliseconds(clock, transfer.start) << "  " << Describe(transfer);
    if (transfer.polls > 1) out << " (" << transfer.polls << " polls)";
    out << "\n";
  }
  for (; edge < bus.wtrEdges.size(); ++edge) {
    out << Milliseconds(clock, bus.wtrEdges[edge].at) << "  WTR "
        << (bus.wtrEdges[edge].high ? "high" : "low") << "\n";
  }
  for (const simulator::Finding& finding : bus.findings) {
    out << Milliseconds(clock, finding.at) << "  " << finding.what << "\n";
  }
  if (bus.endsInsideTransferAfterBits) {
    out << "The capture ends inside a transfer, " << *bus.endsInsideTransferAfterBits
        << " bits into it: that transfer is left out.\n";
  }
}

}  // namespace

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
  const simulator::BusWiring wiring = simulator::BusWiringOf(*settings);
  const CaptureOutcome outcome =
      simulator::CheckCapture(*options.captureFile, options.channels, wiring, clock);
  if (outcome.status == CaptureOutcome::Status::kRefused) {
    err << "kitbuilder-cli: " << outcome.refusal << '\n';
    return kExitUsage;
  }
  WriteHeading(*options.captureFile, outcome, wiring, out);
  WriteBus(outcome.bus, clock, out);
  if (outcome.status == CaptureOutcome::Status::kDecoded) {
    out << "Wiring: no fault seen.\n";
    return kExitSuccess;
  }
  out << "Wiring faults:\n";
  for (const std::string& fault : outcome.wiringFaults) out << "  " << fault << "\n";
  return kExitBuildFailed;
}

}  // namespace kitbuilder::cli
