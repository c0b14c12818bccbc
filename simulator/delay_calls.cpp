#include "simulator/delay_calls.h"

#include <cmath>
#include <cstdio>
#include <optional>

namespace kitbuilder::simulator {
namespace {

constexpr const char* kDelay1ms = "_Delay1ms";
constexpr const char* kDelay100usWtr = "_Delay100us_WTR";
constexpr double kTolerance = 0.02;
// The hit at an entry comes after the LCALL, the one at a RET before it; both take two cycles.
constexpr uint64_t kCallAndReturnCycles = 4;

std::optional<uint32_t> Entry(const LinkMap& map, const char* symbol) {
  const auto found = map.symbols.find(symbol);
  if (found == map.symbols.end()) return std::nullopt;
  return found->second;
}

// Whether the ACK ended the wait of the pass in which `cycle` falls.
bool AckEndedWaitAt(const std::vector<PassReport>& passes, uint64_t cycle) {
  for (size_t p = passes.size(); p-- > 0;) {
    if (passes[p].startCycle <= cycle) return passes[p].ackEndedWait;
  }
  return false;
}

}  // namespace

std::string DelayCall::Name() const {
  return std::string(routine == Routine::kDelay1ms ? "Delay1ms" : "Delay100us_WTR") + "(" +
         std::to_string(argument) + ")";
}

double DelayCall::AskedMilliseconds() const {
  return routine == Routine::kDelay1ms ? argument : argument / 10.0;
}

std::vector<uint32_t> DelayRoutineEntries(const LinkMap& map) {
  std::vector<uint32_t> entries;
  for (const char* symbol : {kDelay1ms, kDelay100usWtr}) {
    if (const auto entry = Entry(map, symbol)) entries.push_back(*entry);
  }
  return entries;
}

std::vector<DelayCall> DelayCallsIn(const std::vector<CodeHit>& hits, const LinkMap& map,
                                    const std::vector<PassReport>& passes) {
  const std::optional<uint32_t> milliseconds = Entry(map, kDelay1ms);
  std::vector<DelayCall> calls;
  const CodeHit* entered = nullptr;
  for (const CodeHit& hit : hits) {
    if (!hit.leaving) {
      entered = &hit;
      continue;
    }
    if (entered == nullptr || entered->function != hit.function) continue;
    DelayCall call;
    call.routine = milliseconds && hit.function == *milliseconds
                       ? DelayCall::Routine::kDelay1ms
                       : DelayCall::Routine::kDelay100usWtr;
    call.argument = entered->dpl;
    call.cycles = hit.cycle - entered->cycle + kCallAndReturnCycles;
    const bool whole =
        call.routine == DelayCall::Routine::kDelay1ms || !AckEndedWaitAt(passes, entered->cycle);
    if (whole) calls.push_back(call);
    entered = nullptr;
  }
  return calls;
}

std::vector<DelayCall> DistinctCalls(const std::vector<DelayCall>& calls) {
  std::vector<DelayCall> distinct;
  for (const DelayCall& call : calls) {
    bool seen = false;
    for (const DelayCall& kept : distinct) {
      seen = seen || (kept.routine == call.routine && kept.argument == call.argument);
    }
    if (!seen) distinct.push_back(call);
  }
  return distinct;
}

std::string DelayProblem(const DelayCall& call, const McuClock& clock) {
  const double asked = call.AskedMilliseconds();
  const double measured = BoardMilliseconds(clock, call.cycles);
  if (asked <= 0 || std::fabs(measured - asked) <= kTolerance * asked) return "";
  char text[160];
  std::snprintf(text, sizeof text, "%s takes %.3f ms; the settings ask %g ms (%+.1f%%)",
                call.Name().c_str(), measured, asked, 100.0 * (measured - asked) / asked);
  return text;
}

}  // namespace kitbuilder::simulator
