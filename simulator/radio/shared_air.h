#pragma once
// One air for two radios, each fed the machine cycles of its own board's clock: what one radio
// transmits goes to the other, which takes it only if it listens as the radio model rules. The
// air keeps every packet, in microseconds on the common clock that starts when both boards leave
// reset.

#include <array>
#include <deque>
#include <optional>
#include <vector>

#include "simulator/radio/air.h"
#include "simulator/radio/mcu_clock.h"

namespace kitbuilder::simulator {

class SharedAir {
 public:
  SharedAir(const McuClock& first, const McuClock& second);
  SharedAir(const SharedAir&) = delete;
  SharedAir& operator=(const SharedAir&) = delete;

  /// The air as the radio of board `side` (0 or 1) sees it.
  Air& Side(int side) { return sides_[static_cast<size_t>(side)]; }
  /// Board `side` touches its pins again at `us` on the common clock at the earliest (infinity
  /// when never): a packet of its radio can start no sooner, which is all the other radio may
  /// count on. Until told, it may act at once.
  void ActsFrom(int side, double us) { actsFromUs_[static_cast<size_t>(side)] = us; }

  struct Packet {
    int from = 0;  ///< the side that sent it
    AirPacket packet;
    double startUs = 0;
    double endUs = 0;
    bool received = false;  ///< the other radio took it into its FIFO
    bool cut = false;       ///< its sender stopped it before its last bit, at endUs
  };
  const std::vector<Packet>& packets() const { return packets_; }

 private:
  class End : public Air {
   public:
    End(SharedAir& air, int side, const McuClock& clock)
        : air_(air), side_(side), cycleUs_(CycleNanoseconds(clock) / 1000.0) {}
    void Hear(const AirPacket& packet, uint64_t startCycle, uint64_t endCycle) override;
    void Cut(uint64_t cycle) override;
    // The radio model itself keeps when it listens.
    void ChipListens(uint64_t) override {}
    void ChipStopsListening(uint64_t) override {}
    const std::optional<AirSending>& sending() const override { return sending_; }
    void SendingDone(bool received) override;
    uint64_t EarliestUnknownArrival() const override;
    /// Makes the next of the packets coming in the one being sent.
    void Refresh();

    std::deque<size_t> incoming;  ///< indices into the air's packets

   private:
    SharedAir& air_;
    int side_;
    double cycleUs_;
    std::optional<AirSending> sending_;
  };

  std::vector<Packet> packets_;
  std::array<End, 2> sides_;
  std::array<double, 2> actsFromUs_ = {0, 0};
};

}  // namespace kitbuilder::simulator
