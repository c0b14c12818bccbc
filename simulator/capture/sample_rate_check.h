#pragma once
// Whether a capture was sampled fast enough to read the bus from it, judged by the shortest
// high and low time of SCK: a capture too slow for it is refused with the rate it needs rather
// than decoded into garbage.

#include <cstdint>
#include <optional>
#include <string>

#include "simulator/capture/line_change.h"

namespace kitbuilder::simulator {

class SampleRateCheck : public CaptureObserver {
 public:
  void CaptureBegins(const CaptureStart& start) override;
  void LinesChanged(const LineChange& change) override;
  void CaptureEnds(uint64_t) override {}

  /// In samples, between two edges of SCK; nothing before SCK has made such a pulse.
  std::optional<uint64_t> shortestHigh() const { return shortestHigh_; }
  std::optional<uint64_t> shortestLow() const { return shortestLow_; }

  /// "sampled at 1 MHz, SCK's high time is 1 sample: capture at 4 MHz or more", or nothing
  /// when the rate resolves the bus.
  std::optional<std::string> Refusal() const;

 private:
  uint64_t samplerate_ = 0;
  bool high_ = false;
  std::optional<uint64_t> lastEdge_;
  std::optional<uint64_t> shortestHigh_;
  std::optional<uint64_t> shortestLow_;
};

/// "24 MHz", "11.059 MHz", "500 kHz".
std::string RateText(double hertz);

}  // namespace kitbuilder::simulator
