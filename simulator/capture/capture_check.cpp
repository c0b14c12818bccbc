#include "simulator/capture/capture_check.h"

#include "simulator/capture/capture_reader.h"
#include "simulator/capture/sample_rate_check.h"
#include "simulator/capture/wiring_check.h"

namespace kitbuilder::simulator {
namespace {

/// Counts the samples and keeps the rate, for the report.
class CaptureExtent : public CaptureObserver {
 public:
  void CaptureBegins(const CaptureStart& start) override { samplerate = start.samplerate; }
  void LinesChanged(const LineChange&) override {}
  void CaptureEnds(uint64_t count) override { samples = count; }

  uint64_t samplerate = 0;
  uint64_t samples = 0;
};

}  // namespace

LineSet UsedLines(const BusWiring& wiring) {
  return LineBit(ChipLine::kScs) | LineBit(ChipLine::kSck) | LineBit(ChipLine::kSdio) |
         LineBit(wiring.wtr) | LineBit(wiring.answer);
}

BusWiring BusWiringOf(const FirmwareSettings& settings) {
  BusWiring wiring;
  wiring.wtr = settings.wtrGio == 1 ? ChipLine::kGio1 : ChipLine::kGio2;
  if (settings.wires == 4) wiring.answer = settings.wtrGio == 1 ? ChipLine::kGio2 : ChipLine::kGio1;
  return wiring;
}

CaptureOutcome CheckCapture(const std::string& path, const std::optional<std::string>& channels,
                            const BusWiring& wiring, const McuClock& clock,
                            const std::atomic<bool>* cancel, CaptureObserver* lines) {
  CaptureOutcome outcome;
  const LineSet used = UsedLines(wiring);
  CaptureExtent extent;
  SampleRateCheck rate;
  WiringCheck wiringCheck(used);
  BusDecoder decoder(wiring, clock);
  const ChannelChooser choose = [&](const std::vector<std::string>& names) {
    std::variant<ChannelMapping, MappingRefusal> chosen = MapChannels(names, channels, used);
    if (const ChannelMapping* mapping = std::get_if<ChannelMapping>(&chosen)) {
      outcome.mapping = *mapping;
    }
    return chosen;
  };
  std::vector<CaptureObserver*> observers = {&extent, &rate, &wiringCheck, &decoder};
  if (lines != nullptr) observers.push_back(lines);
  const CaptureReading reading = ReadCapture(path, choose, observers, cancel);
  outcome.channels = reading.channels;
  if (reading.status == CaptureReading::Status::kCancelled) {
    outcome.status = CaptureOutcome::Status::kCancelled;
    return outcome;
  }
  if (reading.status != CaptureReading::Status::kRead) {
    outcome.refusal = reading.message;
    return outcome;
  }
  outcome.samplerate = extent.samplerate;
  outcome.samples = extent.samples;
  outcome.shortestSckHigh = rate.shortestHigh();
  outcome.shortestSckLow = rate.shortestLow();
  outcome.wiringFaults = wiringCheck.Faults();
  if (const std::optional<std::string> refusal = rate.Refusal()) {
    outcome.refusal = *refusal;
    return outcome;
  }
  outcome.bus = decoder.bus();
  outcome.status = outcome.wiringFaults.empty() ? CaptureOutcome::Status::kDecoded
                                                : CaptureOutcome::Status::kWiringFaults;
  return outcome;
}

}  // namespace kitbuilder::simulator
