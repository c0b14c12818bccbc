#pragma once
// Whether the window has a display to open on, asked before the toolkit starts so that a
// headless start gets one clear line instead of a toolkit abort.

#include <string>

namespace kitbuilder::ui {

/// Empty when a display (or an explicit Qt platform) is set in the environment; otherwise the
/// line to print, which points to the command-line builder.
std::string MissingDisplayMessage();

}  // namespace kitbuilder::ui
