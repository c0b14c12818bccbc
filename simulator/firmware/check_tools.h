#pragma once
// Where the programs of a check are on this machine: make, sdcc and packihx for the build, s51
// for the run, all found on PATH when the check runs; and the console library that speeds s51
// up, installed beside the program that runs the check.

#include <optional>
#include <string>

namespace kitbuilder::simulator {

struct CheckTools {
  std::string make;
  std::string sdcc;
  std::string s51;
  std::string consoleShim;
};

/// The line shown when a tool is missing.
inline constexpr const char* kMissingToolsHint =
    "the check needs sdcc and sdcc-ucsim (Debian: apt install sdcc sdcc-ucsim)";

/// The full path of `program` in a directory of PATH, or nothing.
std::optional<std::string> FindOnPath(const std::string& program);

/// Every tool, or nothing with `missing` saying which are not there and how to get them. The
/// console library is looked for in ../lib/kitbuilder/s51/ from the running program's directory.
std::optional<CheckTools> FindCheckTools(std::string* missing);

}  // namespace kitbuilder::simulator
