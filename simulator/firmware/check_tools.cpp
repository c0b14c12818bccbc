#include "simulator/firmware/check_tools.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace kitbuilder::simulator {
namespace {

// Relative to the directory of the running program, in the build tree and when installed
// (bin/kitbuilder-cli and lib/kitbuilder/s51/).
constexpr const char* kConsoleShimPath = "../lib/kitbuilder/s51/libs51_console_shim.so";

std::string ConsoleShimBesideExecutable() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "";
  const std::filesystem::path shim = self.parent_path() / kConsoleShimPath;
  if (!std::filesystem::exists(shim, error)) return "";
  return std::filesystem::weakly_canonical(shim, error).string();
}

}  // namespace

std::optional<std::string> FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream directories(path != nullptr ? path : "");
  for (std::string directory; std::getline(directories, directory, ':');) {
    if (directory.empty()) continue;
    const std::string candidate = directory + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) {
      return candidate;
    }
  }
  return std::nullopt;
}

std::optional<CheckTools> FindCheckTools(std::string* missing) {
  CheckTools tools;
  std::string absent;
  const std::pair<const char*, std::string*> wanted[] = {
      {"make", &tools.make}, {"sdcc", &tools.sdcc}, {"packihx", nullptr}, {"s51", &tools.s51}};
  for (const auto& [name, where] : wanted) {
    const auto found = FindOnPath(name);
    if (!found) {
      absent += std::string(absent.empty() ? "" : ", ") + name;
    } else if (where != nullptr) {
      *where = *found;
    }
  }
  if (!absent.empty()) {
    *missing = absent + " not found on PATH; " + kMissingToolsHint;
    return std::nullopt;
  }
  tools.consoleShim = ConsoleShimBesideExecutable();
  if (tools.consoleShim.empty()) {
    // Without it s51 sleeps 100 ms at every stop, and a check would take an hour.
    *missing = std::string("the s51 console library is not in ") + kConsoleShimPath +
               " from the program's directory; reinstall kitbuilder";
    return std::nullopt;
  }
  return tools;
}

}  // namespace kitbuilder::simulator
