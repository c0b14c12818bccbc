#include "simulator/mcu/board.h"

#include "simulator/mcu/run_result.h"

namespace kitbuilder::simulator {

Board::Board(RadioModel& chip, const Wiring& wiring) : chip_(chip), wiring_(wiring) {
  for (auto& port : latches_) port.fill(true);
}

void Board::WriteLatchAt(Pin pin, bool level, Instant at) {
  latches_[pin.port][pin.bit] = level;
  if (!latchesAtFirstSelect_ && !level && pin == wiring_[static_cast<int>(ChipLine::kScs)]) {
    LineLevels lines;
    for (int line = 0; line < kChipLineCount; ++line) lines[line] = Latch(wiring_[line]);
    latchesAtFirstSelect_ = lines;
  }
  Settle(at);
}

uint8_t Board::OutsideLevels(int port, Instant at) {
  chip_.AdvanceTo(at);
  Settle(at);
  const Pin sdio = wiring_[static_cast<int>(ChipLine::kSdio)];
  if (!sdioHeldLow_ && sdio.port == port && !Latch(sdio)) {
    if (const auto address = chip_.AnsweringOnSdio()) {
      sdioHeldLow_ =
          Finding{at,
                  "the microcontroller drives SDIO low while the radio answers the "
                  "read of register " +
                      HexBytes({*address}).insert(0, "0x") + ": every 3-wire read returns 0"};
    }
  }
  return PinLevels(port);
}

std::optional<Board::DataForecast> Board::ForecastData() const {
  const auto chip = chip_.ForecastData();
  if (!chip) return std::nullopt;
  for (int line = 0; line < kChipLineCount; ++line) {
    for (int other = line + 1; other < kChipLineCount; ++other) {
      if (wiring_[line] == wiring_[other]) return std::nullopt;
    }
  }
  const Pin pin = wiring_[static_cast<int>(chip->line)];
  // The next write that sets SCK must be a rising edge.
  if (!Latch(pin) || Latch(wiring_[static_cast<int>(ChipLine::kSck)])) return std::nullopt;
  return DataForecast{pin, chip->levels, chip_.OutputsBesideTheLinkSteadyUntil()};
}

uint8_t Board::PinLevels(int port) const {
  uint8_t levels = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (!PulledLow({port, bit})) levels = static_cast<uint8_t>(levels | 1 << bit);
  }
  return levels;
}

uint8_t Board::PortLatch(int port) const {
  uint8_t value = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (latches_[port][bit]) value = static_cast<uint8_t>(value | 1 << bit);
  }
  return value;
}

bool Board::PulledLow(Pin pin) const {
  for (int line = 0; line < kChipLineCount; ++line) {
    if (wiring_[line] == pin && chip_.PullsLow(static_cast<ChipLine>(line))) return true;
  }
  return false;
}

bool Board::WireLevel(Pin pin) const {
  return latches_[pin.port][pin.bit] && !PulledLow(pin);
}

LineLevels Board::ChipSideLevels() const {
  LineLevels levels;
  for (int line = 0; line < kChipLineCount; ++line) levels[line] = WireLevel(wiring_[line]);
  return levels;
}

void Board::Settle(Instant at) {
  // The chip reacting to its inputs can change its outputs, which on a miswired board are its
  // inputs again; a handful of rounds settles any real circuit.
  LineLevels levels = ChipSideLevels();
  for (int round = 0; round < 8; ++round) {
    chip_.Sense(levels, at);
    const LineLevels next = ChipSideLevels();
    if (next == levels) {
      Report(levels, at);
      return;
    }
    levels = next;
  }
  throw FirmwareStuck{"the chip's lines do not settle: an output drives one of its own inputs"};
}

void Board::Report(const LineLevels& levels, Instant at) {
  if (observer_ == nullptr || (reportedOnce_ && levels == reported_)) return;
  reported_ = levels;
  reportedOnce_ = true;
  observer_->LinesChanged(levels, at);
}

}  // namespace kitbuilder::simulator
