#include "tests/cli/cli_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "tests/support/byte_diff.h"

namespace kitbuilder::cli::testing {

ProcessResult RunCli(const std::vector<std::string>& arguments,
                     const std::string& workingDirectory) {
  ScratchDirectory capture;
  const std::string outPath = capture.Path() + "/stdout";
  const std::string errPath = capture.Path() + "/stderr";
  std::vector<std::string> command{KITBUILDER_CLI_PATH};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : command) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    // Only async-signal-safe calls between fork and exec.
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
        chdir(workingDirectory.c_str()) != 0) {
      _exit(127);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  ProcessResult result;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  }
  result.standardOutput = kitbuilder::testing::ReadFileBytes(outPath);
  result.standardError = kitbuilder::testing::ReadFileBytes(errPath);
  return result;
}

}  // namespace kitbuilder::cli::testing
