#include "simulator/radio/shared_air.h"

#include <algorithm>
#include <cmath>

#include "simulator/radio/radio_registers.h"

namespace kitbuilder::simulator {
namespace {

// Times on the common clock come from sums of cycles; this much rounding is no time at all.
constexpr double kRoundingCycles = 1e-6;

// The shortest packet there is: one byte of payload at the faster data rate.
const double kShortestAirUs =
    std::min(AirMicroseconds(1, DataRateValue(1)), AirMicroseconds(1, DataRateValue(2)));

}  // namespace

SharedAir::SharedAir(const McuClock& first, const McuClock& second)
    : sides_{End(*this, 0, first), End(*this, 1, second)} {}

void SharedAir::End::Hear(const AirPacket& packet, uint64_t startCycle, uint64_t endCycle) {
  air_.packets_.push_back({side_, packet, static_cast<double>(startCycle) * cycleUs_,
                           static_cast<double>(endCycle) * cycleUs_, false});
  End& other = air_.sides_[static_cast<size_t>(1 - side_)];
  other.incoming.push_back(air_.packets_.size() - 1);
  other.Refresh();
}

void SharedAir::End::Cut(uint64_t cycle) {
  for (size_t i = air_.packets_.size(); i-- > 0;) {
    Packet& packet = air_.packets_[i];
    if (packet.from != side_) continue;
    packet.cut = true;
    packet.endUs = static_cast<double>(cycle) * cycleUs_;
    // The other radio is never served past a cycle this board has not reached, so the packet
    // is still coming to it.
    End& other = air_.sides_[static_cast<size_t>(1 - side_)];
    other.incoming.erase(std::remove(other.incoming.begin(), other.incoming.end(), i),
                         other.incoming.end());
    other.Refresh();
    return;
  }
}

void SharedAir::End::SendingDone(bool received) {
  Packet& packet = air_.packets_[incoming.front()];
  packet.received = received;
  incoming.pop_front();
  Refresh();
}

uint64_t SharedAir::End::EarliestUnknownArrival() const {
  const size_t other = static_cast<size_t>(1 - side_);
  const double fromUs = air_.actsFromUs_[other];
  if (std::isinf(fromUs)) return UINT64_MAX;
  // A bit write without a stop of its own takes effect a cycle before the stop that shows it.
  const double earliestEndUs = fromUs - air_.sides_[other].cycleUs_ + kShortestAirUs;
  return static_cast<uint64_t>(std::max(0.0, std::floor(earliestEndUs / cycleUs_)));
}

void SharedAir::End::Refresh() {
  if (incoming.empty()) {
    sending_.reset();
    return;
  }
  const Packet& packet = air_.packets_[incoming.front()];
  // The receiver must listen from a cycle at or before the first bit, and the packet is there
  // from the first cycle at or after its last bit.
  sending_ = AirSending{
      packet.packet, static_cast<uint64_t>(std::floor(packet.startUs / cycleUs_ + kRoundingCycles)),
      static_cast<uint64_t>(std::ceil(packet.endUs / cycleUs_ - kRoundingCycles))};
}

}  // namespace kitbuilder::simulator
