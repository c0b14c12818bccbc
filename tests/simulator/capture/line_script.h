#pragma once
// Captures written by hand: the five lines moved one step of `samplesPerStep` at a time, the
// bus clocked a byte at a time as the firmware does, and every change handed to observers as a
// capture reader would hand it.

#include <initializer_list>
#include <vector>

#include "simulator/capture/line_change.h"

namespace kitbuilder::simulator {

class LineScript {
 public:
  /// All lines high, as an 8051 leaves reset; `samplerate` samples a second.
  LineScript(std::vector<CaptureObserver*> observers, uint64_t samplerate = 24'000'000,
             uint64_t samplesPerStep = 24)
      : observers_(std::move(observers)), samplerate_(samplerate), step_(samplesPerStep) {
    levels_.fill(true);
  }

  /// Sets the levels at sample 0; nothing before this reaches the observers.
  LineScript& Begin(std::initializer_list<std::pair<ChipLine, bool>> levels = {}) {
    for (const auto& [line, level] : levels) levels_[static_cast<size_t>(line)] = level;
    CaptureStart start{samplerate_, levels_};
    for (CaptureObserver* observer : observers_) observer->CaptureBegins(start);
    return *this;
  }
  /// One step later, the lines given take their levels at once.
  LineScript& Set(std::initializer_list<std::pair<ChipLine, bool>> levels, uint64_t steps = 1) {
    sample_ += steps * step_;
    LineChange change{sample_, sample_ * 1'000'000'000 / samplerate_, levels_, {}};
    for (const auto& [line, level] : levels) {
      change.changed.set(static_cast<size_t>(line), level != levels_[static_cast<size_t>(line)]);
      change.levels[static_cast<size_t>(line)] = level;
    }
    levels_ = change.levels;
    if (change.changed.none()) return *this;
    for (CaptureObserver* observer : observers_) observer->LinesChanged(change);
    return *this;
  }
  /// Eight bits on `data`, most significant first: data set, SCK up, SCK down.
  LineScript& Byte(uint8_t value, ChipLine data = ChipLine::kSdio) {
    for (int bit = 7; bit >= 0; --bit) {
      Set({{data, ((value >> bit) & 1) != 0}});
      Set({{ChipLine::kSck, true}});
      Set({{ChipLine::kSck, false}});
    }
    return *this;
  }
  /// SCS low, the bytes, SCS high; `answer` bytes come on `answerLine` after the others.
  LineScript& Transfer(std::vector<uint8_t> bytes, std::vector<uint8_t> answer = {},
                       ChipLine answerLine = ChipLine::kSdio) {
    Set({{ChipLine::kSck, false}});
    Set({{ChipLine::kScs, false}});
    for (uint8_t byte : bytes) Byte(byte);
    for (uint8_t byte : answer) Byte(byte, answerLine);
    return Set({{ChipLine::kScs, true}});
  }
  void End() {
    for (CaptureObserver* observer : observers_) observer->CaptureEnds(sample_ + 1);
  }

 private:
  std::vector<CaptureObserver*> observers_;
  uint64_t samplerate_;
  uint64_t step_;
  uint64_t sample_ = 0;
  LineLevels levels_{};
};

}  // namespace kitbuilder::simulator
