#include "simulator/vcd_trace.h"

#include <cmath>

namespace kitbuilder::simulator {
namespace {

constexpr const char* kScopes[2] = {"board", "peer"};
// VCD's short identifiers, one printable character a line, five a scope.
constexpr char kFirstCode = '!';

struct Timescale {
  const char* text;
  double nanoseconds;
};

/// The coarsest unit in which a machine cycle of every clock is a whole number: a logic
/// analyzer program takes the timescale for its sample rate, and 1 us where 1 ns would do
/// makes it 1000 times quicker.
Timescale TimescaleFor(std::initializer_list<McuClock> clocks) {
  for (const Timescale& unit :
       {Timescale{"1 us", 1000}, Timescale{"100 ns", 100}, Timescale{"10 ns", 10}}) {
    bool whole = true;
    for (const McuClock& clock : clocks) {
      const double units = CycleNanoseconds(clock) / unit.nanoseconds;
      whole = whole && units >= 1 && std::fabs(units - std::round(units)) < 1e-9;
    }
    if (whole) return unit;
  }
  return {"1 ns", 1};
}

char Code(int scope, int line) {
  return static_cast<char>(kFirstCode + scope * kChipLineCount + line);
}

}  // namespace

VcdTrace::VcdTrace(std::ostream& out, const McuClock& clock) : out_(out) {
  const Timescale unit = TimescaleFor({clock});
  board_.emplace(*this, 0, CycleNanoseconds(clock) / unit.nanoseconds);
  WriteHeader(unit.text, 1);
}

VcdTrace::VcdTrace(std::ostream& out, const McuClock& board, const McuClock& peer) : out_(out) {
  const Timescale unit = TimescaleFor({board, peer});
  board_.emplace(*this, 0, CycleNanoseconds(board) / unit.nanoseconds);
  peer_.emplace(*this, 1, CycleNanoseconds(peer) / unit.nanoseconds);
  WriteHeader(unit.text, 2);
}

void VcdTrace::WriteHeader(const char* timescale, int scopes) {
  out_ << "$date kitbuilder-cli --check $end\n"
       << "$version kitbuilder virtual board $end\n"
       << "$timescale " << timescale << " $end\n";
  for (int scope = 0; scope < scopes; ++scope) {
    out_ << "$scope module " << kScopes[scope] << " $end\n";
    for (int line = 0; line < kChipLineCount; ++line) {
      out_ << "$var wire 1 " << Code(scope, line) << " " << LineName(static_cast<ChipLine>(line))
           << " $end\n";
    }
    out_ << "$upscope $end\n";
  }
  out_ << "$enddefinitions $end\n";
}

void VcdTrace::LinesChanged(const LineLevels& levels, Instant at) {
  board_->LinesChanged(levels, at);
}

void VcdTrace::At(uint64_t time) {
  if (started_ && time <= lastTime_) return;
  out_ << "#" << time << "\n";
  lastTime_ = time;
  started_ = true;
}

void VcdTrace::Scope::LinesChanged(const LineLevels& levels, Instant at) {
  trace_.At(static_cast<uint64_t>(std::llround(static_cast<double>(at.cycles) * unitsPerCycle_)));
  std::ostream& out = trace_.out_;
  // The first change of all dumps the initial values; a scope that starts later just changes.
  const bool dump = !trace_.dumped_;
  if (dump) out << "$dumpvars\n";
  for (int line = 0; line < kChipLineCount; ++line) {
    if (started_ && levels[line] == last_[line]) continue;
    out << (levels[line] ? '1' : '0') << Code(index_, line) << "\n";
  }
  if (dump) out << "$end\n";
  trace_.dumped_ = true;
  last_ = levels;
  started_ = true;
}

}  // namespace kitbuilder::simulator
