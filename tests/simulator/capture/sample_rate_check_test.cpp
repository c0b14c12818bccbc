// The sample rate judged by SCK's shortest pulses: refused with the rate that would do, at one
// sample a pulse; accepted from two.

#include "simulator/capture/sample_rate_check.h"

#include <gtest/gtest.h>

#include "tests/simulator/capture/line_script.h"

namespace kitbuilder::simulator {
namespace {

struct RateCase {
  const char* name;
  uint64_t samplerate;
  uint64_t highSamples;
  uint64_t lowSamples;
  const char* refusal;  ///< nullptr when accepted
};

const RateCase kCases[] = {
    {"one_sample_high_at_1_MHz", 1'000'000, 1, 3,
     "sampled at 1 MHz, SCK's high time is 1 sample: capture at 4 MHz or more"},
    {"one_sample_low_at_8_MHz", 8'000'000, 5, 1,
     "sampled at 8 MHz, SCK's low time is 1 sample: capture at 32 MHz or more"},
    {"one_sample_at_250_kHz", 250'000, 1, 1,
     "sampled at 250 kHz, SCK's high time is 1 sample: capture at 1 MHz or more"},
    {"two_samples_each_at_4_MHz", 4'000'000, 2, 2, nullptr},
    {"a_24_MHz_capture_of_a_12_MHz_8051", 23'999'808, 23, 48, nullptr},
};

void PrintTo(const RateCase& c, std::ostream* out) {
  *out << c.name;
}

class SampleRateCheckTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(SampleRateCheckTest, RefusesBelowTwoSamplesAPulseNamingTheRateNeeded) {
  const RateCase& c = GetParam();
  SampleRateCheck check;
  // The first pulse is cut by the capture's start and must not count, however short.
  LineScript script({&check}, c.samplerate, 1);
  script.Begin({{ChipLine::kSck, false}}).Set({{ChipLine::kSck, true}});
  for (int pulse = 0; pulse < 3; ++pulse) {
    script.Set({{ChipLine::kSck, false}}, c.highSamples + 1);
    script.Set({{ChipLine::kSck, true}}, c.lowSamples + 1);
  }
  script.Set({{ChipLine::kSck, false}}, c.highSamples);
  script.Set({{ChipLine::kSck, true}}, c.lowSamples);
  script.End();
  EXPECT_EQ(check.shortestHigh(), c.highSamples);
  EXPECT_EQ(check.shortestLow(), c.lowSamples);
  if (c.refusal) {
    EXPECT_EQ(check.Refusal(), c.refusal);
  } else {
    EXPECT_EQ(check.Refusal(), std::nullopt);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SampleRateCheckTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder::simulator
