#pragma once
// The serial bus read back from the lines of a capture: SCS low frames a transfer, a bit is
// taken on every rising SCK edge, most significant first; the first byte says strobe, write or
// read, and in a read's data phase the bits come from the line the chip answers on. The result
// is the radio model's kind of transcript, so that a capture is judged as the virtual board is,
// with the edges of WTR beside it.

#include <optional>
#include <vector>

#include "simulator/capture/line_change.h"
#include "simulator/radio/mcu_clock.h"
#include "simulator/radio/transcript.h"

namespace kitbuilder::simulator {

/// Where the chip answers reads and which GIO line is WTR, as the board is wired.
struct BusWiring {
  ChipLine answer = ChipLine::kSdio;  ///< SDIO with 3 wires; with 4 the GIO line that is not WTR
  ChipLine wtr = ChipLine::kGio1;
};

struct WtrEdge {
  bool high = false;  ///< WTR rose
  Instant at;
};

/// The bus as the capture shows it. Times are machine cycles of the board's clock counted from
/// the capture's first sample, as the virtual board counts them from reset.
struct CapturedBus {
  std::vector<Transfer> transfers;  ///< whole transfers only, polls kept as one record
  /// For each of `transfers`: WTR was high as SCS fell (for a record of polls, at any of them).
  /// A change of WTR in the same sample as SCS's fall counts as before it.
  std::vector<bool> wtrHighAtStart;
  std::vector<WtrEdge> wtrEdges;
  /// Breaches of the framing, such as SCS rising inside a byte.
  std::vector<Finding> findings;
  /// The capture began with SCS low: the transfer under way was left out.
  bool beginsInsideTransfer = false;
  /// The first whole transfer is the reset, the write of MODE_REG: the start-up is in it.
  bool startupPresent = false;
  /// The capture ended with SCS low: that transfer, this many bits into it, was left out.
  std::optional<int> endsInsideTransferAfterBits;
  /// The capture's last sample, and WTR's level there.
  Instant end;
  bool wtrHighAtEnd = false;
  /// That transfer as far as its control byte tells, when the capture holds the byte: what the
  /// board began, and whether WTR was high as it did.
  std::optional<Transfer> unfinished;
  bool unfinishedWtrHigh = false;
};

class BusDecoder : public CaptureObserver {
 public:
  BusDecoder(const BusWiring& wiring, const McuClock& clock);

  void CaptureBegins(const CaptureStart& start) override;
  void LinesChanged(const LineChange& change) override;
  void CaptureEnds(uint64_t samples) override;

  const CapturedBus& bus() const { return bus_; }

 private:
  void Select(Instant at, bool wtrHigh);
  void Deselect(Instant at);
  void RisingEdge();
  bool InReadData() const;
  /// The transfer under way, from its control byte on; its end is its start.
  Transfer Begun() const;

  BusWiring wiring_;
  double cycleNanoseconds_;
  uint64_t samplerate_ = 0;
  CapturedBus bus_;
  LineLevels levels_{};    ///< before the change at hand
  bool skipping_ = false;  ///< inside the transfer the capture began in
  bool selected_ = false;
  Instant start_;
  bool wtrHighAtSelect_ = false;
  std::vector<uint8_t> bytes_;
  uint8_t shift_ = 0;
  int bits_ = 0;
};

}  // namespace kitbuilder::simulator
