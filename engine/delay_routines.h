#pragma once
// The SDCC output's two delay routines, computed for the microcontroller's clock, so that
// Delay1ms(n) takes n ms and Delay100us_WTR(n), when no ACK comes, n x 100 us. The stored
// routines assume one clock and ask the user to tune their loop counts by hand; these take the
// counts from the cycle count of the code SDCC makes of them, counted from the start of the
// LCALL to the instruction after it, on a core that takes 12 or 6 clocks per machine cycle:
//
//   Delay1ms(n)        12 + n (9 + J (3 + I (K + 2)))           J, I loop counts, K NOPs
//   Delay100us_WTR(n)  13 + P + n (11 + Q) + (F + (n - 1) I) (4 + K)             for n >= 1
//
// where Q NOPs end each 100 us to the cycle, and P NOPs with the shorter first count F make up
// for the call's own cycles, so that even Delay100us_WTR(1) is within a cycle of 100 us.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/generation_settings.h"

namespace kitbuilder {

/// Machine cycles in `microseconds` at `clock`.
double CyclesIn(const McuClock& clock, double microseconds);

/// The loop counts of Delay1ms.
struct MillisecondLoop {
  int32_t outer = 0;  ///< J
  int32_t inner = 0;  ///< I
  int32_t nops = 0;   ///< K
  /// Machine cycles of Delay1ms(n), call included.
  int64_t Cycles(int32_t n) const;
};

/// The loop counts of Delay100us_WTR.
struct WaitLoop {
  int32_t padding = 0;  ///< P
  int32_t first = 1;    ///< F
  int32_t inner = 1;    ///< I
  int32_t nops = 0;     ///< K
  int32_t tail = 0;     ///< Q
  /// Machine cycles of Delay100us_WTR(n) when WTR never ends it, call included.
  int64_t Cycles(int32_t n) const;
};

/// The counts whose worst relative error over n = 1..255 is the smallest at `clock`.
MillisecondLoop MillisecondLoopFor(const McuClock& clock);
WaitLoop WaitLoopFor(const McuClock& clock);

/// The routines' texts, CR LF, with a banner that names the clock.
std::string Delay1msRoutine(const McuClock& clock);
std::string Delay100usWtrRoutine(const McuClock& clock);

/// `sdccMainProgram` with the stored delay routines it holds replaced by those for `clock`.
std::string WithDelaysFor(std::string_view sdccMainProgram, const McuClock& clock);

}  // namespace kitbuilder
