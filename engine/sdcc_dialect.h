#pragma once
// The SDCC form of the generated files. The stored texts are written in C51's dialect; SDCC,
// the free 8051 compiler, rejects four of its constructs, so a composed file is rewritten after
// composition with the table below and nothing else changes:
//
//   C51                          SDCC
//   #include <reg52.h>           #include <8052.h>
//   sbit SCS    = P1^1;          __sbit __at (0x91) SCS;    // P1.1   (bit address 0x80+16p+b)
//   <tab>idata<tab>              <tab>__idata<tab>
//   const Uint8 code             const Uint8 __code          (also Uint16)
//   #include <intrins.h>         #define _nop_() __asm nop __endasm   (define.h)

#include <string>
#include <string_view>

namespace kitbuilder {

/// One literal rewrite: every occurrence of `c51` becomes `sdcc`.
struct DialectRewrite {
  std::string_view c51;
  std::string_view sdcc;
};

/// The literal rewrites of main.c; the pin lines are rewritten apart, since they carry numbers.
extern const DialectRewrite kSdccMainProgramRewrites[4];
/// The rewrite of define.h.
extern const DialectRewrite kSdccTypeHeaderRewrite;

/// main.c in SDCC's dialect.
std::string MainProgramForSdcc(std::string_view c51MainProgram);

/// define.h in SDCC's dialect.
std::string TypeHeaderForSdcc(std::string_view c51TypeHeader);

}  // namespace kitbuilder
