/* The no-op intrinsic of the generated firmware, in SDCC's inline assembly. */
#ifndef KITBUILDER_TEST_INTRINS_H
#define KITBUILDER_TEST_INTRINS_H

#define _nop_() __asm__("nop")

#endif
