#include "tests/firmware/firmware_unit.h"

namespace k3960 {

const char* ModeName(Mode mode) {
  switch (mode) {
    case Mode::kTx:
      return "TX";
    case Mode::kRx:
      return "RX";
    case Mode::kTxAck:
      return "TX with ACK";
    case Mode::kRxAck:
      return "RX with ACK";
  }
  return "?";
}

}  // namespace k3960
