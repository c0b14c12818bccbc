#pragma once
// A Value Change Dump of the five radio lines SCS, SCK, SDIO, GIO1 and GIO2 as the radio's pins
// see them, for PulseView, GTKWave or sigrok-cli: in the scope `board`, and for a link check the
// peer's lines in the scope `peer` on the same time axis. An observer of the board: the board
// does not know whether it is traced.

#include <cstdint>
#include <optional>
#include <ostream>

#include "simulator/mcu/board.h"
#include "simulator/radio/mcu_clock.h"

namespace kitbuilder::simulator {

class VcdTrace : public LineObserver {
 public:
  /// Writes the header at once; times are machine cycles turned into real time by `clock`.
  VcdTrace(std::ostream& out, const McuClock& clock);
  /// The same for two boards, each with its clock; peer() observes the second.
  VcdTrace(std::ostream& out, const McuClock& board, const McuClock& peer);

  void LinesChanged(const LineLevels& levels, Instant at) override;
  LineObserver* peer() { return peer_ ? &*peer_ : nullptr; }

 private:
  class Scope : public LineObserver {
   public:
    Scope(VcdTrace& trace, int index, double unitsPerCycle)
        : trace_(trace), index_(index), unitsPerCycle_(unitsPerCycle) {}
    void LinesChanged(const LineLevels& levels, Instant at) override;

   private:
    VcdTrace& trace_;
    int index_;
    double unitsPerCycle_;  ///< of the timescale
    LineLevels last_{};
    bool started_ = false;
  };

  void WriteHeader(const char* timescale, int scopes);
  /// Moves the time on to `time`, or keeps it where it is: the two boards' changes come in the
  /// order they are served, which may put one a cycle before the other's last.
  void At(uint64_t time);

  std::ostream& out_;
  std::optional<Scope> board_;
  std::optional<Scope> peer_;
  bool started_ = false;
  bool dumped_ = false;
  uint64_t lastTime_ = 0;
};

}  // namespace kitbuilder::simulator
