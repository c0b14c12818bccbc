#pragma once
// `kitbuilder-cli --check`: the firmware of the settings (or the user's main.c) run on the
// virtual board, the report on standard output, the trace and the JSON report where asked.

#include <ostream>

#include "cli/build_request.h"
#include "cli/check_options.h"
#include "engine/text_store.h"

namespace kitbuilder::cli {

/// 0 when the firmware does what its settings say; 1 when it does not or does not build; 2 when
/// an option cannot be used; 3 when the tools of the check are missing.
int RunCheckCommand(const BuildRequest& request, const CheckOptions& options,
                    const TextStore& store, std::ostream& out, std::ostream& err);

}  // namespace kitbuilder::cli
