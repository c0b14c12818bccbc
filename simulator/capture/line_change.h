#pragma once
// The radio's five lines as a capture shows them: their levels at the first sample, then each
// change with its sample and its time, handed to observers as the capture is read. A line the
// capture does not hold stays high, as an open-drain line nobody pulls does.

#include <bitset>
#include <cstdint>
#include <vector>

#include "simulator/radio/radio_model.h"

namespace kitbuilder::simulator {

using LineSet = std::bitset<kChipLineCount>;

inline LineSet LineBit(ChipLine line) {
  return LineSet().set(static_cast<size_t>(line));
}
inline bool Level(const LineLevels& levels, ChipLine line) {
  return levels[static_cast<size_t>(line)];
}

struct CaptureStart {
  uint64_t samplerate = 0;  ///< samples a second
  LineLevels levels{};      ///< at sample 0
};

struct LineChange {
  uint64_t sample = 0;
  uint64_t nanoseconds = 0;  ///< since sample 0
  LineLevels levels{};       ///< after the change
  LineSet changed;           ///< the lines that changed at this sample
};

class CaptureObserver {
 public:
  virtual ~CaptureObserver() = default;
  virtual void CaptureBegins(const CaptureStart& start) = 0;
  virtual void LinesChanged(const LineChange& change) = 0;
  /// `samples` in all; the last change is before it.
  virtual void CaptureEnds(uint64_t samples) = 0;
};

}  // namespace kitbuilder::simulator
