#pragma once
// Host stand-in for the 8051 compiler's intrinsics: `_nop_()` advances the simulated clock.

#include "tests/firmware/firmware_shim.h"
