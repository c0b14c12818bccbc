/* The 8052 register header under the name the generated firmware includes, for compiling it
   with SDCC in the tests. The memory-space qualifiers are mapped to SDCC's spelling here; the
   sbit declarations cannot be mapped by a header and are rewritten before compiling. */
#ifndef KITBUILDER_TEST_REG52_H
#define KITBUILDER_TEST_REG52_H

#include <8052.h>

#define idata __idata
#define code __code

#endif
