#pragma once
// The other radio on the air: it hears what the chip transmits and, following a script, sends
// packets for the chip to receive. It keeps a log of every packet on the air and its fate.

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "simulator/transcript.h"

namespace kitbuilder::simulator {

/// Where and how a packet travels, as register values: the chip hears only packets sent with
/// its own channel, data rate and ID.
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

/// One packet on the air and whether its addressee took it.
struct AirEvent {
  enum class Sender { kChip, kPartner };
  Sender sender = Sender::kChip;
  AirPacket packet;
  uint64_t endCycle = 0;  ///< when the last bit was on the air
  bool received = false;
};

/// One packet that the peer sends: a fixed time after the chip starts listening, or right
/// after the chip gives up listening (too late for it).
struct PartnerMove {
  enum class When { kWhileListening, kAfterListening };
  std::vector<uint8_t> payload;
  bool crcGood = true;
  When when = When::kWhileListening;
  uint64_t delayCycles = 0;
};

class Partner {
 public:
  Partner(AirSettings own, std::vector<PartnerMove> script);

  /// The chip finished sending `packet` at `endCycle`.
  void Hear(const AirPacket& packet, uint64_t endCycle);
  void ChipListens(uint64_t cycle);
  /// The chip left receive state by a strobe, without a packet.
  void ChipStopsListening(uint64_t cycle);

  /// The packet the peer has on its way and when its last bit arrives, if any.
  struct Sending {
    AirPacket packet;
    uint64_t endCycle = 0;
  };
  const std::optional<Sending>& sending() const { return sending_; }
  /// Ends the current sending; `received` says whether the chip took it.
  void SendingDone(bool received);

  const std::vector<AirEvent>& log() const { return log_; }
  /// Script entries the run never came to.
  size_t unusedMoves() const { return script_.size(); }

 private:
  void Schedule(uint64_t fromCycle);

  AirSettings own_;
  std::deque<PartnerMove> script_;
  std::optional<Sending> sending_;
  std::vector<AirEvent> log_;
};

}  // namespace kitbuilder::simulator
