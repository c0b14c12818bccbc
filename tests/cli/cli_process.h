#pragma once
// Runs the real kitbuilder-cli executable as a child process, for the end-to-end tests.

#include <string>
#include <vector>

#include "tests/support/scratch_directory.h"

namespace kitbuilder::cli::testing {

using kitbuilder::testing::ScratchDirectory;

struct ProcessResult {
  int exitStatus = -1;  ///< -1 when the process did not exit normally
  std::string standardOutput;
  std::string standardError;
};

/// Runs kitbuilder-cli with `arguments` in `workingDirectory` and waits for it.
ProcessResult RunCli(const std::vector<std::string>& arguments,
                     const std::string& workingDirectory);

}  // namespace kitbuilder::cli::testing
