#include "simulator/link_check.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <limits>
#include <memory>

#include "engine/delay_routines.h"
#include "simulator/firmware/check_tools.h"
#include "simulator/firmware/firmware_build.h"
#include "simulator/firmware/sdcc_build.h"
#include "simulator/mcu/run_result.h"
#include "simulator/mcu/s51_driver.h"
#include "simulator/radio/radio_registers.h"
#include "simulator/radio/shared_air.h"
#include "simulator/verdict/expected_behaviour.h"

namespace kitbuilder::simulator {
namespace {

namespace fs = std::filesystem;

constexpr size_t kRfBufSize = 64;
constexpr size_t kFindingsShown = 5;
constexpr double kNever = std::numeric_limits<double>::infinity();
// Two receivers have nothing to wait for: a tenth of a second shows that neither sends.
constexpr double kListenersAloneUs = 100000;
constexpr const char* kNames[2] = {"this board", "the peer"};
constexpr const char* kDirectories[2] = {"board", "peer"};

bool Sends(Mode mode) {
  return mode == Mode::kTx || mode == Mode::kTxAck;
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string ChannelText(int channel) {
  return std::to_string(channel) + " (" + Format("%.1f MHz", ChannelMhz(channel)) + ")";
}

std::string IdText(const std::array<uint8_t, 4>& id) {
  std::string text = "0x";
  for (uint8_t byte : id) text += HexBytes({byte});
  return text;
}

/// Two times in the fewest decimals that still tell them apart.
std::pair<std::string, std::string> Apart(double a, double b) {
  for (const char* format : {"%.1f ms", "%.2f ms"}) {
    if (Format(format, a) != Format(format, b)) return {Format(format, a), Format(format, b)};
  }
  return {Format("%.3f ms", a), Format("%.3f ms", b)};
}

/// Where the two settings cannot make one link, whatever the firmwares do.
std::vector<std::string> Mismatches(const FirmwareSettings& board, const FirmwareSettings& peer) {
  std::vector<std::string> problems;
  const bool boardSends = Sends(board.mode);
  const bool peerSends = Sends(peer.mode);
  if (boardSends && peerSends) problems.push_back("both boards transmit");
  if (!boardSends && !peerSends) problems.push_back("both boards receive");
  if (board.channel != peer.channel) {
    problems.push_back("different channels: this board " + ChannelText(board.channel) +
                       ", the peer " + ChannelText(peer.channel));
  }
  if (board.dataRateMbps != peer.dataRateMbps) {
    problems.push_back("different data rates: this board " + std::to_string(board.dataRateMbps) +
                       " Mbps, the peer " + std::to_string(peer.dataRateMbps) + " Mbps");
  }
  if (board.rfId != peer.rfId) {
    problems.push_back("different IDs: this board " + IdText(board.rfId) + ", the peer " +
                       IdText(peer.rfId));
  }
  if (boardSends == peerSends) return problems;
  const FirmwareSettings& sender = boardSends ? board : peer;
  const FirmwareSettings& receiver = boardSends ? peer : board;
  const std::string senderName = kNames[boardSends ? 0 : 1];
  const std::string receiverName = kNames[boardSends ? 1 : 0];
  if (sender.length != receiver.length) {
    problems.push_back(receiverName + " receives " + std::to_string(receiver.length) + " bytes, " +
                       senderName + " sends " + std::to_string(sender.length));
  }
  const bool waits = sender.mode == Mode::kTxAck;
  const bool answers = receiver.mode == Mode::kRxAck;
  if (waits && !answers) {
    problems.push_back(senderName + " waits for ACKs, " + receiverName + " sends none");
  } else if (!waits && answers) {
    problems.push_back(receiverName + " sends ACKs, " + senderName + " does not wait for them");
  } else if (waits && sender.ackLength != receiver.ackLength) {
    problems.push_back(senderName + " receives ACKs of " + std::to_string(sender.ackLength) +
                       " bytes, " + receiverName + " sends " + std::to_string(receiver.ackLength));
  }
  return problems;
}

/// Generous room for the start-up and every pass of one board, in microseconds on its clock.
double RunAllowanceUs(const FirmwareSettings& settings, int passes, const McuClock& clock) {
  const double perPass = (settings.delayMs + 2.0) * kSdccCyclesPerMillisecond +
                         static_cast<double>(settings.wait100us) * kSdccCyclesPerWaitUnit + 50000.0;
  return (500000.0 + 2.0 * (passes + 1) * perPass) * CycleNanoseconds(clock) / 1000.0;
}

/// One board of the link: its firmware built, its radio on the shared air, its run.
struct Side {
  FirmwareSettings firmware;
  McuClock clock;
  double cycleUs = 1;
  SdccBuild build;
  std::unique_ptr<S51Console> s51;  ///< started before the build, taken by the run
  std::unique_ptr<RadioModel> radio;
  std::unique_ptr<Board> board;
  std::unique_ptr<S51Stepper> run;
  bool live = false;

  double StopUs() const { return static_cast<double>(run->StopCycle()) * cycleUs; }
  double Us(const Instant& at) const { return static_cast<double>(at.cycles) * cycleUs; }
  uint64_t Cycles(double us) const { return static_cast<uint64_t>(us / cycleUs + 0.5); }

  /// How long Delay100us_WTR runs when no ACK ends it: as computed for the clock, or as SDCC
  /// makes the stored loop.
  double WaitUs() const {
    const double cycles =
        firmware.delaysFor
            ? static_cast<double>(WaitLoopFor(*firmware.delaysFor).Cycles(firmware.wait100us))
            : static_cast<double>(firmware.wait100us) * kSdccCyclesPerWaitUnit;
    return cycles * cycleUs;
  }

  /// The firmware's wait for an ACK, from the end of its first CMD_RX in [fromUs, toUs) to the
  /// transfer after it: a read of MODE_REG when an ACK ended it, the strobe to standby when it
  /// ran out.
  struct AckWaitSpan {
    double fromUs;
    double toUs;
    bool ranOut;
  };
  std::optional<AckWaitSpan> AckWait(double fromUs, double toUs) const {
    const auto& transcript = radio->transcript();
    for (size_t i = 0; i + 1 < transcript.size(); ++i) {
      const Transfer& listen = transcript[i];
      if (Us(listen.start) < fromUs || listen.kind != Transfer::Kind::kStrobe ||
          listen.target != kCmdRx) {
        continue;
      }
      if (Us(listen.start) >= toUs) return std::nullopt;
      const Transfer& next = transcript[i + 1];
      return AckWaitSpan{Us(listen.end), Us(next.start), next.kind == Transfer::Kind::kStrobe};
    }
    return std::nullopt;
  }

  /// Whether the firmware read its RX FIFO after `afterUs` and before it listened again.
  bool Took(double afterUs) const {
    for (const Transfer& transfer : radio->transcript()) {
      if (Us(transfer.start) < afterUs) continue;
      if (transfer.kind == Transfer::Kind::kStrobe && transfer.target == kCmdRx) return false;
      if (transfer.kind == Transfer::Kind::kRead && transfer.target == kFifoReg) return true;
    }
    return false;
  }
};

class Link {
 public:
  Link(const LinkRequest& request, LinkRun& link) : request_(request), link_(link) {}

  /// Builds both firmwares under `work`; false (and the link's status and message set) when
  /// one cannot be built.
  bool Build(const CheckTools& tools, const std::string& work, const TextStore& store) {
    const GenerationSettings* settings[2] = {&request_.board, &request_.peer};
    const std::optional<std::string>* files[2] = {&request_.boardFirmware, &request_.peerFirmware};
    const McuClock clocks[2] = {link_.boardClock, link_.peerClock};
    // The two s51 start up while the firmwares are generated and built.
    for (int s = 0; s < 2; ++s) {
      sides_[s].s51 = StartS51({tools.s51, tools.consoleShim, clocks[s]},
                               work + "/" + kDirectories[s] + ".s51-stderr");
    }
    for (int s = 0; s < 2; ++s) {
      const std::string sources = work + "/" + kDirectories[s] + "/firmware";
      std::error_code ignored;  // a directory that cannot be made fails the writes below
      fs::create_directories(sources, ignored);
      const std::string error = WriteFirmware(*settings[s], *files[s], store, sources);
      if (!error.empty()) {
        link_.message = std::string(kNames[s]) + ": " + error;
        return false;
      }
      sides_[s].build = BuildFirmware(tools, sources, work + "/" + kDirectories[s] + "/build",
                                      BuildCache(request_.buildCache));
      CheckRun& check = s == 0 ? link_.board : link_.peer;
      check.buildCached = sides_[s].build.cached;
      check.buildCacheProblem = sides_[s].build.cacheProblem;
      if (sides_[s].build.exitCode != 0) {
        link_.status = LinkRun::Status::kBuildFailed;
        link_.message = std::string("the firmware of ") + kNames[s] +
                        " does not build; SDCC said:\n" + sides_[s].build.output;
        return false;
      }
    }
    return true;
  }

  void Run(const CheckTools& tools, const FirmwareSettings& board, const FirmwareSettings& peer) {
    sides_[0].firmware = board;
    sides_[1].firmware = peer;
    sides_[0].clock = link_.boardClock;
    sides_[1].clock = link_.peerClock;
    SharedAir air(link_.boardClock, link_.peerClock);
    air_ = &air;
    LineObserver* observers[2] = {request_.boardLines, request_.peerLines};
    first_ = Sends(board.mode) ? 0 : Sends(peer.mode) ? 1 : -1;
    const double limitUs = first_ < 0
                               ? kListenersAloneUs
                               : std::max(RunAllowanceUs(board, request_.passes, link_.boardClock),
                                          RunAllowanceUs(peer, request_.passes, link_.peerClock));
    std::array<RunLimits, 2> limits;
    std::array<S51Tools, 2> s51;
    for (int s = 0; s < 2; ++s) {
      Side& side = sides_[s];
      side.cycleUs = CycleNanoseconds(side.clock) / 1000.0;
      side.radio = std::make_unique<RadioModel>(air.Side(s), side.clock);
      side.board = std::make_unique<Board>(*side.radio, side.firmware.pins);
      side.board->Observe(observers[s]);
      s51[s] = {tools.s51, tools.consoleShim, side.clock};
      // The lockstep ends the run at the time limit; a budget just past it lets s51 stop a
      // firmware that only writes pins, whose writes it would otherwise log without end.
      limits[s].cycles = static_cast<uint64_t>(limitUs / side.cycleUs) + 1;
      limits[s].cancel = request_.cancel;
      side.run =
          std::make_unique<S51Stepper>(s51[s], side.build, kRfBufSize, *side.board, *side.radio,
                                       limits[s], std::vector<uint32_t>(), std::move(side.s51));
    }
    Lockstep(air, limitUs);
    S51Run runs[2] = {sides_[0].run->Finish(), sides_[1].run->Finish()};
    Account(runs);
    air_ = nullptr;
    for (Side& side : sides_) {
      side.run.reset();
      side.board.reset();
      side.radio.reset();
    }
  }

 private:
  /// Always serves the board whose stop comes first on the common clock: by then every packet
  /// that could end before it has been put on the air by the other board.
  void Lockstep(SharedAir& air, double limitUs) {
    sides_[0].live = sides_[0].run->Start();
    sides_[1].live = sides_[1].run->Start();
    size_t seen = 0;
    int transmissions = 0;
    while (sides_[0].live || sides_[1].live) {
      if (first_ >= 0 && !sides_[first_].live) return;
      const int s =
          sides_[0].live && (!sides_[1].live || sides_[0].StopUs() <= sides_[1].StopUs()) ? 0 : 1;
      const double at = sides_[s].StopUs();
      if (at > limitUs) {
        timedOut_ = true;
        return;
      }
      link_.commonMs = at / 1000.0;
      const Side& other = sides_[1 - s];
      air.ActsFrom(1 - s, other.live ? other.StopUs() : kNever);
      sides_[s].live = sides_[s].run->Step();
      if (s != first_) continue;
      // The sender's strobe of the packet after the last pass ends the run: every answer the
      // passes could have had has come by then.
      const auto& transcript = sides_[s].radio->transcript();
      for (; seen < transcript.size(); ++seen) {
        const Transfer& transfer = transcript[seen];
        if (transfer.kind == Transfer::Kind::kStrobe && transfer.target == kCmdTx) ++transmissions;
      }
      if (transmissions > request_.passes) return;
    }
  }

  void Account(const S51Run* runs) {
    const auto& packets = air_->packets();
    std::vector<size_t> sends;
    for (size_t i = 0; i < packets.size(); ++i) {
      if (packets[i].from == first_) sends.push_back(i);
    }
    const size_t passes = std::min(sends.size(), static_cast<size_t>(request_.passes));
    link_.withAcks =
        sides_[0].firmware.mode == Mode::kTxAck || sides_[0].firmware.mode == Mode::kRxAck ||
        sides_[1].firmware.mode == Mode::kTxAck || sides_[1].firmware.mode == Mode::kRxAck;
    CheckRun* checks[2] = {&link_.board, &link_.peer};
    for (int s = 0; s < 2; ++s) {
      CheckRun& check = *checks[s];
      check.firmware = sides_[s].firmware;
      check.outcome.transcript = sides_[s].radio->transcript();
      check.outcome.cycles = runs[s].cycles;
      check.runSeconds = runs[s].seconds;
      check.s51Stops = runs[s].stops;
      check.s51Logged = runs[s].logged;
      SideProblems(s, runs[s].result, check.outcome.problems);
    }
    for (size_t k = 0; k < passes; ++k) {
      const double fromUs = packets[sends[k]].startUs;
      const double toUs = k + 1 < sends.size() ? packets[sends[k + 1]].startUs : kNever;
      link_.passes.push_back(Pass(packets[sends[k]], toUs));
      for (int s = 0; s < 2; ++s) checks[s]->outcome.passes.push_back(PassOf(s, fromUs, toUs));
    }
    for (const LinkPass& pass : link_.passes) {
      ++link_.sent;
      link_.delivered += pass.delivered ? 1 : 0;
      link_.acksSent += pass.answerMs && !pass.ackCut ? 1 : 0;
      link_.acksReceived += pass.ackReceived ? 1 : 0;
    }
    for (int s = 0; s < 2; ++s) {
      checks[s]->status = checks[s]->outcome.problems.empty() ? CheckRun::Status::kAsTheSettingsSay
                                                              : CheckRun::Status::kDeviates;
    }
    Problems();
  }

  void SideProblems(int s, const RunResult& result, std::vector<std::string>& problems) const {
    const std::string name = kNames[s];
    if (result.end != RunResult::End::kStopped) {
      std::string text = name + "'s run ended " + Describe(result.end);
      if (!result.detail.empty()) text += " (" + result.detail + ")";
      problems.push_back(text);
    }
    const auto& findings = sides_[s].radio->findings();
    for (size_t i = 0; i < findings.size() && i < kFindingsShown; ++i) {
      problems.push_back(name + "'s radio caught, " + Describe(findings[i]));
    }
  }

  LinkPass Pass(const SharedAir::Packet& packet, double beforeUs) const {
    const Side& sender = sides_[first_];
    const Side& receiver = sides_[1 - first_];
    LinkPass pass;
    pass.sender = first_;
    pass.sentMs = packet.endUs / 1000.0;
    pass.cut = packet.cut;
    pass.reachedRadio = packet.received;
    pass.delivered = packet.received && receiver.Took(packet.endUs);
    for (const SharedAir::Packet& answer : air_->packets()) {
      if (answer.from == first_ || answer.startUs < packet.endUs || answer.startUs >= beforeUs) {
        continue;
      }
      pass.answerMs = (answer.endUs - packet.endUs) / 1000.0;
      pass.ackCut = answer.cut;
      pass.ackReceived = answer.received && sender.Took(answer.endUs);
      break;
    }
    if (sender.firmware.mode == Mode::kTxAck) {
      if (const auto wait = sender.AckWait(packet.endUs, beforeUs)) {
        pass.waitRanOut = wait->ranOut;
        pass.waitsMs =
            ((wait->ranOut ? wait->toUs : wait->fromUs + sender.WaitUs()) - packet.endUs) / 1000.0;
      }
    }
    return pass;
  }

  /// What side `s` saw of the pass from `fromUs` to `toUs`, as a single check reports a pass.
  PassReport PassOf(int s, double fromUs, double toUs) const {
    const Side& side = sides_[s];
    PassReport report;
    report.startCycle = side.Cycles(fromUs);
    for (const SharedAir::Packet& packet : air_->packets()) {
      if (packet.startUs < fromUs || packet.startUs >= toUs) continue;
      // A cut packet never came whole to the other board: only its sender reports it.
      if (packet.cut && packet.from != s) continue;
      AirReport air;
      air.cycle = side.Cycles(packet.endUs);
      air.packet = packet.packet;
      const bool acks = side.firmware.mode == Mode::kTxAck;
      if (packet.from == s) {
        air.kind = packet.cut                           ? AirReport::Kind::kCut
                   : side.firmware.mode == Mode::kRxAck ? AirReport::Kind::kAckSent
                                                        : AirReport::Kind::kSent;
      } else if (packet.received) {
        air.kind = acks ? AirReport::Kind::kAckReceived : AirReport::Kind::kReceived;
        air.taken = side.Took(packet.endUs);
      } else {
        air.kind = acks ? AirReport::Kind::kNoAck : AirReport::Kind::kMissed;
      }
      report.air.push_back(air);
    }
    if (side.firmware.mode == Mode::kTxAck) {
      if (const auto wait = side.AckWait(fromUs, toUs)) {
        report.ackWaitCycles = side.Cycles(wait->toUs) - side.Cycles(wait->fromUs);
        report.ackEndedWait = !wait->ranOut;
      }
    }
    return report;
  }

  void Problems() {
    std::vector<std::string>& problems = link_.problems;
    problems = Mismatches(sides_[0].firmware, sides_[1].firmware);
    for (const CheckRun* check : {&link_.board, &link_.peer}) {
      problems.insert(problems.end(), check->outcome.problems.begin(),
                      check->outcome.problems.end());
    }
    if (first_ < 0) return;
    const std::string sender = kNames[first_];
    const std::string receiver = kNames[1 - first_];
    // What the air shows of a firmware's fault: a cut packet reaches no one.
    for (size_t k = 0; k < link_.passes.size(); ++k) {
      const LinkPass& pass = link_.passes[k];
      const std::string which = "pass " + std::to_string(k + 1) + ": ";
      if (pass.cut) {
        problems.push_back(which + "the packet was cut: " + sender +
                           " left TX before its last bit, so it reached no one");
      } else if (pass.ackCut) {
        problems.push_back(which + "the ACK was cut: " + receiver +
                           " left TX before its last bit, so it reached no one");
      }
    }
    if (!problems.empty()) return;
    if (link_.sent < request_.passes) {
      problems.push_back(sender + " sent " + std::to_string(link_.sent) + " of " +
                         std::to_string(request_.passes) + " packets" +
                         (timedOut_ ? " in the time the check gives the link" : ""));
    }
    bool lateAck = false;
    for (size_t k = 0; k < link_.passes.size(); ++k) {
      const LinkPass& pass = link_.passes[k];
      const std::string which = "pass " + std::to_string(k + 1) + ": ";
      if (!pass.delivered) {
        problems.push_back(
            which + receiver + " did not take the packet of " + sender +
            (pass.reachedRadio ? ": its firmware dropped it"
                               : ": it was not listening from the packet's first bit to its last"));
      } else if (link_.withAcks && !pass.answerMs) {
        problems.push_back(which + receiver + " sent no ACK");
      } else if (link_.withAcks && !pass.ackReceived) {
        if (pass.waitRanOut && *pass.answerMs > *pass.waitsMs) {
          if (lateAck) continue;
          lateAck = true;
          const auto [answer, wait] = Apart(*pass.answerMs, *pass.waitsMs);
          problems.push_back("the ACK is sent " + answer + " after the packet ends, but " + sender +
                             " waits at most " + wait + " (wait " +
                             std::to_string(sides_[first_].firmware.wait100us) + ")");
        } else {
          problems.push_back(which + sender + " did not take the ACK of " + receiver);
        }
      }
    }
  }

  const LinkRequest& request_;
  LinkRun& link_;
  std::array<Side, 2> sides_;
  const SharedAir* air_ = nullptr;
  int first_ = -1;  // the side that sends first, if any
  bool timedOut_ = false;
};

}  // namespace

LinkRun RunLinkCheck(const LinkRequest& request, const TextStore& store) {
  const auto started = std::chrono::steady_clock::now();
  LinkRun link;
  link.boardClock = request.board.mcuClock.value_or(McuClock{});
  link.peerClock = request.peer.mcuClock.value_or(McuClock{});
  std::string error;
  const auto board = FirmwareSettingsFrom(request.board, &error);
  if (!board) {
    link.message = "this board's settings: " + error;
    return link;
  }
  const auto peer = FirmwareSettingsFrom(request.peer, &error);
  if (!peer) {
    link.message = "the peer's settings: " + error;
    return link;
  }
  std::string missing;
  const auto tools = FindCheckTools(&missing);
  if (!tools) {
    link.status = LinkRun::Status::kToolsMissing;
    link.message = missing;
    return link;
  }
  TemporaryDirectory work;
  if (work.path().empty()) {
    link.message = TemporaryDirectory::Refusal();
    return link;
  }
  Link run(request, link);
  if (!run.Build(*tools, work.path(), store)) return link;
  // A fault of the check itself ends the link's report where the run got to, saying so, instead
  // of leaving the caller with nothing.
  try {
    run.Run(*tools, *board, *peer);
  } catch (const std::exception& error) {
    link.problems.push_back(CouldNotJudge("the link of the two boards", error.what()));
  }
  if (request.cancel != nullptr && request.cancel->load()) {
    link.status = LinkRun::Status::kCannotRun;
    link.message = "the check was called off";
    return link;
  }
  const bool works = link.problems.empty() && link.sent == request.passes &&
                     link.delivered == link.sent &&
                     (!link.withAcks || link.acksReceived == link.sent);
  link.status = works ? LinkRun::Status::kWorks : LinkRun::Status::kFails;
  link.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  link.board.seconds = link.seconds;
  link.peer.seconds = link.seconds;
  return link;
}

}  // namespace kitbuilder::simulator
