#include "engine/sdcc_dialect.h"

#include <cstdio>

#include "engine/main_program_composer.h"

namespace kitbuilder {

const DialectRewrite kSdccMainProgramRewrites[4] = {
    {"#include <reg52.h>", "#include <8052.h>"},
    {"\tidata\t", "\t__idata\t"},
    {"const Uint8 code ", "const Uint8 __code "},
    {"const Uint16 code ", "const Uint16 __code "},
};

const DialectRewrite kSdccTypeHeaderRewrite = {"#include <intrins.h>",
                                               "#define _nop_() __asm nop __endasm"};

namespace {

// "sbit NAME<blanks>= P<port>^<bit>;" as the composer writes it; false for any other line.
bool ParsePinLine(std::string_view line, std::string_view* name, std::string_view* blanks,
                  int* port, int* bit) {
  constexpr std::string_view kPrefix = "sbit ";
  if (line.substr(0, kPrefix.size()) != kPrefix) return false;
  line.remove_prefix(kPrefix.size());
  const std::size_t nameEnd = line.find(' ');
  if (nameEnd == std::string_view::npos || nameEnd == 0) return false;
  const std::size_t equals = line.find_first_not_of(' ', nameEnd);
  const std::string_view tail = equals == std::string_view::npos ? "" : line.substr(equals);
  // "= P1^1;" exactly: a port digit 0..3 and a bit digit 0..7.
  if (tail.size() != 7 || tail.substr(0, 3) != "= P" || tail[4] != '^' || tail[6] != ';' ||
      tail[3] < '0' || tail[3] > '3' || tail[5] < '0' || tail[5] > '7') {
    return false;
  }
  *name = line.substr(0, nameEnd);
  *blanks = line.substr(nameEnd, equals - nameEnd);
  *port = tail[3] - '0';
  *bit = tail[5] - '0';
  return true;
}

// The blanks that stood between the name and "=" keep the comment where the "=" stood.
std::string SdccPinLine(std::string_view name, std::string_view blanks, int port, int bit) {
  char address[32];
  std::snprintf(address, sizeof address, "__sbit __at (0x%02X) ", 0x80 + 0x10 * port + bit);
  char where[16];
  std::snprintf(where, sizeof where, "// P%d.%d", port, bit);
  return std::string(address) + std::string(name) + ";" + std::string(blanks) + where;
}

std::string RewritePinLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 256);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    const std::string_view line = text.substr(start, end - start);
    const std::size_t contentEnd = line.find_first_of("\r\n");
    const std::string_view content = line.substr(0, contentEnd);
    std::string_view name, blanks;
    int port = 0, bit = 0;
    if (ParsePinLine(content, &name, &blanks, &port, &bit)) {
      out += SdccPinLine(name, blanks, port, bit);
      out += line.substr(content.size());
    } else {
      out += line;
    }
    start = end;
  }
  return out;
}

}  // namespace

std::string MainProgramForSdcc(std::string_view c51MainProgram) {
  std::string text = RewritePinLines(c51MainProgram);
  for (const DialectRewrite& rewrite : kSdccMainProgramRewrites) {
    ReplaceAll(&text, rewrite.c51, rewrite.sdcc);
  }
  return text;
}

std::string TypeHeaderForSdcc(std::string_view c51TypeHeader) {
  std::string text(c51TypeHeader);
  ReplaceAll(&text, kSdccTypeHeaderRewrite.c51, kSdccTypeHeaderRewrite.sdcc);
  return text;
}

}  // namespace kitbuilder
