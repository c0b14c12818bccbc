#pragma once
// `kitbuilder-cli --check-capture FILE`: a logic analyzer's capture of the real board read with
// the board's settings; for now the decoded bus and the verdicts on the sample rate and the
// wiring on standard output.

#include <ostream>

#include "cli/build_request.h"
#include "cli/check_options.h"

namespace kitbuilder::cli {

/// 0 when the capture was decoded; 1 when it shows a wiring fault; 2 when it cannot be used (it
/// cannot be read, its channels are not mapped, it was sampled too slowly).
int RunCaptureCommand(const BuildRequest& request, const CheckOptions& options, std::ostream& out,
                      std::ostream& err);

}  // namespace kitbuilder::cli
