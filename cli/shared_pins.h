#pragma once
// Radio lines assigned to the same microcontroller pin. The window allows it, so the build goes
// ahead, but the board cannot work that way and the user is told.

#include <string>
#include <vector>

#include "engine/generation_settings.h"

namespace kitbuilder::cli {

/// One warning per pin that carries more than one of SCS, SCK, SDIO, GIO1, GIO2, for example
/// "SCS and GIO2 are both on P1.1". Empty when every line has its own pin.
std::vector<std::string> SharedPinWarnings(const PinAssignment& pins);

}  // namespace kitbuilder::cli
