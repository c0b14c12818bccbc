#pragma once
// The microcontroller as the generated firmware sees it when compiled for the host: the port
// registers P0..P3, `sbit` pin declarations and the `_nop_()` clock. Every pin write and read
// goes to the simulated board that the harness attaches for the duration of a run.

#include <csignal>
#include <cstdint>

namespace mcu {

/// A pin of the microcontroller: port 0..3 and bit 0..7.
struct PinAddress {
  int port = 0;
  int bit = 0;
  constexpr bool operator==(const PinAddress& other) const {
    return port == other.port && bit == other.bit;
  }
};

/// What the pins lead to. An 8051 pin reads low when its latch is 0 or something outside pulls
/// it low; a latch of 1 only lets the pin float high.
class PinBus {
 public:
  virtual ~PinBus() = default;
  virtual void WriteLatch(PinAddress pin, bool level) = 0;
  virtual bool ReadPin(PinAddress pin) = 0;
};

/// Connects the firmware's pins to `bus` until the next call; nullptr disconnects them.
void AttachBus(PinBus* bus);

/// Non-zero while the board serves a pin access. The firmware may be interrupted and left by a
/// jump, but the board's frames must not be jumped over.
inline volatile std::sig_atomic_t pinAccessActive = 0;

/// Simulated time. A `_nop_()` and a pin access each count as one machine cycle; the firmware's
/// own delay loops are counted in no-ops, which is how its timing is checked.
struct Elapsed {
  uint64_t nops = 0;
  uint64_t pinAccesses = 0;
  uint64_t Cycles() const { return nops + pinAccesses; }
};
inline Elapsed elapsed;

/// One port register. Assigning a value writes all eight latches, bit 0 first.
class Port {
 public:
  constexpr explicit Port(int index) : index_(index) {}
  constexpr PinAddress operator^(int bit) const { return {index_, bit}; }
  // The port objects are constants so that `sbit X = P1^1;` is a constant initialisation; the
  // state they stand for lives on the board.
  const Port& operator=(int value) const;

 private:
  int index_;
};

/// A single pin, as declared by `sbit NAME = Pp^b;`. Any non-zero value written sets the latch,
/// as on the real part; reading yields 0 or 1.
class Bit {
 public:
  constexpr Bit(PinAddress pin) : pin_(pin) {}  // NOLINT: `sbit X = P1^1;` converts implicitly
  Bit(const Bit&) = delete;
  Bit& operator=(const Bit&) = delete;
  Bit& operator=(int level);
  operator int() const;  // NOLINT: the firmware tests pins in conditions and comparisons

 private:
  PinAddress pin_;
};

}  // namespace mcu

inline constexpr mcu::Port P0{0};
inline constexpr mcu::Port P1{1};
inline constexpr mcu::Port P2{2};
inline constexpr mcu::Port P3{3};
using sbit = mcu::Bit;

inline void _nop_() {
  ++mcu::elapsed.nops;
}
