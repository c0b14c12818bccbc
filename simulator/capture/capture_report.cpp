#include "simulator/capture/capture_report.h"

#include "engine/quoted_text.h"
#include "simulator/capture/sample_rate_check.h"
#include "simulator/radio/radio_registers.h"
#include "simulator/verdict/account_text.h"

namespace kitbuilder::simulator {
namespace {

/// A delay as the wires show it, with what the settings ask of it.
struct MeasuredDelay {
  std::string what;
  uint64_t cycles;
  double askedMs;
};

std::vector<MeasuredDelay> MeasuredDelays(const CaptureReport& report) {
  const FirmwareSettings& settings = report.settings;
  std::vector<MeasuredDelay> delays;
  for (size_t i = 0; i < report.judgement.passes.size(); ++i) {
    const CapturedPass& pass = report.judgement.passes[i];
    const std::string name = "pass " + std::to_string(i + 1) + ": ";
    if (pass.timing.restCycles) {
      delays.push_back(
          {name + (settings.rest == Rest::kSleep ? "the rest between CMD_SLEEP and CMD_STBY"
                                                 : "the delay in standby before it"),
           *pass.timing.restCycles, static_cast<double>(settings.delayMs)});
    }
    if (pass.crystalCycles) {
      delays.push_back({name + "the wait for the crystal after CMD_STBY", *pass.crystalCycles, 1});
    }
    if (pass.timing.ackWaitCycles && !pass.timing.ackEndedWait) {
      delays.push_back({name + "the ACK wait, run to its length", *pass.timing.ackWaitCycles,
                        settings.wait100us / 10.0});
    }
  }
  return delays;
}

std::string PulseText(const std::optional<uint64_t>& samples, uint64_t samplerate) {
  if (!samples) return "none";
  return std::to_string(*samples) + " samples (" +
         Format("%.3f us", static_cast<double>(*samples) * 1e6 / static_cast<double>(samplerate)) +
         ")";
}

void WriteHeading(const CaptureReport& report, std::ostream& out) {
  const CaptureOutcome& capture = report.capture;
  const BusWiring wiring = BusWiringOf(report.settings);
  out << "The " << ModeName(report.settings.mode) << " board in the capture " << report.file << ": "
      << capture.channels.size() << " channels at "
      << RateText(static_cast<double>(capture.samplerate)) << ", "
      << Format("%.3f ms", static_cast<double>(capture.samples) * 1e3 /
                               static_cast<double>(capture.samplerate))
      << " (" << capture.samples << " samples); " << ClockText(report.clock) << " ("
      << Format("%g", CycleNanoseconds(report.clock) / 1000.0) << " us a cycle); "
      << report.judgement.passes.size() << " whole passes of the loop.\n";
  out << "Lines:";
  for (size_t line = 0; line < kChipLineCount; ++line) {
    if (!capture.mapping[line]) continue;
    out << " " << LineName(static_cast<ChipLine>(line)) << "="
        << capture.channels[*capture.mapping[line]];
  }
  out << "; the chip answers on " << LineName(wiring.answer) << ", WTR is " << LineName(wiring.wtr)
      << ".\nSCK's shortest pulses: high " << PulseText(capture.shortestSckHigh, capture.samplerate)
      << ", low " << PulseText(capture.shortestSckLow, capture.samplerate)
      << ".\nTimes are counted from the capture's first sample.\n";
}

/// The packet length and the FIFO's bytes the start-up set, as the bus carried them: a TX board
/// loads its packet once, before the loop.
void WriteStartupFifo(const CaptureReport& report, std::ostream& out) {
  for (const Transfer& transfer : report.capture.bus.transfers) {
    if (transfer.end.cycles > report.judgement.startup->endCycle) break;
    const bool fifo = transfer.target == kFifoReg || transfer.target == kFifo1Reg;
    if (transfer.kind == Transfer::Kind::kWrite && fifo) {
      out << "  " << Format("%10.3f ms", BoardMilliseconds(report.clock, transfer.start.cycles))
          << "  " << Describe(transfer) << "\n";
    }
  }
}

void WritePass(const CaptureReport& report, size_t index, std::ostream& out) {
  const CapturedPass& pass = report.judgement.passes[index];
  const McuClock& clock = report.clock;
  out << "Pass " << index + 1 << ", from " << Time(clock, pass.timing.startCycle) << ":\n";
  std::string strobes;
  for (const Transfer& transfer : pass.timing.transfers) {
    if (transfer.kind == Transfer::Kind::kStrobe) {
      strobes += (strobes.empty() ? "" : ", ") + StrobeName(transfer.target);
    }
  }
  out << "  the board strobed: " << (strobes.empty() ? "nothing" : strobes) << "\n";
  for (const Transfer& transfer : pass.timing.transfers) {
    out << "  " << Format("%10.3f ms", BoardMilliseconds(clock, transfer.start.cycles)) << "  "
        << Describe(transfer)
        << (transfer.polls > 1 ? " (" + std::to_string(transfer.polls) + " polls)" : "") << "\n";
  }
  for (const WtrEdge& edge : pass.wtr) {
    out << "  " << Format("%10.3f ms", BoardMilliseconds(clock, edge.at.cycles)) << "  WTR "
        << (edge.high ? "rose" : "fell") << "\n";
  }
  if (pass.timing.ackWaitCycles) {
    out << "  the wait for the ACK lasted " << Time(clock, *pass.timing.ackWaitCycles)
        << " and ended "
        << (pass.timing.ackEndedWait ? "with the ACK" : "without one: the board went to standby")
        << "\n";
  }
  if (pass.timing.restCycles) {
    out << "  rest: " << (report.settings.rest == Rest::kSleep ? "sleep" : "standby") << " for "
        << Time(clock, *pass.timing.restCycles) << "\n";
  }
}

std::vector<std::string> Problems(const CaptureReport& report) {
  std::vector<std::string> problems = report.capture.wiringFaults;
  problems.insert(problems.end(), report.judgement.problems.begin(),
                  report.judgement.problems.end());
  return problems;
}

uint64_t LastCycle(const CaptureReport& report) {
  const std::vector<Transfer>& transfers = report.capture.bus.transfers;
  return transfers.empty() ? 0 : transfers.back().end.cycles;
}

}  // namespace

bool BoardPasses(const CaptureReport& report) {
  return report.capture.status == CaptureOutcome::Status::kDecoded &&
         report.judgement.problems.empty() && !report.judgement.passes.empty();
}

void WriteCaptureTextReport(const CaptureReport& report, std::ostream& out) {
  WriteHeading(report, out);
  if (report.judgement.startup) {
    out << "\n";
    WriteStartupAccount(*report.judgement.startup, report.clock, out);
    WriteStartupFifo(report, out);
  }
  for (size_t pass = 0; pass < report.judgement.passes.size(); ++pass) {
    out << "\n";
    WritePass(report, pass, out);
  }
  const std::vector<MeasuredDelay> delays = MeasuredDelays(report);
  if (!delays.empty()) {
    out << "\nDelays, as measured on the wires"
        << (report.settings.delaysFor ? ":\n"
                                      : " (the stored loops, not computed for this clock: give "
                                        "--compiler sdcc with --mcu-clock to have them "
                                        "computed):\n");
  }
  for (const MeasuredDelay& delay : delays) {
    out << "  " << delay.what << ": "
        << Format("%.3f ms", BoardMilliseconds(report.clock, delay.cycles)) << "; the settings ask "
        << Format("%g ms", delay.askedMs) << "\n";
  }
  const CapturedBus& bus = report.capture.bus;
  if (!report.judgement.notInCapture.empty() || bus.beginsInsideTransfer ||
      bus.endsInsideTransferAfterBits) {
    out << "\nNot in the capture, so not judged:\n";
  }
  if (bus.beginsInsideTransfer) out << "  the transfer under way when it began\n";
  for (const std::string& missing : report.judgement.notInCapture) out << "  " << missing << "\n";
  if (bus.endsInsideTransferAfterBits) {
    out << "  the transfer under way when it ended, " << *bus.endsInsideTransferAfterBits
        << " bits into it\n";
  }
  out << "\n";
  if (BoardPasses(report)) {
    out << kBoardAsTheSettingsSayVerdict << "\n";
    return;
  }
  out << "The board does not do what its settings say:\n";
  for (const std::string& problem : Problems(report)) out << "  " << problem << "\n";
}

void WriteCaptureJsonReport(const CaptureReport& report, std::ostream& out) {
  const McuClock& clock = report.clock;
  const std::vector<std::string> problems = Problems(report);
  out << "{\n  \"ok\": " << (BoardPasses(report) ? "true" : "false") << ",\n  \"problems\": [";
  for (size_t i = 0; i < problems.size(); ++i) {
    out << (i == 0 ? "" : ", ") << QuotedText(problems[i]);
  }
  out << "],\n  \"mode\": " << QuotedText(ModeName(report.settings.mode))
      << ",\n  \"mcu\": {\"clock_mhz\": " << Format("%g", clock.megahertz)
      << ", \"clocks_per_cycle\": " << clock.clocksPerCycle
      << "},\n  \"cycles\": " << LastCycle(report)
      << ",\n  \"board_ms\": " << Number(BoardMilliseconds(clock, LastCycle(report)))
      << ",\n  \"capture\": {\"file\": " << QuotedText(report.file)
      << ", \"samplerate\": " << report.capture.samplerate
      << ", \"samples\": " << report.capture.samples << ", \"not_in_it\": [";
  for (size_t i = 0; i < report.judgement.notInCapture.size(); ++i) {
    out << (i == 0 ? "" : ", ") << QuotedText(report.judgement.notInCapture[i]);
  }
  out << "]},\n";
  WriteJsonStartup(report.judgement.startup.value_or(StartupReport{}), out);
  out << "  \"delays\": [";
  const std::vector<MeasuredDelay> delays = MeasuredDelays(report);
  for (size_t i = 0; i < delays.size(); ++i) {
    out << (i == 0 ? "" : ", ") << "{\"what\": " << QuotedText(delays[i].what)
        << ", \"ms\": " << Number(BoardMilliseconds(clock, delays[i].cycles))
        << ", \"asked_ms\": " << Format("%g", delays[i].askedMs)
        << ", \"cycles\": " << delays[i].cycles << "}";
  }
  out << "],\n  \"passes\": [";
  for (size_t p = 0; p < report.judgement.passes.size(); ++p) {
    const CapturedPass& pass = report.judgement.passes[p];
    out << (p == 0 ? "\n" : ",\n")
        << "    {\"at_ms\": " << Number(BoardMilliseconds(clock, pass.timing.startCycle))
        << ", \"events\": [";
    for (size_t e = 0; e < pass.wtr.size(); ++e) {
      out << (e == 0 ? "" : ", ")
          << "{\"at_ms\": " << Number(BoardMilliseconds(clock, pass.wtr[e].at.cycles))
          << ", \"cycle\": " << pass.wtr[e].at.cycles
          << ", \"kind\": " << (pass.wtr[e].high ? "\"wtr-rose\"" : "\"wtr-fell\"") << "}";
    }
    out << "]}";
  }
  out << "\n  ]\n}\n";
}

}  // namespace kitbuilder::simulator
