#pragma once
// Runs the real kitbuilder-cli executable as a child process, for the end-to-end tests.

#include <string>
#include <vector>

namespace kitbuilder::cli::testing {

struct ProcessResult {
  int exitStatus = -1;  ///< -1 when the process did not exit normally
  std::string standardOutput;
  std::string standardError;
};

/// Runs kitbuilder-cli with `arguments` in `workingDirectory` and waits for it.
ProcessResult RunCli(const std::vector<std::string>& arguments,
                     const std::string& workingDirectory);

/// A fresh empty directory that is removed with everything in it when the object goes.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  /// Absolute, without a trailing '/'.
  const std::string& path() const { return path_; }
  /// The names of the entries, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

}  // namespace kitbuilder::cli::testing
