#pragma once
// The exit statuses of kitbuilder-cli, which scripts tell apart.

namespace kitbuilder::cli {

enum ExitStatus : int {
  kExitSuccess = 0,
  /// The build, the printing of main.c or the saving of the settings failed; the reason is on
  /// standard error.
  kExitBuildFailed = 1,
  /// The command line or its settings file was refused before anything was written.
  kExitUsage = 2,
};

}  // namespace kitbuilder::cli
