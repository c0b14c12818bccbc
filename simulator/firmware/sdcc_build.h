#pragma once
// Building a generated firmware as a user would: the files that `kitbuilder-cli --compiler sdcc`
// wrote, built with the Makefile written beside them, for a plain 8052. What the build says and
// leaves behind (memory report, map, Intel HEX image) is read back for the checks and the
// simulator.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kitbuilder::simulator {

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

/// The linker map: where each global symbol and each area ended up.
struct LinkMap {
  std::map<std::string, uint32_t> symbols;  ///< "_main", "_RfBuf", ...
  std::map<uint32_t, std::string> code;     ///< the symbols in code memory, by address
  std::map<std::string, uint32_t> areas;    ///< start of "CSEG", "CONST", ...

  /// The code symbol at or before `address`, such as "_Err_State"; "?" when there is none.
  std::string CodeSymbolAt(uint32_t address) const;
  /// Where the code after the function at `entry` begins: the next code symbol or area.
  uint32_t EndOfFunction(uint32_t entry) const;
};

LinkMap ParseLinkMap(const std::string& map);

/// Whether `text` is a well-formed Intel HEX file: records with good checksums, ending with the
/// end-of-file record.
bool IsIntelHex(const std::string& text);

struct SdccBuild {
  std::string workDir;
  /// `make main.ihx`: the compiler and linker alone.
  bool ran = false;  ///< make could be started and its output read
  int exitCode = -1;
  std::string output;
  std::vector<SdccDiagnostic> diagnostics;
  std::optional<MemoryUse> memory;
  /// `make`: the Intel HEX file for a programmer.
  int hexExitCode = -1;
  std::string hexOutput;
  bool hexWritten = false;  ///< main.hex is there and is Intel HEX
  LinkMap map;
  /// The image, map and memory report were those of an earlier build, taken from the build
  /// cache; nothing was compiled, and there is no Intel HEX file.
  bool cached = false;
  /// Why a new build could not be kept in the build cache; empty when it was, or was not to be.
  std::string cacheProblem;

  std::string Image() const { return workDir + "/main.ihx"; }
};

/// Copies main.c, define.h, K3960reg.h and the Makefile from `sdccDir` into a fresh `workDir`
/// and builds there with `make`.
SdccBuild BuildWithMakefile(const std::string& make, const std::string& sdccDir,
                            const std::string& workDir);

/// What an earlier build left in `workDir` (main.ihx, main.map, main.mem), read as a build that
/// succeeded.
SdccBuild EarlierBuild(const std::string& workDir);

/// Which SDCC `sdcc` is: the program's real path, size and modification time, which an install
/// of another SDCC changes. Asking SDCC for its version would start a process, at every check.
/// Empty when there is no such file.
std::string SdccIdentity(const std::string& sdcc);

}  // namespace kitbuilder::simulator
