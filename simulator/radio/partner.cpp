#include "simulator/radio/partner.h"

#include <algorithm>
#include <utility>

namespace kitbuilder::simulator {

Partner::Partner(AirSettings own, std::vector<PartnerMove> script, const McuClock& clock)
    : own_(own), script_(script.begin(), script.end()), clock_(clock) {}

void Partner::Hear(const AirPacket& packet, uint64_t startCycle, uint64_t endCycle) {
  log_.push_back({AirEvent::Sender::kChip, packet, startCycle, endCycle, packet.air == own_});
}

void Partner::Cut(uint64_t cycle) {
  for (auto event = log_.rbegin(); event != log_.rend(); ++event) {
    if (event->sender != AirEvent::Sender::kChip) continue;
    event->endCycle = cycle;
    event->received = false;
    event->cut = true;
    return;
  }
}

void Partner::ChipListens(uint64_t cycle) {
  if (sending_ || script_.empty()) return;
  if (script_.front().when == PartnerMove::When::kWhileListening) Schedule(cycle);
}

void Partner::ChipStopsListening(uint64_t cycle) {
  if (sending_ || script_.empty()) return;
  if (script_.front().when == PartnerMove::When::kAfterListening) Schedule(cycle);
}

void Partner::Schedule(uint64_t fromCycle) {
  PartnerMove move = std::move(script_.front());
  script_.pop_front();
  AirPacket packet{std::move(move.payload), move.crcGood, own_, 0};
  const uint64_t air = AirCycles(packet.payload.size(), own_.dataRate, clock_);
  // A packet meant to come too late is on the air as the chip stops listening and ends after.
  const uint64_t end = move.when == PartnerMove::When::kAfterListening
                           ? fromCycle + move.delayCycles
                           : fromCycle + move.delayCycles + air;
  sending_ = AirSending{std::move(packet), end - std::min(end, air), end};
}

void Partner::SendingDone(bool received) {
  log_.push_back({AirEvent::Sender::kPartner, sending_->packet, sending_->startCycle,
                  sending_->endCycle, received});
  sending_.reset();
}

}  // namespace kitbuilder::simulator
