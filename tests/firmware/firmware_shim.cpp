#include "tests/firmware/firmware_shim.h"

#include <cstdio>
#include <cstdlib>

namespace mcu {
namespace {

PinBus* attachedBus = nullptr;

PinBus& Bus() {
  if (attachedBus == nullptr) {
    // A pin access with no board behind it means a harness bug; nothing sensible can follow.
    std::fputs("firmware touched a pin while no simulated board was attached\n", stderr);
    std::abort();
  }
  return *attachedBus;
}

/// Marks the board's work on one pin access.
class PinAccess {
 public:
  PinAccess() { pinAccessActive = 1; }
  ~PinAccess() { pinAccessActive = 0; }
  PinAccess(const PinAccess&) = delete;
  PinAccess& operator=(const PinAccess&) = delete;
};

}  // namespace

void AttachBus(PinBus* bus) {
  attachedBus = bus;
}

const Port& Port::operator=(int value) const {
  PinAccess access;
  for (int bit = 0; bit < 8; ++bit) Bus().WriteLatch({index_, bit}, ((value >> bit) & 1) != 0);
  return *this;
}

Bit& Bit::operator=(int level) {
  PinAccess access;
  Bus().WriteLatch(pin_, level != 0);
  return *this;
}

Bit::operator int() const {
  PinAccess access;
  return Bus().ReadPin(pin_) ? 1 : 0;
}

}  // namespace mcu
