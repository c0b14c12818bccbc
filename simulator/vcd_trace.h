#pragma once
// A Value Change Dump of the five radio lines SCS, SCK, SDIO, GIO1 and GIO2 as the radio's pins
// see them, for PulseView, GTKWave or sigrok-cli. An observer of the board: the board does not
// know whether it is traced.

#include <cstdint>
#include <ostream>

#include "simulator/board.h"
#include "simulator/mcu_clock.h"

namespace kitbuilder::simulator {

class VcdTrace : public LineObserver {
 public:
  /// Writes the header at once; times are machine cycles turned into real time by `clock`.
  VcdTrace(std::ostream& out, const McuClock& clock);

  void LinesChanged(const LineLevels& levels, Instant at) override;

 private:
  std::ostream& out_;
  double unitsPerCycle_;  ///< of the timescale
  LineLevels last_{};
  bool started_ = false;
  uint64_t lastTime_ = 0;
};

}  // namespace kitbuilder::simulator
