#include "simulator/capture/sample_rate_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kitbuilder::simulator {
namespace {

// A pulse seen as n samples lasted more than n-1 and less than n+1 sample periods. Seen as two
// or more, it lasted more than one period, so no pulse that long can fall between two samples
// unseen, and a data line set a machine cycle (the 8051's shortest pulse) before SCK rises is
// on its new level in an earlier sample than the edge. One sample proves neither.
constexpr uint64_t kSamplesNeeded = 2;
// The rate asked for gives the pulse twice what is needed: the analyzer's clock runs against
// the board's, so the same pulse may be seen a sample shorter next time, and the rate named
// must be one the check then accepts.
constexpr uint64_t kSamplesAsked = 2 * kSamplesNeeded;

void KeepShorter(std::optional<uint64_t>* shortest, uint64_t samples) {
  if (!*shortest || samples < **shortest) *shortest = samples;
}

std::string Trimmed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string trimmed = text;
  trimmed.erase(trimmed.find_last_not_of('0') + 1);
  if (trimmed.back() == '.') trimmed.pop_back();
  return trimmed;
}

}  // namespace

std::string RateText(double hertz) {
  if (hertz < 1e6) return Trimmed(hertz / 1e3) + " kHz";
  return Trimmed(hertz / 1e6) + " MHz";
}

void SampleRateCheck::CaptureBegins(const CaptureStart& start) {
  samplerate_ = start.samplerate;
  high_ = Level(start.levels, ChipLine::kSck);
}

void SampleRateCheck::LinesChanged(const LineChange& change) {
  if ((change.changed & LineBit(ChipLine::kSck)).none()) return;
  // The pulse before the capture's first edge began before the capture: its length is unknown.
  if (lastEdge_) KeepShorter(high_ ? &shortestHigh_ : &shortestLow_, change.sample - *lastEdge_);
  lastEdge_ = change.sample;
  high_ = Level(change.levels, ChipLine::kSck);
}

std::optional<std::string> SampleRateCheck::Refusal() const {
  const uint64_t high = shortestHigh_.value_or(UINT64_MAX);
  const uint64_t low = shortestLow_.value_or(UINT64_MAX);
  const uint64_t shortest = std::min(high, low);
  if (shortest >= kSamplesNeeded) return std::nullopt;
  const double needed = static_cast<double>(samplerate_) * kSamplesAsked / shortest;
  return "sampled at " + RateText(static_cast<double>(samplerate_)) + ", SCK's " +
         (high <= low ? "high" : "low") + " time is " + std::to_string(shortest) + " sample" +
         (shortest == 1 ? "" : "s") + ": capture at " + RateText(needed) + " or more";
}

}  // namespace kitbuilder::simulator
