#include "simulator/radio/serial_link.h"

namespace kitbuilder::simulator {

void SerialLink::Sense(bool scs, bool sck, bool sdio) {
  if (scs != scs_) {
    scs_ = scs;
    if (!scs) {
      Select();
    } else {
      Deselect();
    }
  }
  sdio_ = sdio;
  if (sck != sck_) {
    sck_ = sck;
    if (phase_ == Phase::kIdle) return;
    if (sck) {
      RisingEdge();
    } else {
      FallingEdge();
    }
  }
}

std::optional<bool> SerialLink::DataOut() const {
  if (!driving_ || !outgoing_) return std::nullopt;
  return ((*outgoing_ >> (7 - bits_)) & 1) != 0;
}

std::vector<bool> SerialLink::LevelsAtNextRisingEdges() const {
  std::vector<bool> levels;
  if (phase_ != Phase::kSending || !driving_ || !outgoing_) return levels;
  // The eighth rising edge ends the byte and lets the line go: what follows is not this byte's.
  for (int bit = bits_ + 1; bit < 8; ++bit) levels.push_back(((*outgoing_ >> (7 - bit)) & 1) != 0);
  return levels;
}

void SerialLink::Select() {
  if (sck_) {
    client_.Violation(
        "SCS fell while SCK was high, so the chip missed the first bit; SCK must "
        "idle low");
  }
  phase_ = Phase::kReceiving;
  bits_ = 0;
  shift_ = 0;
  outgoing_.reset();
  driving_ = false;
  strayClockReported_ = false;
  client_.TransferStarted();
}

void SerialLink::Deselect() {
  if (phase_ == Phase::kIdle) return;
  if (bits_ != 0 && phase_ != Phase::kDrained) {
    client_.Violation("SCS rose after " + std::to_string(bits_) + " bits of a byte");
  }
  if (sck_) client_.Violation("SCS rose while SCK was high");
  phase_ = Phase::kIdle;
  driving_ = false;
  outgoing_.reset();
  client_.TransferEnded();
}

void SerialLink::RisingEdge() {
  switch (phase_) {
    case Phase::kReceiving:
      shift_ = static_cast<uint8_t>((shift_ << 1) | (sdio_ ? 1 : 0));
      if (++bits_ == 8) {
        bits_ = 0;
        if (client_.ByteIn(shift_)) phase_ = Phase::kSending;
      }
      return;
    case Phase::kSending:
      if (!outgoing_) {
        phase_ = Phase::kDrained;
        RisingEdge();
        return;
      }
      if (++bits_ == 8) {
        client_.ByteOutTaken(*outgoing_);
        bits_ = 0;
        outgoing_.reset();
        driving_ = false;
      }
      return;
    case Phase::kDrained:
      if (!strayClockReported_) {
        client_.Violation("SCK pulsed after the chip had nothing more to send");
        strayClockReported_ = true;
      }
      return;
    case Phase::kIdle:
      return;
  }
}

void SerialLink::FallingEdge() {
  if (phase_ != Phase::kSending || outgoing_) return;
  outgoing_ = client_.PeekByteOut();
  driving_ = outgoing_.has_value();
}

}  // namespace kitbuilder::simulator
