#pragma once
// The calls of the firmware's two delay routines as the run saw them, each measured from its
// LCALL to the instruction after it, and held against the time the settings ask of it: n ms for
// Delay1ms(n), n x 100 us for a Delay100us_WTR(n) that no WTR ended.

#include <cstdint>
#include <string>
#include <vector>

#include "simulator/firmware/sdcc_build.h"
#include "simulator/firmware_check.h"
#include "simulator/mcu/s51_driver.h"
#include "simulator/radio/mcu_clock.h"

namespace kitbuilder::simulator {

struct DelayCall {
  enum class Routine { kDelay1ms, kDelay100usWtr };
  Routine routine = Routine::kDelay1ms;
  int argument = 0;
  uint64_t cycles = 0;
  /// "Delay1ms(10)", "Delay100us_WTR(40)".
  std::string Name() const;
  double AskedMilliseconds() const;
};

/// The entries of the delay routines in `map`, for the run to watch.
std::vector<uint32_t> DelayRoutineEntries(const LinkMap& map);

/// The calls in `hits` that ran their whole length, in order: every Delay1ms, and each
/// Delay100us_WTR in a pass whose ACK did not end the wait.
std::vector<DelayCall> DelayCallsIn(const std::vector<CodeHit>& hits, const LinkMap& map,
                                    const std::vector<PassReport>& passes);

/// The first call of each routine and argument, in the order they came.
std::vector<DelayCall> DistinctCalls(const std::vector<DelayCall>& calls);

/// A call that is more than 2% off what the settings ask, as a problem; "" when it is not.
std::string DelayProblem(const DelayCall& call, const McuClock& clock);

}  // namespace kitbuilder::simulator
