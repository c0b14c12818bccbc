#include "simulator/vcd_trace.h"

#include <cmath>

namespace kitbuilder::simulator {
namespace {

constexpr const char* kNames[kChipLineCount] = {"SCS", "SCK", "SDIO", "GIO1", "GIO2"};
// VCD's short identifiers, one printable character a line.
constexpr char kCodes[kChipLineCount] = {'!', '"', '#', '$', '%'};

struct Timescale {
  const char* text;
  double nanoseconds;
};

/// The coarsest unit in which a machine cycle is a whole number: a logic analyzer program
/// takes the timescale for its sample rate, and 1 us where 1 ns would do makes it 1000 times
/// quicker.
Timescale TimescaleFor(const McuClock& clock) {
  const double cycle = CycleNanoseconds(clock);
  for (const Timescale& unit :
       {Timescale{"1 us", 1000}, Timescale{"100 ns", 100}, Timescale{"10 ns", 10}}) {
    const double units = cycle / unit.nanoseconds;
    if (units >= 1 && std::fabs(units - std::round(units)) < 1e-9) return unit;
  }
  return {"1 ns", 1};
}

}  // namespace

VcdTrace::VcdTrace(std::ostream& out, const McuClock& clock)
    : out_(out), unitsPerCycle_(CycleNanoseconds(clock) / TimescaleFor(clock).nanoseconds) {
  out_ << "$date kitbuilder-cli --check $end\n"
       << "$version kitbuilder virtual board $end\n"
       << "$timescale " << TimescaleFor(clock).text << " $end\n"
       << "$scope module board $end\n";
  for (int line = 0; line < kChipLineCount; ++line) {
    out_ << "$var wire 1 " << kCodes[line] << " " << kNames[line] << " $end\n";
  }
  out_ << "$upscope $end\n$enddefinitions $end\n";
}

void VcdTrace::LinesChanged(const LineLevels& levels, Instant at) {
  const auto time =
      static_cast<uint64_t>(std::llround(static_cast<double>(at.cycles) * unitsPerCycle_));
  if (!started_ || time != lastTime_) out_ << "#" << time << "\n";
  if (!started_) out_ << "$dumpvars\n";
  for (int line = 0; line < kChipLineCount; ++line) {
    if (started_ && levels[line] == last_[line]) continue;
    out_ << (levels[line] ? '1' : '0') << kCodes[line] << "\n";
  }
  if (!started_) out_ << "$end\n";
  last_ = levels;
  lastTime_ = time;
  started_ = true;
}

}  // namespace kitbuilder::simulator
