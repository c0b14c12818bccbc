#pragma once
// Host stand-in for the 8051 compiler's register header: the ports and `sbit` of the simulated
// microcontroller, and the memory-space qualifiers, which mean nothing on the host.

#include "tests/firmware/firmware_shim.h"

#define idata
#define code
