#pragma once
// The two questions the window answers without opening: --help and --version. They are answered
// before the display check, so that help2man, packaging scripts and bug reports get them on a
// machine without a display.

#include <optional>
#include <string>

namespace kitbuilder::ui {

/// The text to print for a command line that holds --help or --version (the first of them
/// wins); nothing for any other command line, which goes on to Qt as it is.
std::optional<std::string> HelpOrVersionText(int argc, const char* const* argv);

}  // namespace kitbuilder::ui
