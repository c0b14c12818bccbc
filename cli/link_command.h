#pragma once
// `kitbuilder-cli --check --peer PEER.toml`: this board's firmware and the other board's run at
// once on one air, the link's report on standard output, the trace of both boards and the JSON
// report where asked.

#include <ostream>

#include "cli/build_request.h"
#include "cli/check_options.h"
#include "engine/text_store.h"

namespace kitbuilder::cli {

/// 0 when the link works; 1 when it does not or a firmware does not build; 2 when an option
/// cannot be used; 3 when the tools of the check are missing.
int RunLinkCommand(const BuildRequest& request, const GenerationSettings& peer,
                   const CheckOptions& options, const TextStore& store, std::ostream& out,
                   std::ostream& err);

}  // namespace kitbuilder::cli
