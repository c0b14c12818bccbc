#pragma once
// Wiring faults a capture shows by itself: a line the board uses that never changes (a probe on
// the wrong pin, or a line that is not connected), and two lines that always change together (a
// solder bridge, or two probes on one pin).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "simulator/capture/line_change.h"

namespace kitbuilder::simulator {

class WiringCheck : public CaptureObserver {
 public:
  /// `used` are the lines that must move in a capture of a working board, each with a signal of
  /// its own.
  explicit WiringCheck(LineSet used) : used_(used) {}

  void CaptureBegins(const CaptureStart&) override {}
  void LinesChanged(const LineChange& change) override;
  void CaptureEnds(uint64_t) override {}

  /// One sentence per fault, each naming the lines and what to look at; empty when none.
  std::vector<std::string> Faults() const;

 private:
  LineSet used_;
  std::array<uint64_t, kChipLineCount> changes_{};
  /// [a][b] for a < b: the changes of both at one sample.
  std::array<std::array<uint64_t, kChipLineCount>, kChipLineCount> together_{};
};

}  // namespace kitbuilder::simulator
