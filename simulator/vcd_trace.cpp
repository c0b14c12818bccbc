#include "simulator/vcd_trace.h"

#include <cmath>

namespace kitbuilder::simulator {
namespace {

constexpr const char* kNames[kChipLineCount] = {"SCS", "SCK", "SDIO", "GIO1", "GIO2"};
// VCD's short identifiers, one printable character a line.
constexpr char kCodes[kChipLineCount] = {'!', '"', '#', '$', '%'};

}  // namespace

VcdTrace::VcdTrace(std::ostream& out, const McuClock& clock) : out_(out), clock_(clock) {
  out_ << "$date kitbuilder-cli --check $end\n"
       << "$version kitbuilder virtual board $end\n"
       << "$timescale 1 ns $end\n"
       << "$scope module board $end\n";
  for (int line = 0; line < kChipLineCount; ++line) {
    out_ << "$var wire 1 " << kCodes[line] << " " << kNames[line] << " $end\n";
  }
  out_ << "$upscope $end\n$enddefinitions $end\n";
}

void VcdTrace::LinesChanged(const LineLevels& levels, Instant at) {
  const auto time = static_cast<uint64_t>(
      std::llround(static_cast<double>(at.cycles) * clock_.CycleNanoseconds()));
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
