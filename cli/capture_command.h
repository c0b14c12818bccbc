#pragma once
// `kitbuilder-cli --check-capture FILE`: a logic analyzer's capture of the real board read with
// the board's settings and held against them as the virtual board holds a firmware: the report
// on standard output, the JSON report where --report says.

#include <ostream>

#include "cli/build_request.h"
#include "cli/check_options.h"

namespace kitbuilder::cli {

/// 0 when the board does what its settings say in the whole passes the capture holds; 1 when it
/// does not, or the capture holds no whole pass, or shows a wiring fault; 2 when it cannot be
/// used (it cannot be read, its channels are not mapped, it was sampled too slowly).
int RunCaptureCommand(const BuildRequest& request, const CheckOptions& options, std::ostream& out,
                      std::ostream& err);

}  // namespace kitbuilder::cli
