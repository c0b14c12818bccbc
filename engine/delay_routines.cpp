#include "engine/delay_routines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kitbuilder {
namespace {

constexpr int32_t kMaxCount = 255;  // an 8-bit loop counter
constexpr int32_t kMaxNops = 8;
constexpr int32_t kLongestCall = 255;

// The worst relative error of an affine cycle count over n = 1..255; since the count is affine
// in n, the worst is at one of the ends.
template <typename Loop>
double WorstError(const Loop& loop, double cyclesPerUnit) {
  double worst = 0.0;
  for (const int32_t n : {1, kLongestCall}) {
    const double nominal = n * cyclesPerUnit;
    worst = std::max(worst, std::fabs(static_cast<double>(loop.Cycles(n)) - nominal) / nominal);
  }
  return worst;
}

int32_t Clamp(double value, int32_t low, int32_t high) {
  return static_cast<int32_t>(std::clamp(std::lround(value), long{low}, long{high}));
}

// Lines end in CR LF like the stored texts around them.
std::string Line(const std::string& text) {
  return text + "\r\n";
}

std::string Lines(std::initializer_list<std::string> texts) {
  std::string lines;
  for (const std::string& text : texts) lines += Line(text);
  return lines;
}

std::string Nops(int32_t count, const std::string& indent) {
  std::string lines;
  for (int32_t i = 0; i < count; ++i) lines += Line(indent + "_nop_();");
  return lines;
}

std::string ClockText(const McuClock& clock) {
  char text[64];
  std::snprintf(text, sizeof text, "FOR AN 8051 AT %.6g MHZ, %d CLOCKS PER MACHINE CYCLE",
                clock.megahertz, static_cast<int>(clock.clocksPerCycle));
  return text;
}

// "//", the title centred in 66 columns, "//", as the stored banners are laid out.
std::string BannerLine(const std::string& title) {
  constexpr std::size_t kWidth = 66;
  const std::size_t left = (kWidth - std::min(title.size(), kWidth)) / 2;
  std::string middle = std::string(left, ' ') + title;
  middle.resize(std::max(middle.size(), kWidth), ' ');
  return Line("//" + middle + "//");
}

std::string Banner(const std::string& title, const McuClock& clock) {
  const std::string rule = Line("//" + std::string(66, '!') + "//");
  return rule + BannerLine(title) + BannerLine(ClockText(clock)) + rule;
}

std::string Count(int32_t value) {
  return std::to_string(value);
}

// Where a stored routine begins (its banner, four lines above the definition) and ends (after
// its closing brace at column 0); npos when `text` does not hold it.
std::pair<std::size_t, std::size_t> RoutineSpan(std::string_view text,
                                                std::string_view definition) {
  const std::size_t body = text.find(definition);
  if (body == std::string_view::npos) return {body, body};
  std::size_t start = body;
  for (int line = 0; line < 4 && start > 0; ++line) {
    start = text.rfind('\n', start - 2);
    start = start == std::string_view::npos ? 0 : start + 1;
  }
  const std::size_t close = text.find("\r\n}\r\n", body);
  if (close == std::string_view::npos) return {std::string_view::npos, std::string_view::npos};
  return {start, close + 5};
}

// Passes of `iteration` cycles and NOPs after them that come closest to `cycles`: at least one
// pass, at most 255, and fewer NOPs than a pass takes.
std::pair<int32_t, int32_t> PassesAndNops(double cycles, int32_t iteration) {
  const int32_t passes =
      std::clamp(static_cast<int32_t>(std::floor(cycles / iteration)), 1, kMaxCount);
  const int32_t nops = Clamp(cycles - passes * iteration, 0, iteration);
  if (nops == iteration && passes < kMaxCount) return {passes + 1, 0};
  return {passes, std::min(nops, iteration - 1)};
}

void Replace(std::string* text, std::string_view definition, const std::string& routine) {
  const auto [start, end] = RoutineSpan(*text, definition);
  if (start != std::string_view::npos) text->replace(start, end - start, routine);
}

}  // namespace

double CyclesIn(const McuClock& clock, double microseconds) {
  return microseconds * clock.megahertz / clock.clocksPerCycle;
}

int64_t MillisecondLoop::Cycles(int32_t n) const {
  return 12 + int64_t{n} * (9 + int64_t{outer} * (3 + int64_t{inner} * (nops + 2)));
}

int64_t WaitLoop::Cycles(int32_t n) const {
  if (n == 0) return 13 + padding;
  return 13 + padding + int64_t{n} * (11 + tail) +
         (first + int64_t{n - 1} * inner) * int64_t{4 + nops};
}

MillisecondLoop MillisecondLoopFor(const McuClock& clock) {
  const double perMs = CyclesIn(clock, 1000.0);
  MillisecondLoop best{2, 2, 0};
  double bestError = WorstError(best, perMs);
  // Loops of one pass would let SDCC drop the counter, and the cycle count with it.
  for (int32_t nops = 0; nops <= kMaxNops; ++nops) {
    for (int32_t outer = 2; outer <= kMaxCount; ++outer) {
      // The call's 12 cycles are spread over the range: aim each unit 6 cycles short.
      const double inner = ((perMs - 6 - 9) / outer - 3) / (nops + 2);
      for (const int32_t guess : {Clamp(inner, 2, kMaxCount), Clamp(inner + 1, 2, kMaxCount)}) {
        const MillisecondLoop loop{outer, guess, nops};
        const double error = WorstError(loop, perMs);
        if (error < bestError - 1e-12) {
          best = loop;
          bestError = error;
        }
      }
    }
  }
  return best;
}

WaitLoop WaitLoopFor(const McuClock& clock) {
  const double perUnit = CyclesIn(clock, 100.0);
  WaitLoop best{0, 1, 1, 0, 0};
  double bestError = WorstError(best, perUnit);
  for (int32_t nops = 0; nops <= kMaxNops; ++nops) {
    const int32_t iteration = 4 + nops;
    // Whole passes, then NOPs to the cycle; the first unit runs fewer passes, since it also
    // pays for the call, and is padded to the cycle too.
    const auto [inner, tail] = PassesAndNops(perUnit - 11, iteration);
    const auto [first, padding] = PassesAndNops(perUnit - 24 - tail, iteration);
    const WaitLoop loop{padding, first, inner, nops, tail};
    const double error = WorstError(loop, perUnit);
    if (error < bestError - 1e-12) {
      best = loop;
      bestError = error;
    }
  }
  return best;
}

std::string Delay1msRoutine(const McuClock& clock) {
  const MillisecondLoop loop = MillisecondLoopFor(clock);
  return Banner("DELAY 1MS FUNCTION", clock) +
         Lines({"void Delay1ms(Uint8 n)", "{", "    Uint8 i, j;", "", "    while(n--)", "    {",
                "        j = " + Count(loop.outer) + ";", "        do", "        {",
                "            i = " + Count(loop.inner) + ";", "            do", "            {"}) +
         Nops(loop.nops, "                ") +
         Lines({"            } while(--i);", "        } while(--j);", "    }", "}"});
}

std::string Delay100usWtrRoutine(const McuClock& clock) {
  const WaitLoop loop = WaitLoopFor(clock);
  return Banner("DELAY 100US WITH WTR FUNCTION", clock) +
         Lines({"void Delay100us_WTR(Uint8 n)", "{", "    Uint8 i;", ""}) +
         Nops(loop.padding, "    ") +
         Lines({"    i = " + Count(loop.first) + ";    // the first 100us also pays for the call",
                "    while(n--)", "    {", "        do", "        {", "            if(RF_WTR == 0)",
                "                return;"}) +
         Nops(loop.nops, "            ") +
         Lines({"        } while(--i);", "        i = " + Count(loop.inner) + ";"}) +
         Nops(loop.tail, "        ") + Lines({"    }", "}"});
}

std::string WithDelaysFor(std::string_view sdccMainProgram, const McuClock& clock) {
  std::string text(sdccMainProgram);
  Replace(&text, "void Delay1ms(Uint8 n)\r\n{", Delay1msRoutine(clock));
  Replace(&text, "void Delay100us_WTR(Uint8 n)\r\n{", Delay100usWtrRoutine(clock));
  return text;
}

}  // namespace kitbuilder
