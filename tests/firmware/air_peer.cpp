#include "tests/firmware/air_peer.h"

#include <utility>

namespace k3960 {

AirPeer::AirPeer(AirSettings own, std::vector<PeerMove> script)
    : own_(own), script_(script.begin(), script.end()) {}

void AirPeer::Hear(const AirPacket& packet, uint64_t endCycle) {
  log_.push_back({AirEvent::Sender::kChip, packet, endCycle, packet.air == own_});
}

void AirPeer::ChipListens(uint64_t cycle) {
  if (sending_ || script_.empty()) return;
  if (script_.front().when == PeerMove::When::kWhileListening) Schedule(cycle);
}

void AirPeer::ChipStopsListening(uint64_t cycle) {
  if (sending_ || script_.empty()) return;
  if (script_.front().when == PeerMove::When::kAfterListening) Schedule(cycle);
}

void AirPeer::Schedule(uint64_t fromCycle) {
  PeerMove move = std::move(script_.front());
  script_.pop_front();
  AirPacket packet{std::move(move.payload), move.crcGood, own_, 0};
  sending_ = Sending{std::move(packet), fromCycle + move.delayCycles};
}

void AirPeer::SendingDone(bool received) {
  log_.push_back({AirEvent::Sender::kPeer, sending_->packet, sending_->endCycle, received});
  sending_.reset();
}

}  // namespace k3960
