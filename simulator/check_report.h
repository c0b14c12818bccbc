#pragma once
// The report of a check for a person: the start-up, each pass with what the firmware did and
// what went over the air, in milliseconds on the board and in machine cycles, and the verdict.
// And the same report as JSON for scripts and CI.

#include <ostream>

#include "simulator/virtual_board.h"

namespace kitbuilder::simulator {

/// The verdict line of a firmware that passed.
inline constexpr const char* kAsTheSettingsSayVerdict = "The firmware does what its settings say.";

void WriteTextReport(const CheckRun& check, const McuClock& clock, std::ostream& out);

void WriteJsonReport(const CheckRun& check, const McuClock& clock, std::ostream& out);

}  // namespace kitbuilder::simulator
