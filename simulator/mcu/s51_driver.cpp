#include "simulator/mcu/s51_driver.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "simulator/mcu/port_instruction.h"
#include "simulator/mcu/run_result.h"
#include "simulator/mcu/s51_console.h"
#include "simulator/mcu/s51_log.h"
#include "simulator/mcu/s51_reply.h"

namespace kitbuilder::simulator {
namespace {

constexpr double kCommandSeconds = 10.0;
constexpr uint8_t kRet = 0x22;
/// The variable in s51 from whose clock count on the polls of the pins stop.
constexpr char kWakeVariable[] = "wake";
/// While s51 answers a read itself: the rising edges of SCK until the chip's byte ends, and the
/// levels the data line takes at all but the last of them, each in the data pin's bit once the
/// ones before it are shifted out.
constexpr char kEdgesVariable[] = "edges";
constexpr char kAnswerVariable[] = "answer";
/// Per port, the mask of the data line's pin while s51 answers (0 on the other ports).
constexpr char kMaskVariable[] = "mask";
/// outside_ of a port whose pins s51 may have changed by itself.
constexpr int kUnknownLevels = -1;
constexpr uint64_t kUnknownWake = UINT64_MAX;
/// Passes of a logged write between two looks at the cycle budget.
constexpr int kBudgetHits = 16;
/// The last machine cycle whose clock count s51's 32-bit variables hold without a sign.
constexpr uint64_t kLastWakeCycle = INT32_MAX / kS51ClocksPerCycle;

using Latches = std::array<std::optional<uint8_t>, 4>;

std::string Hex(uint32_t value, int digits = 4) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

}  // namespace

class S51Driver {
 public:
  S51Driver(const S51Tools& tools, const SdccBuild& build, size_t rfBufSize, Board& board,
            RadioModel& chip, const RunLimits& limits,
            const std::vector<uint32_t>& watchedFunctions, std::unique_ptr<S51Console> started)
      : tools_(tools),
        build_(build),
        rfBufSize_(rfBufSize),
        board_(board),
        chip_(chip),
        limits_(limits),
        watchedFunctions_(watchedFunctions),
        console_(std::move(started)) {}

  /// Starts s51 and lets the firmware run to its first stop; false when the run has ended.
  bool Start() {
    started_ = std::chrono::steady_clock::now();
    std::string error;
    if (!Prepare(&error)) {
      End(RunResult::End::kLostTrack, error);
      return false;
    }
    rfBuf_.assign(rfBufSize_, kUnwrittenRam);
    chip_.OnRecord([this](size_t) { run_.result.rfBufAtRecord.push_back(rfBuf_); });
    chip_.StopAtRecord(limits_.stopAtRecord);
    return Continue({"run"});
  }

  /// The earliest port write s51 logged that the board has not taken yet, or else the stop s51
  /// waits at.
  uint64_t StopCycle() const {
    return (logged_.empty() ? clocks_ : logged_.front().clocks) / kS51ClocksPerCycle;
  }

  /// Serves the earliest logged port write, or else the stop the firmware waits at and lets it
  /// run to the next; false when the run has ended.
  bool Step() {
    std::vector<std::string> commands;
    const bool logged = !logged_.empty();
    try {
      if (logged) {
        const LoggedWrite write = std::move(logged_.front());
        logged_.pop_front();
        ExposeDeferred();
        TakeRamWrites(write.ramBefore);
        if (!Follow(write.pc, write.clocks, write.latches, 0, &commands)) return false;
        if (!FollowForecast(write.pc)) return false;
      } else {
        TakeRamWrites(ramBeforeStop_);
        ramBeforeStop_.clear();
        if (!Follow(pending_.pc, clocks_, pending_.latches, pending_.dpl, &commands)) return false;
      }
    } catch (const SimulationStop&) {
      run_.result.end = RunResult::End::kStopped;
      CheckClock();
      return false;
    } catch (const FirmwareStuck& stuck) {
      End(RunResult::End::kStuck, stuck.why);
      return false;
    }
    // A run that has gone wrong would otherwise go on stopping until its cycle budget is
    // spent, which takes the simulator long; the first fault is what the report needs.
    if (chip_.findingCount() > 0) {
      End(RunResult::End::kFaultCaught, "");
      return false;
    }
    if (logged) return !EndsAtTheStop();
    ArmPolls(&commands);
    commands.push_back("run");
    return Continue(commands);
  }

  /// Ends the run at a failure of the check itself, at the transfer the chip model was in.
  void Abandon(const std::string& why) {
    End(RunResult::End::kCheckFailed,
        CouldNotJudge("transfer " + std::to_string(chip_.transcript().size() + 1), why));
  }

  S51Run Finish() {
    chip_.OnRecord(nullptr);
    run_.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    return std::move(run_);
  }

 private:
  void End(RunResult::End end, const std::string& detail) {
    run_.result.end = end;
    run_.result.detail = detail;
  }

  bool Prepare(std::string* error) {
    const auto& symbols = build_.map.symbols;
    const auto main = symbols.find("_main");
    const auto rfBuf = symbols.find("_RfBuf");
    if (main == symbols.end() || rfBuf == symbols.end()) {
      *error = "the link map of " + build_.workDir + " names no _main or no _RfBuf";
      return false;
    }
    mainEntry_ = main->second;
    rfBufAddress_ = rfBuf->second;
    // s51's `file` takes a path in double quotes and knows no escape for one within it; an
    // image whose path holds one goes to a fresh s51 on its command line instead.
    const bool byCommand = build_.Image().find_first_of("\"\n") == std::string::npos;
    if (!byCommand) console_.reset();
    if (!console_) {
      console_ = S51Console::Start(tools_.s51, tools_.consoleShim, tools_.clock,
                                   build_.Image() + ".s51-stderr",
                                   byCommand ? std::string() : build_.Image(), error);
    }
    if (!console_) return false;
    std::vector<std::string> setUp = {"set console interactive on", "set hardware port[0] 0xff",
                                      "set hardware port[1] 0xff", "set hardware port[2] 0xff",
                                      "set hardware port[3] 0xff"};
    if (byCommand) setUp.insert(setUp.begin() + 1, "file \"" + build_.Image() + "\"");
    const auto loaded = Command(setUp, error);
    if (!loaded) return false;
    // A good load says so only later, through s51's buffered output; a failed one at once.
    if (byCommand && (*loaded)[1].find("no loadable file") != std::string::npos) {
      *error = "s51 could not load " + build_.Image() + ": " + (*loaded)[1];
      return false;
    }
    const auto listing = Command({"dc 0x0000 " + Hex(CodeEnd() - 1)}, error);
    if (!listing) return false;
    const std::vector<Instruction> code = ParseDisassembly((*listing)[0]);
    std::set<uint32_t> breakpoints = {mainEntry_};
    // Every stop costs s51 a long report; a bit write that the next stop reveals needs none.
    const std::set<uint32_t> seenLater = WritesSeenAtTheNextStop(code);
    const Pin sck = board_.wiring()[static_cast<int>(ChipLine::kSck)];
    std::set<uint32_t> clockWrites;
    for (const Instruction& instruction : code) {
      const PortInstruction access = ClassifyPortInstruction(instruction.bytes);
      if (IsBitWrite(access.effect) && Pin{access.port, access.bit} == sck) {
        clockEdges_[instruction.address] = access.effect == PortInstruction::Effect::kSetsBit;
        clockWrites.insert(instruction.address);
      }
    }
    // s51 takes every write that sets SCK for a rising edge.
    answering_ = EachRiseFallsStraightAfter(code, clockEdges_);
    // The clock's edges keep their logs: s51's answering of a read follows them.
    std::set<uint32_t> deferred;
    for (const DeferredWrite& write : WritesDeferredToALaterWrite(code, seenLater, clockWrites)) {
      deferred_[write.revealer].push_back(write);
      deferred.insert(write.address);
      logging_.insert(write.address);  // taken as if s51 had logged it
    }
    std::set<uint32_t> polls;
    constexpr uint32_t kNoWrite = UINT32_MAX;
    uint32_t unseenWrite = kNoWrite;
    std::map<uint32_t, bool> writes;  // address -> reveals the write before it
    for (const Instruction& instruction : code) {
      // s51 can stop on every jump to itself, but that would stop the polls of a pin too; a
      // breakpoint on each plain one catches the firmware's error state, `while(1);`.
      if (IsJumpToItself(instruction)) {
        selfLoops_.insert(instruction.address);
        breakpoints.insert(instruction.address);
      }
      const PortInstruction access = ClassifyPortInstruction(instruction.bytes);
      if (access.effect == PortInstruction::Effect::kNone) continue;
      ports_[instruction.address] = {access, instruction.text};
      if (deferred.count(instruction.address) != 0) continue;
      if (seenLater.count(instruction.address) != 0) {
        unseenWrite = instruction.address;
        continue;
      }
      if (access.effect == PortInstruction::Effect::kReadsPins) polls.insert(instruction.address);
      if (IsFollowedWrite(access.effect)) {
        writes[instruction.address] =
            unseenWrite != kNoWrite || deferred_.count(instruction.address) != 0;
        if (unseenWrite != kNoWrite) revealed_[instruction.address] = unseenWrite;
      }
      unseenWrite = kNoWrite;
      breakpoints.insert(instruction.address);
    }
    if (ports_.empty()) {
      *error = "the disassembly of " + build_.Image() + " shows no instruction that touches a port";
      return false;
    }
    for (uint32_t function : watchedFunctions_) {
      watched_[function] = {function, false};
      breakpoints.insert(function);
      const uint32_t end = build_.map.EndOfFunction(function);
      for (const Instruction& instruction : code) {
        if (instruction.address > function && instruction.address < end &&
            instruction.bytes[0] == kRet) {
          watched_[instruction.address] = {function, true};
          breakpoints.insert(instruction.address);
        }
      }
    }
    for (const auto& stop : watched_) {
      polls.erase(stop.first);
      writes.erase(stop.first);
    }
    polls.erase(mainEntry_);
    writes.erase(mainEntry_);
    return SetBreakpoints(breakpoints, polls, writes, error);
  }

  /// The ports of the pins the chip may answer a read on.
  std::set<int> DataPorts() const {
    std::set<int> ports;
    for (ChipLine line : {ChipLine::kSdio, ChipLine::kGio1, ChipLine::kGio2}) {
      ports.insert(board_.wiring()[static_cast<int>(line)].port);
    }
    return ports;
  }

  /// The port of the writes without a stop of their own that the write at `address` reveals,
  /// or -1.
  int RevealedPort(uint32_t address) const {
    const auto hidden = revealed_.find(address);
    if (hidden != revealed_.end()) return ports_.at(hidden->second).first.port;
    const auto deferred = deferred_.find(address);
    if (deferred != deferred_.end()) return ports_.at(deferred->second[0].address).first.port;
    return -1;
  }

  /// The writes the logged write at `address` stands for, in order: the one without a stop of
  /// its own that it reveals, if any, and itself.
  std::vector<uint32_t> WritesAt(uint32_t address) const {
    const auto hidden = revealed_.find(address);
    if (hidden == revealed_.end()) return {address};
    return {hidden->second, address};
  }

  /// What the logged write at `address` does to s51's variables. A rising edge of SCK while s51
  /// answers a read puts the byte's next bit on the data pin and keeps the polls from stopping,
  /// until the edge that ends the byte; a falling edge within the byte changes nothing. Every
  /// other write may change what the radio drives: the polls stop again and s51 answers no more.
  std::vector<std::string> WriteEffects(uint32_t address) const {
    const std::string wake = kWakeVariable;
    const std::string edges = kEdgesVariable;
    const std::vector<std::string> stop = {wake + "=0", edges + "=0"};
    // A deferred write may have run on the way here; none is a clock edge. Once s51 answers no
    // more and every poll stops, the edges after change nothing.
    if (deferred_.count(address) != 0) return stop;
    std::vector<std::string> effects;
    for (uint32_t write : WritesAt(address)) {
      const auto edge = clockEdges_.find(write);
      if (edge == clockEdges_.end()) {
        return stop;
      } else if (!edge->second) {
        effects.push_back(wake + "=" + wake + "*(" + edges + ">0)");
      } else {
        const std::string answer = kAnswerVariable;
        for (int port : DataPorts()) {
          const std::string pins = "pins" + std::to_string(port);
          const std::string mask = kMaskVariable + std::to_string(port);
          effects.push_back(pins + "=" + edges + ">1?" + pins + "&~" + mask + "|" + answer + "&" +
                            mask + ":" + pins);
        }
        effects.push_back(answer + "=" + answer + ">>1");
        effects.push_back(wake + "=" + wake + "*(" + edges + ">1)");
        // s51 compares its variables without a sign: the count must not go below 0.
        effects.push_back(edges + "=" + edges + "-(" + edges + ">0)");
      }
    }
    return effects;
  }

  /// Follows s51's answering through a logged write the board has taken: the chip must drive
  /// what s51 was told it would. False when it does not, which ends the run.
  bool FollowForecast(uint32_t pc) {
    if (deferred_.count(pc) != 0) forecast_.reset();
    std::optional<bool> expected;
    for (uint32_t write : WritesAt(pc)) {
      if (!forecast_) return true;
      const auto edge = clockEdges_.find(write);
      if (edge != clockEdges_.end() && !edge->second) continue;
      if (edge == clockEdges_.end() || forecast_->next == forecast_->levels.size()) {
        forecast_.reset();
        return true;
      }
      expected = forecast_->levels[forecast_->next++];
    }
    if (!forecast_ || !expected) return true;
    const Pin pin = forecast_->pin;
    if (((board_.PinLevels(pin.port) >> pin.bit) & 1) != (*expected ? 1 : 0)) {
      End(RunResult::End::kLostTrack,
          "at " + Hex(pc) + " s51 put " + std::to_string(*expected) + " on P" +
              std::to_string(pin.port) + "." + std::to_string(pin.bit) +
              " for the chip's answer, but the chip drives the other level");
      return false;
    }
    return true;
  }

  uint32_t CodeEnd() const {
    // Constant tables follow the code; disassembling them would only yield noise.
    const auto constants = build_.map.areas.find("CONST");
    if (constants != build_.map.areas.end() && constants->second > 0) return constants->second;
    return build_.memory ? static_cast<uint32_t>(build_.memory->codeBytes) : 0x2000;
  }

  /// The `polls` among the breakpoints stop only from the clock count in s51's variable
  /// kWakeVariable on, which ArmPolls moves. The port `writes` need no answer: s51 logs them and
  /// goes on, and the board takes them in time order before the next stop. So does every write
  /// to RfBuf, which the board copies at the start of each transfer.
  bool SetBreakpoints(const std::set<uint32_t>& breakpoints, const std::set<uint32_t>& polls,
                      const std::map<uint32_t, bool>& writes, std::string* error) {
    std::vector<std::string> commands = {std::string("var ") + kWakeVariable,
                                         std::string("var ") + kEdgesVariable,
                                         std::string("var ") + kAnswerVariable};
    for (int port : DataPorts()) {
      commands.push_back(std::string("var ") + kMaskVariable + std::to_string(port));
    }
    const size_t variables = commands.size();
    for (uint32_t address : breakpoints) {
      commands.push_back("break " + Hex(address) +
                         (polls.count(address) != 0
                              ? std::string(" 1 if sim_ticks>=") + kWakeVariable
                              : std::string()));
    }
    const auto replies = Command(commands, error);
    if (!replies) return false;
    std::vector<std::string> scripts;
    auto address = breakpoints.begin();
    for (size_t i = variables; i < replies->size(); ++i, ++address) {
      const std::string& reply = (*replies)[i];
      const auto number = ParseBreakpointNumber(reply);
      if (!number) {
        *error = "s51 refused a breakpoint: " + reply;
        return false;
      }
      // Each stop reports the port latches as the simulator has them, so that the board's idea
      // of the latches is checked at every stop; a logged write that reveals the write before it
      // reports them too.
      const auto write = writes.find(*address);
      scripts.push_back("commands " + std::to_string(*number) + " " +
                        (write == writes.end()
                             ? std::string(kS51LatchScript)
                             : S51PortWriteScript(RevealedPort(*address), WriteEffects(*address))));
      if (write == writes.end()) continue;
      logging_.insert(*address);
      // A firmware that only writes pins would never stop again: past the cycle budget, the
      // instruction after a logged write stops, and the first write past it, taken first, ends
      // the run. s51 parses the condition only at every kBudgetHits-th pass, which costs a few
      // more passes of the simulation and leaves the end as it is.
      if (limits_.cycles < kLastWakeCycle) {
        scripts.push_back("break rom r " + Hex(*address) + " " + std::to_string(kBudgetHits) +
                          " if sim_ticks>" + std::to_string(limits_.cycles * kS51ClocksPerCycle));
      }
    }
    for (uint32_t byte = rfBufAddress_; byte < rfBufAddress_ + rfBufSize_; ++byte) {
      // `commands` without a number goes to the breakpoint set last.
      scripts.push_back("break iram w " + Hex(byte, 2));
      scripts.push_back("commands " + S51RamWriteScript(byte));
    }
    return Command(scripts, error).has_value();
  }

  std::optional<std::vector<std::string>> Command(const std::vector<std::string>& commands,
                                                  std::string* error) {
    auto replies = console_->Exchange(commands, kCommandSeconds);
    if (!replies) *error = "s51 did not answer: " + console_->ErrorOutput();
    return replies;
  }

  void TakeRamWrites(const std::vector<std::pair<uint8_t, uint8_t>>& writes) {
    for (const auto& [address, value] : writes) {
      if (address >= rfBufAddress_ && address < rfBufAddress_ + rfBufSize_) {
        rfBuf_[address - rfBufAddress_] = value;
      }
    }
  }

  /// Sends `commands`, the last of which lets the firmware run, and waits for the stop it
  /// comes to, the writes s51 logged on the way queued before it; false when the run has ended.
  bool Continue(const std::vector<std::string>& commands) {
    if (!console_->Send(commands)) {
      End(RunResult::End::kLostTrack, "s51 has gone");
      return false;
    }
    // s51's console holds its replies back until it waits for more commands, so the ones before
    // `run` come with the run's own: all share its allowance.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(limits_.cpuSeconds);
    const auto left = [&] {
      return std::max(0.0, std::chrono::duration<double>(deadline - Clock::now()).count());
    };
    for (size_t i = 0; i + 1 < commands.size(); ++i) {
      if (console_->AwaitReply(left())) continue;
      if (left() > 0) {
        End(RunResult::End::kLostTrack, "s51 did not answer " + commands[i]);
      } else {
        Interrupt(commands.size() - i);
      }
      return false;
    }
    const auto reply = console_->AwaitReply(left());
    if (!reply) {
      Interrupt(1);
      return false;
    }
    ++run_.stops;
    const S51Log log = ReadS51Log(*reply);
    if (!log.error.empty()) {
      End(RunResult::End::kLostTrack, log.error);
      return false;
    }
    const auto stop = ParseStop(log.stop);
    if (!stop) {
      End(RunResult::End::kLostTrack, "no stop in s51's reply: " + *reply);
      return false;
    }
    Queue(log.hits);
    clocks_ += stop->clocks;
    pending_ = *stop;
    pendingExposed_ = false;
    ExposeDeferred();
    if (selfLoops_.count(stop->pc) != 0) {
      stopEnd_ = {RunResult::End::kSpinning, "the firmware jumps to itself at " + Hex(stop->pc) +
                                                 " in " + build_.map.CodeSymbolAt(stop->pc)};
    } else if (stop->code != kS51StopBreakpoint) {
      stopEnd_ = {RunResult::End::kLostTrack,
                  "s51 stopped at " + Hex(stop->pc) + ": " + stop->reason};
    } else if (limits_.cancel != nullptr && limits_.cancel->load()) {
      stopEnd_ = {RunResult::End::kCancelled, ""};
    }
    return !EndsAtTheStop();
  }

  /// Queues the logged writes with their clock counts, which s51 gives in 32 bits: each is the
  /// first count after the one before that ends in those bits.
  void Queue(const std::vector<S51LoggedHit>& hits) {
    for (const S51LoggedHit& hit : hits) {
      clocks_ += static_cast<uint32_t>(hit.clocks - static_cast<uint32_t>(clocks_));
      if (hit.kind == S51LoggedHit::Kind::kRamWrite) {
        ramBeforeStop_.emplace_back(hit.address, hit.value);
        continue;
      }
      ++run_.logged;
      wakeClocks_ = kUnknownWake;  // the write's script may have set s51's variable
      LoggedWrite write{hit.pc, clocks_, {}, std::move(ramBeforeStop_)};
      ramBeforeStop_.clear();
      // A write that reveals others reports the latch of their port.
      const int port = RevealedPort(hit.pc);
      if (hit.latches && port >= 0) write.latches[port] = static_cast<uint8_t>(*hit.latches);
      logged_.push_back(std::move(write));
    }
  }

  /// Puts the writes deferred to the next logged write or stop before it, each at the time it ran,
  /// as if s51 had logged them: the one on each pin whose level the reported latch shows. That
  /// level may be the pin's already, as when s51 logged every write.
  void ExposeDeferred() {
    const bool logged = !logged_.empty();
    const uint32_t pc = logged ? logged_.front().pc : pending_.pc;
    const auto deferred = deferred_.find(pc);
    if (deferred == deferred_.end() || (logged ? logged_.front().exposed : pendingExposed_)) {
      return;
    }
    const uint64_t clocks = logged ? logged_.front().clocks : clocks_;
    const Latches& latches = logged ? logged_.front().latches : pending_.latches;
    std::vector<LoggedWrite> writes;
    for (const DeferredWrite& write : deferred->second) {
      const PortInstruction& access = ports_.at(write.address).first;
      const bool level = access.effect == PortInstruction::Effect::kSetsBit;
      const auto& latch = latches[access.port];
      if (!latch || ((*latch >> access.bit) & 1) != (level ? 1 : 0)) continue;
      writes.push_back({write.address, clocks - write.cycles * kS51ClocksPerCycle, {}, {}, true});
    }
    if (logged) {
      logged_.front().exposed = true;
    } else {
      pendingExposed_ = true;
    }
    if (writes.empty()) return;
    std::sort(writes.begin(), writes.end(),
              [](const LoggedWrite& a, const LoggedWrite& b) { return a.clocks < b.clocks; });
    // The writes to RAM before the revealer came before these.
    if (logged) {
      writes.front().ramBefore = std::move(logged_.front().ramBefore);
      logged_.front().ramBefore.clear();
    } else {
      writes.front().ramBefore = std::move(ramBeforeStop_);
      ramBeforeStop_.clear();
    }
    logged_.insert(logged_.begin(), writes.begin(), writes.end());
  }

  /// Once every logged write is taken, a stop that ends the run ends it; as when every write
  /// stopped s51, the run ends right after the last write before such a stop.
  bool EndsAtTheStop() {
    if (!logged_.empty() || !stopEnd_) return false;
    End(stopEnd_->first, stopEnd_->second);
    return true;
  }

  /// Acts on the stop or logged write at `pc`, `clocks` into the run; false when the run must
  /// end. A stop comes with the latches of every port, a logged write that reveals an unseen
  /// write with that one's port, any other logged write with none.
  bool Follow(uint32_t pc, uint64_t clocks, const Latches& latches, uint8_t dpl,
              std::vector<std::string>* commands) {
    const uint64_t cycle = clocks / kS51ClocksPerCycle;
    run_.cycles = cycle;
    const Instant now{cycle};
    const bool logged = logging_.count(pc) != 0;
    if ((!logged || RevealedPort(pc) >= 0) && !TakeUnseenWrite(pc, latches, !logged, now)) {
      return false;
    }
    if (cycle > limits_.cycles) {
      throw FirmwareStuck{"no end after " + std::to_string(limits_.cycles) + " cycles"};
    }
    if (pc == mainEntry_) {
      // The start-up code clears internal RAM; the checks want to see what the firmware writes.
      commands->push_back("fill iram " + Hex(rfBufAddress_, 2) + " " +
                          Hex(rfBufAddress_ + static_cast<uint32_t>(rfBufSize_) - 1, 2) + " " +
                          Hex(kUnwrittenRam, 2));
      rfBuf_.assign(rfBufSize_, kUnwrittenRam);
    }
    const auto watched = watched_.find(pc);
    if (watched != watched_.end()) {
      run_.hits.push_back({watched->second.first, watched->second.second, cycle, dpl});
    }
    const auto port = ports_.find(pc);
    if (port == ports_.end()) return true;
    return Access(pc, port->second, now, commands);
  }

  /// The latches s51 reports at a stop differ from the board's by the one bit write before it
  /// that had no stop of its own, if any; the board takes it one cycle before the stop, which
  /// may be a few cycles late and always keeps it between the two stops. More than one bit
  /// means the run has lost track. Unless `allPorts`, a port without a latch has none to show.
  bool TakeUnseenWrite(uint32_t pc, const Latches& latches, bool allPorts, Instant now) {
    std::optional<Pin> changed;
    for (int port = 0; port < 4; ++port) {
      if (!latches[port] && !allPorts) continue;
      if (!latches[port]) {
        End(RunResult::End::kLostTrack,
            "no latch of P" + std::to_string(port) + " at " + Hex(pc) + " in s51's reply");
        return false;
      }
      const uint8_t difference = *latches[port] ^ board_.PortLatch(port);
      for (int bit = 0; bit < 8; ++bit) {
        if (((difference >> bit) & 1) == 0) continue;
        if (changed) {
          End(RunResult::End::kLostTrack,
              "at " + Hex(pc) + " port P" + std::to_string(port) + " latches " +
                  Hex(*latches[port], 2) + " in s51 but " + Hex(board_.PortLatch(port), 2) +
                  " on the board, more than the one write without a stop");
          return false;
        }
        changed = Pin{port, bit};
      }
    }
    // The write ran at least one instruction before the stop, and after the previous stop's.
    if (changed) board_.WriteLatchAt(*changed, !board_.Latch(*changed), {now.cycles - 1});
    return true;
  }

  bool Access(uint32_t pc, const std::pair<PortInstruction, std::string>& instruction, Instant now,
              std::vector<std::string>* commands) {
    const PortInstruction& access = instruction.first;
    switch (access.effect) {
      case PortInstruction::Effect::kReadsPins: {
        const uint8_t levels = board_.OutsideLevels(access.port, now);
        if (levels != outside_[access.port]) {
          outside_[access.port] = levels;
          commands->push_back("set hardware port[" + std::to_string(access.port) + "] " +
                              Hex(levels, 2));
        }
        return true;
      }
      case PortInstruction::Effect::kSetsBit:
      case PortInstruction::Effect::kClearsBit:
        board_.WriteLatchAt({access.port, access.bit},
                            access.effect == PortInstruction::Effect::kSetsBit, now);
        return true;
      case PortInstruction::Effect::kWritesByte:
        for (int bit = 0; bit < 8; ++bit) {
          board_.WriteLatchAt({access.port, bit}, ((access.value >> bit) & 1) != 0, now);
        }
        return true;
      case PortInstruction::Effect::kUnfollowed:
        End(RunResult::End::kLostTrack,
            "the instruction at " + Hex(pc) + " (" + instruction.second + ") writes port P" +
                std::to_string(access.port) + " in a way this run does not follow");
        return false;
      case PortInstruction::Effect::kNone:
        return true;
    }
    return true;
  }

  /// Lets the reads of the pins run on without a stop while no pin's level can change: s51 is
  /// given the levels they keep, and the first read at or after the time they may change stops
  /// as before. A poll of a pin thus costs no stop until its answer may differ.
  void ArmPolls(std::vector<std::string>* commands) {
    const uint64_t cycle = clocks_ / kS51ClocksPerCycle;
    // While the chip answers a read, the data line follows the clock; s51 can follow it too.
    const auto forecast = answering_ ? board_.ForecastData() : std::nullopt;
    // The cycle budget is checked at a stop; s51's variables hold 32 bits.
    const uint64_t until =
        std::min(forecast ? forecast->steadyUntil : board_.SteadyUntil(), limits_.cycles);
    const uint64_t wake = until > cycle && until < kLastWakeCycle ? until * kS51ClocksPerCycle : 0;
    if (wake != 0) {
      for (int port = 0; port < 4; ++port) {
        const uint8_t levels = board_.PinLevels(port);
        if (levels == outside_[port]) continue;
        outside_[port] = levels;
        commands->push_back("set hardware port[" + std::to_string(port) + "] " + Hex(levels, 2));
      }
    }
    if (wake != 0 && forecast) {
      Answer(*forecast, commands);
    } else if (forecast_) {
      commands->push_back(std::string("expression ") + kEdgesVariable + "=0");
      forecast_.reset();
    }
    if (wake == wakeClocks_) return;
    wakeClocks_ = wake;
    commands->push_back(std::string("expression ") + kWakeVariable + "=" + std::to_string(wake));
  }

  /// Lets s51 answer the rest of the chip's byte itself: each rising edge of SCK puts the next
  /// level on the data pin.
  void Answer(const Board::DataForecast& forecast, std::vector<std::string>* commands) {
    uint32_t answer = 0;
    for (size_t i = 0; i < forecast.levels.size(); ++i) {
      if (forecast.levels[i]) answer |= 1u << (forecast.pin.bit + i);
    }
    std::string assignment = std::string("expression (") + kEdgesVariable + "=" +
                             std::to_string(forecast.levels.size() + 1) + "),(" + kAnswerVariable +
                             "=" + std::to_string(answer) + ")";
    for (int port : DataPorts()) {
      const uint32_t mask = port == forecast.pin.port ? 1u << forecast.pin.bit : 0;
      assignment += ",(" + std::string(kMaskVariable) + std::to_string(port) + "=" +
                    std::to_string(mask) + ")";
    }
    commands->push_back(assignment);
    forecast_ = Forecast{forecast.pin, forecast.levels, 0};
    outside_[forecast.pin.port] = kUnknownLevels;
  }

  /// The time of the run adds up the clocks of each `run`; s51's own total must agree.
  void CheckClock() {
    std::string error;
    const auto state = Command({"state"}, &error);
    if (!state) return End(RunResult::End::kLostTrack, error);
    if (ParseTotalClocks((*state)[0]) != clocks_) {
      End(RunResult::End::kLostTrack,
          "the run counted " + std::to_string(clocks_) + " clocks, s51 says: " + (*state)[0]);
    }
  }

  /// The simulation ran for the whole allowance without a stop: it reached no port
  /// instruction, or it only wrote pins, which s51 logs without stopping.
  void Interrupt(size_t outstanding) {
    std::string where;
    bool wrote = false;
    if (console_->Send({"stop"})) {
      // The `outstanding` replies, the last that of `run`, and then that of `stop`.
      std::optional<std::string> reply;
      for (size_t i = 0; i < outstanding; ++i) reply = console_->AwaitReply(kCommandSeconds);
      if (reply) {
        const S51Log log = ReadS51Log(*reply);
        for (const S51LoggedHit& hit : log.hits) {
          wrote = wrote || hit.kind == S51LoggedHit::Kind::kPortWrite;
        }
        if (const auto stop = ParseStop(log.stop)) {
          where =
              " (stopped at " + Hex(stop->pc) + " in " + build_.map.CodeSymbolAt(stop->pc) + ")";
        }
      }
    }
    const std::string allowance = std::to_string(limits_.cpuSeconds) + " s of simulation";
    if (wrote) {
      End(RunResult::End::kStuck, "pins written but none read for " + allowance + where);
    } else {
      End(RunResult::End::kSpinning, "no port access for " + allowance + where);
    }
  }

  const S51Tools& tools_;
  const SdccBuild& build_;
  size_t rfBufSize_;
  Board& board_;
  RadioModel& chip_;
  const RunLimits& limits_;
  const std::vector<uint32_t> watchedFunctions_;

  /// A port write s51 logged and went on from, and the writes to RAM before it.
  struct LoggedWrite {
    uint32_t pc;
    uint64_t clocks;
    Latches latches;
    std::vector<std::pair<uint8_t, uint8_t>> ramBefore;  // address, value
    bool exposed = false;  // the writes deferred to it are in the queue before it
  };

  std::unique_ptr<S51Console> console_;
  uint64_t clocks_ = 0;  // s51's clock count at the stop it waits at, as its own total has it
  uint32_t mainEntry_ = 0;
  uint32_t rfBufAddress_ = 0;
  std::vector<uint8_t> rfBuf_;  // as the writes taken so far left it
  std::set<uint32_t> logging_;  // the port writes s51 logs and goes on from
  std::deque<LoggedWrite> logged_;
  std::vector<std::pair<uint8_t, uint8_t>> ramBeforeStop_;
  std::optional<std::pair<RunResult::End, std::string>> stopEnd_;  // what the stop ends with
  std::map<uint32_t, std::pair<PortInstruction, std::string>> ports_;
  std::set<uint32_t> selfLoops_;
  std::map<uint32_t, std::pair<uint32_t, bool>> watched_;  // address -> function, leaving
  std::array<int, 4> outside_ = {0xFF, 0xFF, 0xFF, 0xFF};  // or kUnknownLevels
  uint64_t wakeClocks_ = 0;                // as s51's kWakeVariable has it; 0 lets every poll stop
  std::map<uint32_t, bool> clockEdges_;    // the bit writes of SCK -> rising
  bool answering_ = false;                 // s51 may answer a read itself
  std::map<uint32_t, uint32_t> revealed_;  // logged write -> the write it reveals
  std::map<uint32_t, std::vector<DeferredWrite>> deferred_;  // by the write that reveals them
  /// What s51 was told of the chip's answer, and how far the board has followed it.
  struct Forecast {
    Pin pin;
    std::vector<bool> levels;
    size_t next = 0;
  };
  std::optional<Forecast> forecast_;
  S51Run run_;
  S51Stop pending_;
  bool pendingExposed_ = false;
  std::chrono::steady_clock::time_point started_;
};

std::unique_ptr<S51Console> StartS51(const S51Tools& tools, const std::string& errorFile) {
  std::string ignored;  // a run that starts its own s51 meets the same failure and reports it
  return S51Console::Start(tools.s51, tools.consoleShim, tools.clock, errorFile, "", &ignored);
}

S51Stepper::S51Stepper(const S51Tools& tools, const SdccBuild& build, size_t rfBufSize,
                       Board& board, RadioModel& chip, const RunLimits& limits,
                       const std::vector<uint32_t>& watchedFunctions,
                       std::unique_ptr<S51Console> started)
    : driver_(std::make_unique<S51Driver>(tools, build, rfBufSize, board, chip, limits,
                                          watchedFunctions, std::move(started))) {}

S51Stepper::~S51Stepper() = default;

// Whatever fails in serving a stop ends the run, which the check then reports as far as it got.
bool S51Stepper::Start() {
  try {
    return driver_->Start();
  } catch (const std::exception& error) {
    driver_->Abandon(error.what());
  }
  return false;
}

uint64_t S51Stepper::StopCycle() const {
  return driver_->StopCycle();
}

bool S51Stepper::Step() {
  try {
    return driver_->Step();
  } catch (const std::exception& error) {
    driver_->Abandon(error.what());
  }
  return false;
}

S51Run S51Stepper::Finish() {
  return driver_->Finish();
}

S51Run RunOnS51(const S51Tools& tools, const SdccBuild& build, size_t rfBufSize, Board& board,
                RadioModel& chip, const RunLimits& limits,
                const std::vector<uint32_t>& watchedFunctions,
                std::unique_ptr<S51Console> started) {
  S51Stepper run(tools, build, rfBufSize, board, chip, limits, watchedFunctions,
                 std::move(started));
  if (run.Start()) {
    while (run.Step()) {
    }
  }
  return run.Finish();
}

}  // namespace kitbuilder::simulator
