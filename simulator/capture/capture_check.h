#pragma once
// A logic analyzer's capture of a real board read in one pass: the channels mapped to the
// radio's lines, the sample rate judged against SCK, the wiring judged by what the lines do,
// and the bus decoded into the radio model's kind of transcript. Knows nothing of s51: what the
// settings call for is held against the result elsewhere.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulator/capture/bus_decoder.h"
#include "simulator/capture/channel_mapping.h"
#include "simulator/verdict/firmware_settings.h"

namespace kitbuilder::simulator {

struct CaptureOutcome {
  enum class Status {
    kDecoded,       ///< read and decoded; `bus` holds what the board did
    kWiringFaults,  ///< decoded, but `wiringFaults` name lines that cannot be right
    kRefused,       ///< not decoded: `refusal` says why (unreadable, unmapped, sampled too slowly)
    kCancelled,     ///< called off while the capture was read
  };
  Status status = Status::kRefused;
  std::string refusal;
  std::vector<std::string> wiringFaults;
  std::vector<std::string> channels;  ///< the capture's channels
  ChannelMapping mapping;
  uint64_t samplerate = 0;
  uint64_t samples = 0;
  std::optional<uint64_t> shortestSckHigh;  ///< in samples
  std::optional<uint64_t> shortestSckLow;
  CapturedBus bus;
};

/// The answer line and WTR of a board wired as `settings` say.
BusWiring BusWiringOf(const FirmwareSettings& settings);

/// The lines a board wired so uses, each of which needs a channel in a capture.
LineSet UsedLines(const BusWiring& wiring);

/// `channels` is the --channels text, if given; `clock` the board's, for the times of `bus`.
/// `cancel`, when given and set, calls the reading off; `lines`, when given, is told of the
/// lines as the capture is read, as the check's own observers are.
CaptureOutcome CheckCapture(const std::string& path, const std::optional<std::string>& channels,
                            const BusWiring& wiring, const McuClock& clock,
                            const std::atomic<bool>* cancel = nullptr,
                            CaptureObserver* lines = nullptr);

}  // namespace kitbuilder::simulator
