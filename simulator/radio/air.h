#pragma once
// The air between a radio model and whatever else is on it: the settings a packet travels with,
// how long it is on the air, and what a radio tells the air and asks of it. The ideal partner is
// one such air; two boards on one channel share another.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "simulator/radio/mcu_clock.h"

namespace kitbuilder::simulator {

/// Where and how a packet travels, as register values: a radio hears only packets sent with its
/// own channel, data rate and ID.
struct AirSettings {
  uint8_t channel = 0;
  uint8_t dataRate = 0;  ///< DATARATE_REG value
  std::array<uint8_t, 4> id{};
  bool operator==(const AirSettings& other) const {
    return channel == other.channel && dataRate == other.dataRate && id == other.id;
  }
};

struct AirPacket {
  std::vector<uint8_t> payload;
  bool crcGood = true;
  AirSettings air;
  uint8_t txPower = 0;  ///< TXTEST_REG value at the time of sending
};

/// The packet format the model assumes: a 4-byte preamble, the 4 ID bytes, the payload and a
/// 2-byte CRC, sent at the data rate with nothing between the bits.
constexpr int kPreambleBytes = 4;
constexpr int kIdBytes = 4;
constexpr int kCrcBytes = 2;

/// How long a packet of `payloadBytes` is on the air at the data rate DATARATE_REG `dataRate`
/// selects (1 or 2 Mbit/s).
double AirMicroseconds(size_t payloadBytes, uint8_t dataRate);
/// The same in machine cycles of `clock`, rounded up.
uint64_t AirCycles(size_t payloadBytes, uint8_t dataRate, const McuClock& clock);

/// A packet on its way to the radio: its first and last bit, in the radio's machine cycles.
struct AirSending {
  AirPacket packet;
  uint64_t startCycle = 0;
  uint64_t endCycle = 0;
};

/// What a radio model tells the air and what it asks of it; every time is in the radio's own
/// machine cycles.
class Air {
 public:
  virtual ~Air() = default;
  /// The radio put `packet` on the air from `startCycle` to `endCycle`.
  virtual void Hear(const AirPacket& packet, uint64_t startCycle, uint64_t endCycle) = 0;
  /// The radio stopped the packet it put on the air last at `cycle`, before its last bit: the
  /// packet reaches no one.
  virtual void Cut(uint64_t cycle) = 0;
  virtual void ChipListens(uint64_t cycle) = 0;
  /// The radio left receive state by a strobe, without a packet.
  virtual void ChipStopsListening(uint64_t cycle) = 0;
  /// The next packet coming to the radio, if any.
  virtual const std::optional<AirSending>& sending() const = 0;
  /// Ends the current sending; `received` says whether the radio took it.
  virtual void SendingDone(bool received) = 0;
  /// The first cycle at which a packet the air does not know of yet could be wholly on the air,
  /// UINT64_MAX when none can come: until then only the known sending can reach the radio.
  virtual uint64_t EarliestUnknownArrival() const = 0;
};

}  // namespace kitbuilder::simulator
