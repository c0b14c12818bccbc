#include "tests/firmware/sdcc_build.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace k3960 {
namespace {

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteWhole(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string TranslateSbitLines(const std::string& source) {
  static const std::regex kSbit(
      R"(^sbit[ \t]+([A-Za-z_][A-Za-z_0-9]*)[ \t]*=[ \t]*P([0-3])\^([0-7])[ \t]*;)");
  std::string result;
  std::istringstream lines(source);
  std::string line;
  while (std::getline(lines, line)) {
    std::smatch match;
    if (std::regex_search(line, match, kSbit)) {
      const int address = 0x80 + 16 * std::stoi(match[2]) + std::stoi(match[3]);
      char declaration[96];
      std::snprintf(declaration, sizeof declaration, "__sbit __at (0x%02X) %s;", address,
                    match[1].str().c_str());
      line = declaration + match.suffix().str();
    }
    result += line;
    if (!lines.eof()) result += '\n';
  }
  return result;
}

std::vector<SdccDiagnostic> ParseDiagnostics(const std::string& output) {
  static const std::regex kNumbered(R"(\b(warning|error) ([0-9]+):)");
  std::vector<SdccDiagnostic> diagnostics;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    SdccDiagnostic diagnostic;
    diagnostic.line = line;
    std::smatch match;
    if (std::regex_search(line, match, kNumbered)) {
      diagnostic.kind =
          match[1] == "warning" ? SdccDiagnostic::Kind::kWarning : SdccDiagnostic::Kind::kError;
      diagnostic.number = std::stoi(match[2]);
    } else if (line.find("rror") != std::string::npos) {
      diagnostic.kind = SdccDiagnostic::Kind::kError;
    }
    diagnostics.push_back(diagnostic);
  }
  return diagnostics;
}

std::optional<MemoryUse> ParseMemoryReport(const std::string& mem) {
  static const std::regex kRom(R"(ROM/EPROM/FLASH\s+0x[0-9A-Fa-f]+\s+0x[0-9A-Fa-f]+\s+([0-9]+))");
  static const std::regex kStack(
      R"(Stack starts at: 0x[0-9A-Fa-f]+ .* with ([0-9]+) bytes available)");
  std::smatch rom;
  std::smatch stack;
  if (!std::regex_search(mem, rom, kRom) || !std::regex_search(mem, stack, kStack)) {
    return std::nullopt;
  }
  MemoryUse use;
  use.codeBytes = std::stoi(rom[1]);
  use.stackBytes = std::stoi(stack[1]);
  use.internalRamBytes = 256 - use.stackBytes;
  return use;
}

SdccBuild BuildWithSdcc(const std::string& sdcc, const std::string& sourceDir,
                        const std::string& compatDir, const std::string& workDir) {
  namespace fs = std::filesystem;
  SdccBuild build;
  std::error_code error;
  fs::remove_all(workDir, error);
  fs::create_directories(workDir, error);
  const std::string source = ReadWhole(fs::path(sourceDir) / "main.c");
  if (source.empty() || !WriteWhole(fs::path(workDir) / "main.c", TranslateSbitLines(source))) {
    build.output = "cannot copy " + sourceDir + "/main.c to " + workDir;
    return build;
  }
  const std::string command = "cd " + Quoted(workDir) + " && " + Quoted(sdcc) +
                              " -mmcs51 --code-size 8192 --iram-size 256 -I" + Quoted(compatDir) +
                              " -I" + Quoted(sourceDir) + " main.c > sdcc.log 2>&1";
  const int status = std::system(command.c_str());
  build.ran = status != -1;
  build.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  build.output = ReadWhole(fs::path(workDir) / "sdcc.log");
  build.diagnostics = ParseDiagnostics(build.output);
  const std::string mem = ReadWhole(fs::path(workDir) / "main.mem");
  if (!mem.empty()) build.memory = ParseMemoryReport(mem);
  return build;
}

}  // namespace k3960
