#include "ui/help_and_version.h"

#include <string_view>

#include "engine/version.h"

namespace kitbuilder::ui {

std::optional<std::string> HelpOrVersionText(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--version") return std::string("kitbuilder ") + kVersion + "\n";
    if (argument == "--help") {
      return "Usage: kitbuilder [OPTION]\n"
             "Opens the Kitbuilder window: one form of settings for a K3960 2.4 GHz radio on an\n"
             "8051 board, which writes the sample firmware main.c, define.h and K3960reg.h into\n"
             "an output directory.\n"
             "\n"
             "Options:\n"
             "  --help     print this help and exit\n"
             "  --version  print the version and exit\n"
             "\n"
             "The window needs a display. Without one, kitbuilder-cli writes the same files from\n"
             "the same settings given as options or a settings file; see kitbuilder-cli --help.\n";
    }
  }
  return std::nullopt;
}

}  // namespace kitbuilder::ui
