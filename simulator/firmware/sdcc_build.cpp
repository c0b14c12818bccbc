#include "simulator/firmware/sdcc_build.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/unsigned_number.h"

namespace kitbuilder::simulator {
namespace {

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

/// "main.c:256: warning 84: ..." has the number 84 as a warning.
bool NumberedAs(const std::string& line, const std::string& kind, int* number) {
  for (size_t at = line.find(kind + " "); at != std::string::npos;
       at = line.find(kind + " ", at + 1)) {
    if (at > 0 && (std::isalnum(static_cast<unsigned char>(line[at - 1])) || line[at - 1] == '_')) {
      continue;
    }
    const size_t digits = at + kind.size() + 1;
    size_t end = digits;
    while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
    if (end > digits && end < line.size() && line[end] == ':') {
      // A number too long for an int is no number SDCC gives; the line is kept as it is.
      const auto value = ReadUnsigned(std::string_view(line).substr(digits, end - digits), 10);
      *number = value && *value <= INT_MAX ? static_cast<int>(*value) : 0;
      return true;
    }
  }
  return false;
}

/// Eight upper-case hex digits, as the linker map writes addresses.
std::optional<uint32_t> Address(const std::string& word) {
  if (word.size() != 8 || word.find_first_not_of("0123456789ABCDEF") != std::string::npos) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(ReadUnsigned(word, 16).value_or(0));
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::vector<SdccDiagnostic> ParseDiagnostics(const std::string& output) {
  std::vector<SdccDiagnostic> diagnostics;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    SdccDiagnostic diagnostic;
    diagnostic.line = line;
    if (NumberedAs(line, "warning", &diagnostic.number)) {
      diagnostic.kind = SdccDiagnostic::Kind::kWarning;
    } else if (NumberedAs(line, "error", &diagnostic.number) ||
               line.find("rror") != std::string::npos) {
      diagnostic.kind = SdccDiagnostic::Kind::kError;
    }
    diagnostics.push_back(diagnostic);
  }
  return diagnostics;
}

std::optional<MemoryUse> ParseMemoryReport(const std::string& mem) {
  // "   ROM/EPROM/FLASH  0x0000   0x0a1f     2592     8192"
  const size_t rom = mem.find("ROM/EPROM/FLASH");
  // "Stack starts at: 0x48 (sp set to 0x47) with 184 bytes available."
  const size_t stack = mem.find("Stack starts at: 0x");
  if (rom == std::string::npos || stack == std::string::npos) return std::nullopt;
  std::istringstream romLine(mem.substr(rom, mem.find('\n', rom) - rom));
  std::string name, start, end;
  int codeBytes = 0;
  if (!(romLine >> name >> start >> end >> codeBytes) || start.rfind("0x", 0) != 0 ||
      end.rfind("0x", 0) != 0) {
    return std::nullopt;
  }
  const std::string stackLine = mem.substr(stack, mem.find('\n', stack) - stack);
  const size_t with = stackLine.find(" with ");
  const size_t available = stackLine.find(" bytes available");
  if (with == std::string::npos || available == std::string::npos || available <= with + 6) {
    return std::nullopt;
  }
  const auto free = ReadUnsigned(stackLine.substr(with + 6, available - with - 6), 10);
  if (!free || *free > 256) return std::nullopt;
  MemoryUse use;
  use.codeBytes = codeBytes;
  use.stackBytes = static_cast<int>(*free);
  use.internalRamBytes = 256 - use.stackBytes;
  return use;
}

LinkMap ParseLinkMap(const std::string& map) {
  LinkMap result;
  std::istringstream lines(map);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream tokens(line);
    std::vector<std::string> words;
    for (std::string word; words.size() < 4 && tokens >> word;) words.push_back(word);
    if (words.size() < 2) continue;
    // "CONST     0000034D    000000B6 =   182. bytes (REL,CON,CODE)"
    const auto start = words.size() == 4 ? Address(words[1]) : std::nullopt;
    if (start && Address(words[2]) && words[3] == "=") {
      result.areas[words[0]] = *start;
      continue;
    }
    // "C:   0000032E  _Delay1ms    main" (C: for code memory) or "     00000009  _RfBuf   main"
    const bool prefixed = words.size() >= 3 && words[0].size() == 2 &&
                          std::isupper(static_cast<unsigned char>(words[0][0])) &&
                          words[0][1] == ':';
    const std::string& address = words[prefixed ? 1 : 0];
    const std::string& name = words[prefixed ? 2 : 1];
    const auto value = Address(address);
    if (!value) continue;
    result.symbols[name] = *value;
    // The linker also marks its own area starts and lengths (s_..., l_...) as code; the
    // program's symbols all begin with an underscore.
    if (prefixed && words[0] == "C:" && name[0] == '_') result.code[*value] = name;
  }
  return result;
}

std::string LinkMap::CodeSymbolAt(uint32_t address) const {
  auto after = code.upper_bound(address);
  if (after == code.begin()) return "?";
  return std::prev(after)->second;
}

uint32_t LinkMap::EndOfFunction(uint32_t entry) const {
  uint32_t end = UINT32_MAX;
  const auto next = code.upper_bound(entry);
  if (next != code.end()) end = next->first;
  for (const auto& [name, start] : areas) {
    if (start > entry && start < end) end = start;
  }
  return end;
}

bool IsIntelHex(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  bool ended = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (ended || line[0] != ':' || line.size() < 11 || line.size() % 2 == 0) return false;
    unsigned sum = 0;
    std::vector<unsigned> bytes;
    for (size_t i = 1; i < line.size(); i += 2) {
      const auto byte = ReadUnsigned(std::string_view(line).substr(i, 2), 16);
      if (!byte) return false;
      bytes.push_back(static_cast<unsigned>(*byte));
      sum += bytes.back();
    }
    if (bytes.size() != bytes[0] + 5u || sum % 256 != 0) return false;
    ended = bytes[3] == 0x01;
  }
  return ended;
}

namespace {

struct CommandRun {
  bool ran = false;
  int exitCode = -1;
  std::string output;
};

// The firmware's build is its own: a make that runs us (`make -C DIR test`, a user's CI) passes
// its flags down through the environment, and with them directory lines and jobserver options
// that would mix into what the compiler says.
CommandRun RunIn(const std::string& dir, const std::string& command) {
  const std::string log = dir + "/command.log";
  const std::string line = "cd " + Quoted(dir) + " && env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL " +
                           command + " > command.log 2>&1";
  const int status = std::system(line.c_str());
  CommandRun run;
  run.ran = status != -1;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.output = ReadWhole(log);
  return run;
}

void ReadLinkerReports(SdccBuild* build) {
  const std::filesystem::path dir = build->workDir;
  const std::string mem = ReadWhole(dir / "main.mem");
  if (!mem.empty()) build->memory = ParseMemoryReport(mem);
  build->map = ParseLinkMap(ReadWhole(dir / "main.map"));
}

}  // namespace

SdccBuild BuildWithMakefile(const std::string& make, const std::string& sdccDir,
                            const std::string& workDir) {
  namespace fs = std::filesystem;
  SdccBuild build;
  build.workDir = workDir;
  std::error_code error;
  fs::remove_all(workDir, error);
  fs::create_directories(workDir, error);
  for (const char* file : {"main.c", "define.h", "K3960reg.h", "Makefile"}) {
    fs::copy_file(fs::path(sdccDir) / file, fs::path(workDir) / file, error);
    if (error) {
      build.output = "cannot copy " + (fs::path(sdccDir) / file).string() + " to " + workDir +
                     ": " + error.message();
      return build;
    }
  }
  // Silent, so that the output is what the compiler and linker say and not make's echo.
  const CommandRun compile = RunIn(workDir, Quoted(make) + " -s main.ihx");
  build.ran = compile.ran;
  build.exitCode = compile.exitCode;
  build.output = compile.output;
  build.diagnostics = ParseDiagnostics(build.output);
  ReadLinkerReports(&build);

  const CommandRun hex = RunIn(workDir, Quoted(make));
  build.hexExitCode = hex.exitCode;
  build.hexOutput = hex.output;
  build.hexWritten = IsIntelHex(ReadWhole(fs::path(workDir) / "main.hex"));
  return build;
}

SdccBuild EarlierBuild(const std::string& workDir) {
  SdccBuild build;
  build.workDir = workDir;
  build.ran = true;
  build.exitCode = 0;
  ReadLinkerReports(&build);
  return build;
}

std::string SdccIdentity(const std::string& sdcc) {
  char* resolved = realpath(sdcc.c_str(), nullptr);
  if (resolved == nullptr) return "";
  const std::string path = resolved;
  std::free(resolved);
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return "";
  return path + " " + std::to_string(status.st_size) + " " + std::to_string(status.st_mtim.tv_sec) +
         "." + std::to_string(status.st_mtim.tv_nsec);
}

}  // namespace kitbuilder::simulator
