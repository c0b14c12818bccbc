#pragma once
// The simulated board: the microcontroller's 32 port latches and the wires from its pins to the
// radio's five lines, open-drain: a wire is high unless a latch or the radio pulls it low. Every
// latch write lets the radio see the new wire levels; every read of the pins first lets time pass
// on the radio. The time comes from whoever runs the firmware.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "simulator/radio/radio_model.h"
#include "simulator/verdict/firmware_settings.h"

namespace kitbuilder::simulator {

/// Which microcontroller pin each radio line (in ChipLine order) is wired to. Two lines on one
/// pin is a wiring fault that the board reproduces faithfully.
using Wiring = std::array<Pin, kChipLineCount>;

/// Told of every change of the five lines as the radio's pins see them, in ChipLine order.
class LineObserver {
 public:
  virtual ~LineObserver() = default;
  virtual void LinesChanged(const LineLevels& levels, Instant at) = 0;
};

class Board {
 public:
  Board(RadioModel& chip, const Wiring& wiring);

  /// `observer` (may be null) is told of line changes from now on.
  void Observe(LineObserver* observer) { observer_ = observer; }

  void WriteLatchAt(Pin pin, bool level, Instant at);
  /// What the outside drives on the eight pins of `port` at `at`: 0 where a chip line wired to
  /// the pin pulls it low, 1 where nothing does.
  uint8_t OutsideLevels(int port, Instant at);
  /// The same as the chip drives them now, with no time passing.
  uint8_t PinLevels(int port) const;
  /// Until this cycle no pin's outside level can change unless a latch does.
  uint64_t SteadyUntil() const { return chip_.OutputsSteadyUntil(); }

  /// The pin the chip answers a read on and the levels it takes after each of the coming rising
  /// edges of SCK, while no other latch moves; until `steadyUntil` nothing else the chip drives
  /// changes. Nothing when the chip is not answering, SCK is high, or the wires would mix the
  /// answer with another line or a low latch.
  struct DataForecast {
    Pin pin;
    std::vector<bool> levels;
    uint64_t steadyUntil = 0;
  };
  std::optional<DataForecast> ForecastData() const;
  const Wiring& wiring() const { return wiring_; }

  bool Latch(Pin pin) const { return latches_[pin.port][pin.bit]; }
  uint8_t PortLatch(int port) const;

  /// The latches of the five radio lines' pins when SCS first went low: how the firmware set
  /// its pins up before its first transfer.
  const std::optional<LineLevels>& latchesAtFirstSelect() const { return latchesAtFirstSelect_; }
  /// A fight on a wire: the microcontroller holds SDIO low while the radio answers on it. Only
  /// the first is kept; it repeats on every read.
  const std::optional<Finding>& sdioHeldLow() const { return sdioHeldLow_; }

 private:
  bool PulledLow(Pin pin) const;
  bool WireLevel(Pin pin) const;
  LineLevels ChipSideLevels() const;
  void Settle(Instant at);
  void Report(const LineLevels& levels, Instant at);

  RadioModel& chip_;
  Wiring wiring_;
  // An 8051 leaves reset with every latch at 1.
  std::array<std::array<bool, 8>, 4> latches_;
  std::optional<LineLevels> latchesAtFirstSelect_;
  LineObserver* observer_ = nullptr;
  LineLevels reported_{};
  bool reportedOnce_ = false;
  std::optional<Finding> sdioHeldLow_;
};

}  // namespace kitbuilder::simulator
