#pragma once
// What a check run from the command line hands back besides its text report: the exit status
// of a check that could not run, the trace it writes while it runs and the JSON report after.

#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "cli/check_options.h"

namespace kitbuilder::cli {

/// How far a check got before it could report.
enum class CheckStart { kRan, kToolsMissing, kCannotRun, kBuildFailed };

/// The exit status of a check that did not get to run, with `message` on `err`; nothing when
/// it ran.
std::optional<int> NotRunStatus(CheckStart start, const std::string& message, std::ostream& err);

/// Opens the file --trace names, if it names one; false with the reason on `err`.
bool OpenTrace(const CheckOptions& options, std::ofstream* trace, std::ostream& err);

/// Writes the JSON report with `write` where --report names and makes sure the trace is whole;
/// the exit status of a report that could not be written, else `status`.
int FinishOutputs(const CheckOptions& options, std::ofstream& trace,
                  const std::function<void(std::ostream&)>& write, int status, std::ostream& err);

}  // namespace kitbuilder::cli
