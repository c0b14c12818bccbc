#pragma once
// The other radio on the air: it hears what the chip transmits and, following a script, sends
// packets for the chip to receive. It keeps a log of every packet on the air and its fate.

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "simulator/radio/air.h"
#include "simulator/radio/mcu_clock.h"

namespace kitbuilder::simulator {

/// One packet on the air and whether its addressee took it.
struct AirEvent {
  enum class Sender { kChip, kPartner };
  Sender sender = Sender::kChip;
  AirPacket packet;
  uint64_t startCycle = 0;  ///< when its first bit was (or was to be) on the air
  uint64_t endCycle = 0;    ///< when the last bit was on the air, or when the packet was cut
  bool received = false;
  bool cut = false;  ///< its sender stopped it before its last bit
};

/// One packet that the peer sends: it starts a fixed time after the chip starts listening, or
/// it ends a fixed time after the chip gave up listening (too late for it).
struct PartnerMove {
  enum class When { kWhileListening, kAfterListening };
  std::vector<uint8_t> payload;
  bool crcGood = true;
  When when = When::kWhileListening;
  uint64_t delayCycles = 0;
};

class Partner : public Air {
 public:
  /// `clock` turns the air time of the partner's packets into the chip's machine cycles.
  Partner(AirSettings own, std::vector<PartnerMove> script, const McuClock& clock = {});

  void Hear(const AirPacket& packet, uint64_t startCycle, uint64_t endCycle) override;
  void Cut(uint64_t cycle) override;
  void ChipListens(uint64_t cycle) override;
  void ChipStopsListening(uint64_t cycle) override;
  const std::optional<AirSending>& sending() const override { return sending_; }
  void SendingDone(bool received) override;
  /// The partner schedules a packet only when the chip starts or stops listening, which takes
  /// a transfer: nothing it does not know of yet comes on its own.
  uint64_t EarliestUnknownArrival() const override { return UINT64_MAX; }

  const std::vector<AirEvent>& log() const { return log_; }
  /// Script entries the run never came to.
  size_t unusedMoves() const { return script_.size(); }

 private:
  void Schedule(uint64_t fromCycle);

  AirSettings own_;
  std::deque<PartnerMove> script_;
  McuClock clock_;
  std::optional<AirSending> sending_;
  std::vector<AirEvent> log_;
};

}  // namespace kitbuilder::simulator
