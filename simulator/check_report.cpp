#include "simulator/check_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "engine/quoted_text.h"
#include "simulator/radio/radio_registers.h"
#include "simulator/verdict/account_text.h"

namespace kitbuilder::simulator {
namespace {

std::string Describe(const AirReport& air) {
  const AirPacket& packet = air.packet;
  std::string text = std::string(KindName(air.kind)) + ": " +
                     std::to_string(packet.payload.size()) + " bytes on " +
                     ChannelText(packet.air.channel) + ", " + DataRateText(packet.air.dataRate) +
                     ", ID " + IdText(packet.air.id) + ": " + HexBytes(packet.payload);
  const bool incoming = air.kind == AirReport::Kind::kReceived ||
                        air.kind == AirReport::Kind::kCrcError ||
                        air.kind == AirReport::Kind::kAckReceived;
  if (incoming) text += air.taken ? "; taken from the FIFO" : "; not taken (CRC flag set)";
  return text;
}

void WritePass(const CheckRun& check, size_t index, const McuClock& clock, std::ostream& out) {
  const PassReport& pass = check.outcome.passes[index];
  out << "Pass " << index + 1 << ", from " << Time(clock, pass.startCycle) << ":\n";
  std::string made;
  for (const Transfer& transfer : pass.transfers) {
    if (transfer.kind == Transfer::Kind::kStrobe)
      made += (made.empty() ? "" : ", ") + StrobeName(transfer.target);
  }
  out << "  the firmware strobed: " << (made.empty() ? "nothing" : made) << "\n";
  for (const AirReport& air : pass.air) {
    out << "  at " << Time(clock, air.cycle) << " " << Describe(air) << "\n";
  }
  if (pass.ackWaitCycles) {
    out << "  the wait for the ACK lasted " << Time(clock, *pass.ackWaitCycles) << " and ended "
        << (pass.ackEndedWait ? "with the ACK" : "without one: the firmware went to standby")
        << "\n";
  }
  if (pass.restCycles) {
    out << "  rest: " << (check.firmware.rest == Rest::kSleep ? "sleep" : "standby") << " for "
        << Time(clock, *pass.restCycles) << "\n";
  }
}

// A tiny JSON writer: the report has a fixed shape, so no library is needed for it; its texts
// are quoted as QuotedText quotes them.
std::string Bytes(const std::vector<uint8_t>& bytes) {
  std::string text;
  for (uint8_t byte : bytes) text += HexBytes({byte});
  return text;
}

void WriteJsonPasses(const CheckRun& check, const McuClock& clock, std::ostream& out) {
  out << "  \"passes\": [";
  for (size_t p = 0; p < check.outcome.passes.size(); ++p) {
    const PassReport& pass = check.outcome.passes[p];
    out << (p == 0 ? "\n" : ",\n")
        << "    {\"at_ms\": " << Number(BoardMilliseconds(clock, pass.startCycle))
        << ", \"events\": [";
    for (size_t e = 0; e < pass.air.size(); ++e) {
      const AirReport& air = pass.air[e];
      out << (e == 0 ? "" : ", ") << "{\"at_ms\": " << Number(BoardMilliseconds(clock, air.cycle))
          << ", \"cycle\": " << air.cycle << ", \"kind\": " << QuotedText(KindName(air.kind))
          << ", \"channel\": " << static_cast<int>(air.packet.air.channel)
          << ", \"bytes\": " << QuotedText(Bytes(air.packet.payload)) << "}";
    }
    out << "]}";
  }
  out << "\n  ]\n";
}

void WriteDelays(const CheckRun& check, const McuClock& clock, std::ostream& out) {
  if (check.delays.empty()) return;
  out << "\nDelays, from the call to the return";
  out << (check.firmware.delaysFor ? ":\n"
                                   : " (the stored loops, not computed for this clock: give "
                                     "--compiler sdcc with --mcu-clock to have them computed):\n");
  for (const DelayCall& call : check.delays) {
    out << "  " << call.Name()
        << (call.routine == DelayCall::Routine::kDelay100usWtr ? " without an ACK: " : ": ")
        << Format("%.3f ms", BoardMilliseconds(clock, call.cycles)) << " ("
        << std::to_string(call.cycles) << " cycles); the settings ask "
        << Format("%g ms", call.AskedMilliseconds()) << "\n";
  }
}

void WriteJsonDelays(const CheckRun& check, const McuClock& clock, std::ostream& out) {
  out << "  \"delays\": [";
  for (size_t i = 0; i < check.delays.size(); ++i) {
    const DelayCall& call = check.delays[i];
    out << (i == 0 ? "" : ", ") << "{\"call\": " << QuotedText(call.Name())
        << ", \"ms\": " << Number(BoardMilliseconds(clock, call.cycles))
        << ", \"asked_ms\": " << Format("%g", call.AskedMilliseconds())
        << ", \"cycles\": " << call.cycles << "}";
  }
  out << "],\n";
}

std::string LinkSettingsText(const FirmwareSettings& settings) {
  std::string text = std::string(ModeName(settings.mode)) + ", " + ChannelText(settings.channel) +
                     ", " + std::to_string(settings.dataRateMbps) + " Mbps, ID " +
                     IdText(settings.rfId) + ", " + std::to_string(settings.length) +
                     "-byte packets";
  if (settings.mode == Mode::kTxAck || settings.mode == Mode::kRxAck) {
    text += ", " + std::to_string(settings.ackLength) + "-byte ACKs";
  }
  if (settings.mode == Mode::kTxAck) text += ", wait " + std::to_string(settings.wait100us);
  return text;
}

/// One line of a link pass: when on the common clock, which board, what.
struct LinkLine {
  double ms;
  int side;
  bool sent;
  std::string text;
};

void WriteLinkPass(const LinkRun& link, size_t index, std::ostream& out) {
  const CheckRun* checks[2] = {&link.board, &link.peer};
  const McuClock* clocks[2] = {&link.boardClock, &link.peerClock};
  std::vector<LinkLine> lines;
  for (int side = 0; side < 2; ++side) {
    for (const AirReport& air : checks[side]->outcome.passes[index].air) {
      const bool sent = air.kind == AirReport::Kind::kSent ||
                        air.kind == AirReport::Kind::kAckSent || air.kind == AirReport::Kind::kCut;
      lines.push_back({BoardMilliseconds(*clocks[side], air.cycle), side, sent, Describe(air)});
    }
  }
  // A packet's sending comes before its reception, which ends on the same microsecond.
  std::stable_sort(lines.begin(), lines.end(), [](const LinkLine& a, const LinkLine& b) {
    if (std::fabs(a.ms - b.ms) > 1e-3) return a.ms < b.ms;
    return a.sent && !b.sent;
  });
  out << "Pass " << index + 1 << ":\n";
  for (const LinkLine& line : lines) {
    out << Format("  %10.3f ms  ", line.ms) << (line.side == 0 ? "board  " : "peer   ") << line.text
        << "\n";
  }
  const LinkPass& pass = link.passes[index];
  if (!pass.answerMs) return;
  out << "  the answer took " << Format("%.3f ms", *pass.answerMs)
      << " from the end of the packet to the end of the ACK";
  if (pass.waitsMs) {
    const std::string sender = pass.sender == 0 ? "this board" : "the peer";
    out << "; " << sender << (pass.waitRanOut ? " gave up waiting " : " would have waited until ")
        << Format("%.3f ms", *pass.waitsMs) << " after the packet: a margin of "
        << Format("%.3f ms", *pass.waitsMs - *pass.answerMs);
  }
  out << "\n";
}

std::string LinkCounts(const LinkRun& link) {
  std::string text =
      std::to_string(link.delivered) + " of " + std::to_string(link.sent) + " packets delivered";
  if (link.withAcks) {
    text += ", " + std::to_string(link.acksReceived) + " of " + std::to_string(link.sent) +
            " ACKs received";
  }
  return text;
}

/// `text`, every line but the first indented by two spaces, without its last line end.
std::string Nested(const std::string& text) {
  std::string nested;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && i + 1 == text.size()) break;
    nested += text[i];
    if (text[i] == '\n') nested += "  ";
  }
  return nested;
}

std::string OptionalNumber(const std::optional<double>& value) {
  return value ? Number(*value) : std::string("null");
}

/// Where the image came from, for the report's build line.
std::string BuildSource(const CheckRun& check) {
  return check.buildCached ? "taken from the cache" : "built by SDCC";
}

/// Why the cache could not keep a build, after the build line; empty when it could.
std::string CacheNote(const CheckRun& check) {
  return check.buildCacheProblem.empty() ? "" : "; " + check.buildCacheProblem;
}

}  // namespace

void WriteTextReport(const CheckRun& check, const McuClock& clock, std::ostream& out) {
  out << "The " << ModeName(check.firmware.mode)
      << " firmware on the virtual board: " << ClockText(clock) << " ("
      << Format("%g", CycleNanoseconds(clock) / 1000.0) << " us a cycle); "
      << check.outcome.passes.size() << " passes of the loop.\n";
  // A start-up the check never judged would read as not made.
  if (check.judged || check.outcome.startup.endCycle > 0) {
    out << "\n";
    WriteStartupAccount(check.outcome.startup, clock, out);
  }
  for (size_t pass = 0; pass < check.outcome.passes.size(); ++pass) {
    out << "\n";
    WritePass(check, pass, clock, out);
  }
  WriteDelays(check, clock, out);
  out << "\nBuild: " << BuildSource(check)
      << (check.buildCached ? " (built before from the same files with the same SDCC)" : "")
      << CacheNote(check) << ".\nRun: " << Time(clock, check.outcome.cycles) << " on the board in "
      << Format("%.2f s", check.seconds) << ".\n\n";
  if (check.outcome.problems.empty()) {
    out << kAsTheSettingsSayVerdict << "\n";
    return;
  }
  out << (check.judged ? "The firmware does not do what its settings say:\n"
                       : "The check could not judge this firmware:\n");
  for (const std::string& problem : check.outcome.problems) out << "  " << problem << "\n";
}

void WriteJsonReport(const CheckRun& check, const McuClock& clock, std::ostream& out) {
  out << "{\n  \"ok\": " << (check.outcome.problems.empty() ? "true" : "false")
      << ",\n  \"problems\": [";
  for (size_t i = 0; i < check.outcome.problems.size(); ++i) {
    out << (i == 0 ? "" : ", ") << QuotedText(check.outcome.problems[i]);
  }
  out << "],\n  \"mode\": " << QuotedText(ModeName(check.firmware.mode))
      << ",\n  \"mcu\": {\"clock_mhz\": " << Format("%g", clock.megahertz)
      << ", \"clocks_per_cycle\": " << clock.clocksPerCycle
      << "},\n  \"cycles\": " << check.outcome.cycles
      << ",\n  \"board_ms\": " << Number(BoardMilliseconds(clock, check.outcome.cycles))
      << ",\n  \"wall_seconds\": " << Number(check.seconds)
      << ",\n  \"build\": " << (check.buildCached ? "\"cached\"" : "\"built\"") << ",\n";
  WriteJsonStartup(check.outcome.startup, out);
  WriteJsonDelays(check, clock, out);
  WriteJsonPasses(check, clock, out);
  out << "}\n";
}

}  // namespace kitbuilder::simulator

namespace kitbuilder::simulator {

std::string LinkVerdict(const LinkRun& link) {
  if (link.status == LinkRun::Status::kWorks) return "The link works: " + LinkCounts(link) + ".";
  return "The link does not work (" + LinkCounts(link) + "):";
}

void WriteLinkTextReport(const LinkRun& link, std::ostream& out) {
  out << "The link check: two boards on one air and one clock, " << link.passes.size()
      << " passes.\n"
      << "  this board: " << LinkSettingsText(link.board.firmware) << "; "
      << ClockText(link.boardClock) << "\n"
      << "  the peer:   " << LinkSettingsText(link.peer.firmware) << "; "
      << ClockText(link.peerClock) << "\n"
      << "  the air time of a packet: a " << kPreambleBytes << "-byte preamble, " << kIdBytes
      << " ID bytes, the payload and " << kCrcBytes << " CRC bytes at the data rate\n";
  for (size_t pass = 0; pass < link.passes.size(); ++pass) {
    out << "\n";
    WriteLinkPass(link, pass, out);
  }
  out << "\nBuild: this board " << BuildSource(link.board) << ", the peer "
      << BuildSource(link.peer)
      << (link.board.buildCacheProblem.empty() ? CacheNote(link.peer) : CacheNote(link.board))
      << ".\nRun: " << Format("%.3f ms", link.commonMs) << " on the common clock in "
      << Format("%.2f s", link.seconds) << ".\n\n";
  out << LinkVerdict(link) << "\n";
  if (link.status == LinkRun::Status::kWorks) return;
  for (const std::string& problem : link.problems) out << "  " << problem << "\n";
}

void WriteLinkJsonReport(const LinkRun& link, std::ostream& out) {
  out << "{\n  \"ok\": " << (link.status == LinkRun::Status::kWorks ? "true" : "false")
      << ",\n  \"problems\": [";
  for (size_t i = 0; i < link.problems.size(); ++i) {
    out << (i == 0 ? "" : ", ") << QuotedText(link.problems[i]);
  }
  out << "],\n  \"link\": {\"sent\": " << link.sent << ", \"delivered\": " << link.delivered
      << ", \"acks_sent\": " << link.acksSent << ", \"acks_received\": " << link.acksReceived
      << ", \"common_ms\": " << Number(link.commonMs)
      << ", \"wall_seconds\": " << Number(link.seconds) << "},\n  \"passes\": [";
  for (size_t i = 0; i < link.passes.size(); ++i) {
    const LinkPass& pass = link.passes[i];
    out << (i == 0 ? "" : ", ") << "{\"sent_ms\": " << Number(pass.sentMs)
        << ", \"delivered\": " << (pass.delivered ? "true" : "false")
        << ", \"answer_ms\": " << OptionalNumber(pass.answerMs)
        << ", \"ack_received\": " << (pass.ackReceived ? "true" : "false")
        << ", \"wait_ms\": " << OptionalNumber(pass.waitsMs) << "}";
  }
  out << "]";
  const CheckRun* checks[2] = {&link.board, &link.peer};
  const McuClock* clocks[2] = {&link.boardClock, &link.peerClock};
  for (int side = 0; side < 2; ++side) {
    std::ostringstream single;
    WriteJsonReport(*checks[side], *clocks[side], single);
    out << ",\n  " << QuotedText(side == 0 ? "board" : "peer") << ": " << Nested(single.str());
  }
  out << "\n}\n";
}

}  // namespace kitbuilder::simulator
