#include "simulator/capture/bus_decoder.h"

#include <string>

#include "simulator/radio/radio_registers.h"

namespace kitbuilder::simulator {

BusDecoder::BusDecoder(const BusWiring& wiring, const McuClock& clock)
    : wiring_(wiring), cycleNanoseconds_(CycleNanoseconds(clock)) {}

void BusDecoder::CaptureBegins(const CaptureStart& start) {
  samplerate_ = start.samplerate;
  levels_ = start.levels;
  skipping_ = !Level(start.levels, ChipLine::kScs);
  bus_.beginsInsideTransfer = skipping_;
}

void BusDecoder::LinesChanged(const LineChange& change) {
  const Instant at{NearestCycle(static_cast<double>(change.nanoseconds), cycleNanoseconds_)};
  // SCS before SCK, as the chip takes them when both move at once.
  if ((change.changed & LineBit(ChipLine::kScs)).any()) {
    if (Level(change.levels, ChipLine::kScs)) {
      Deselect(at);
    } else {
      Select(at, Level(change.levels, wiring_.wtr));
    }
  }
  if ((change.changed & LineBit(ChipLine::kSck)).any() && Level(change.levels, ChipLine::kSck) &&
      selected_) {
    RisingEdge();
  }
  if ((change.changed & LineBit(wiring_.wtr)).any()) {
    bus_.wtrEdges.push_back({Level(change.levels, wiring_.wtr), at});
  }
  levels_ = change.levels;
}

void BusDecoder::CaptureEnds(uint64_t samples) {
  const double nanoseconds =
      static_cast<double>(samples - 1) * 1e9 / static_cast<double>(samplerate_);
  bus_.end = Instant{NearestCycle(nanoseconds, cycleNanoseconds_)};
  bus_.wtrHighAtEnd = Level(levels_, wiring_.wtr);
  if (selected_) {
    bus_.endsInsideTransferAfterBits = static_cast<int>(bytes_.size()) * 8 + bits_;
    if (!bytes_.empty()) {
      bus_.unfinished = Begun();
      bus_.unfinishedWtrHigh = wtrHighAtSelect_;
    }
  } else if (skipping_) {
    bus_.endsInsideTransferAfterBits = 0;  // SCS low throughout: no bit of it is known
  }
}

void BusDecoder::Select(Instant at, bool wtrHigh) {
  selected_ = true;
  start_ = at;
  wtrHighAtSelect_ = wtrHigh;
  bytes_.clear();
  shift_ = 0;
  bits_ = 0;
}

void BusDecoder::Deselect(Instant at) {
  if (skipping_) {
    skipping_ = false;
    return;
  }
  if (!selected_) return;
  selected_ = false;
  if (bits_ != 0) {
    bus_.findings.push_back({at, "SCS rose after " + std::to_string(bits_) + " bits of a byte"});
  }
  if (bytes_.empty()) return;
  Transfer transfer = Begun();
  transfer.end = at;
  std::vector<Transfer>& transfers = bus_.transfers;
  if (transfers.empty()) {
    bus_.startupPresent = transfer.kind == Transfer::Kind::kWrite && transfer.target == kModeReg;
  } else if (RepeatsPoll(transfers.back(), transfer)) {
    ++transfers.back().polls;
    transfers.back().data = transfer.data;
    transfers.back().end = transfer.end;
    if (wtrHighAtSelect_) bus_.wtrHighAtStart.back() = true;
    return;
  }
  transfers.push_back(std::move(transfer));
  bus_.wtrHighAtStart.push_back(wtrHighAtSelect_);
}

Transfer BusDecoder::Begun() const {
  Transfer transfer;
  const uint8_t control = bytes_.front();
  if ((control & kControlStrobe) != 0) {
    transfer.kind = Transfer::Kind::kStrobe;
    transfer.target = control;
  } else {
    transfer.kind = (control & kControlRead) != 0 ? Transfer::Kind::kRead : Transfer::Kind::kWrite;
    transfer.target = control & kControlAddress;
  }
  transfer.data.assign(bytes_.begin() + 1, bytes_.end());
  transfer.start = start_;
  transfer.end = start_;
  return transfer;
}

bool BusDecoder::InReadData() const {
  if (bytes_.empty()) return false;
  return (bytes_.front() & (kControlStrobe | kControlRead)) == kControlRead;
}

// The bit is the data line's level in the sample before the edge: the microcontroller reads it
// before it raises SCK, and the chip may let go of its answer as SCK rises.
void BusDecoder::RisingEdge() {
  const ChipLine data = InReadData() ? wiring_.answer : ChipLine::kSdio;
  shift_ = static_cast<uint8_t>((shift_ << 1) | (Level(levels_, data) ? 1 : 0));
  if (++bits_ < 8) return;
  bytes_.push_back(shift_);
  shift_ = 0;
  bits_ = 0;
}

}  // namespace kitbuilder::simulator
