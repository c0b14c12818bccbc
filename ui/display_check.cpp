#include "ui/display_check.h"

#include <cstdlib>

namespace kitbuilder::ui {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

std::string MissingDisplayMessage() {
  if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM")) return {};
  return "kitbuilder: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not "
         "set); use kitbuilder-cli to build the firmware without a window.";
}

}  // namespace kitbuilder::ui
