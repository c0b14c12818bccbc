#pragma once
// Compiling a generated firmware with SDCC for a plain 8052. The firmware is written in the Keil
// dialect; the tests' own compatibility headers (under sdcc/) cover the includes, qualifiers and
// _nop_(), and the `sbit` lines, which no header can map, are rewritten here before compiling.

#include <optional>
#include <string>
#include <vector>

namespace k3960 {

/// `sbit NAME = Pp^b;` lines as SDCC bit declarations `__sbit __at (0xNN) NAME;` (the bit address
/// of port p's bit b is 0x80 + 16p + b); every other line unchanged.
std::string TranslateSbitLines(const std::string& source);

/// One line of the compiler's output.
struct SdccDiagnostic {
  enum class Kind { kWarning, kError, kOther };
  Kind kind = Kind::kOther;
  int number = 0;  ///< SDCC's warning or error number, 0 when the line carries none
  std::string line;
};

std::vector<SdccDiagnostic> ParseDiagnostics(const std::string& output);

/// Memory use as the linker's .mem report gives it.
struct MemoryUse {
  int codeBytes = 0;
  int internalRamBytes = 0;  ///< everything below the stack: registers, data, idata, bits
  int stackBytes = 0;        ///< what is left for the stack
};

std::optional<MemoryUse> ParseMemoryReport(const std::string& mem);

struct SdccBuild {
  bool ran = false;  ///< the compiler could be started and the output read
  int exitCode = -1;
  std::string output;
  std::vector<SdccDiagnostic> diagnostics;
  std::optional<MemoryUse> memory;
};

/// Translates `sourceDir`/main.c into `workDir` and compiles it there with `sdcc`, the headers
/// coming from `compatDir` and `sourceDir`, code limited to 8 KB and internal RAM to 256 bytes.
SdccBuild BuildWithSdcc(const std::string& sdcc, const std::string& sourceDir,
                        const std::string& compatDir, const std::string& workDir);

}  // namespace k3960
