#pragma once
// The report of a check for a person: the start-up, each pass with what the firmware did and
// what went over the air, in milliseconds on the board and in machine cycles, and the verdict.
// And the same report as JSON for scripts and CI. The link check's reports put the two boards'
// passes side by side, on the common clock.

#include <ostream>
#include <string>

#include "simulator/link_check.h"
#include "simulator/virtual_board.h"

namespace kitbuilder::simulator {

/// The verdict line of a firmware that passed.
inline constexpr const char* kAsTheSettingsSayVerdict = "The firmware does what its settings say.";

void WriteTextReport(const CheckRun& check, const McuClock& clock, std::ostream& out);

void WriteJsonReport(const CheckRun& check, const McuClock& clock, std::ostream& out);

/// "The link works: 3 of 3 packets delivered, 3 of 3 ACKs received." or, for a link that does
/// not work, "The link does not work (...):" with the counts.
std::string LinkVerdict(const LinkRun& link);

void WriteLinkTextReport(const LinkRun& link, std::ostream& out);

/// The link's verdict and counts, and "board" and "peer" each in the layout of a single check.
void WriteLinkJsonReport(const LinkRun& link, std::ostream& out);

}  // namespace kitbuilder::simulator
