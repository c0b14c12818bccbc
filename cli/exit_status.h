#pragma once
// The exit statuses of kitbuilder-cli, which scripts tell apart.

namespace kitbuilder::cli {

enum ExitStatus : int {
  kExitSuccess = 0,
  /// The build, the printing of main.c or the saving of the settings failed, or --check found
  /// that the firmware does not do what its settings say (or does not build); the reason is on
  /// standard error or in the report.
  kExitBuildFailed = 1,
  /// The command line or its settings file was refused before anything was written.
  kExitUsage = 2,
  /// --check could not run here: sdcc or s51 is missing.
  kExitCheckCannotRun = 3,
};

}  // namespace kitbuilder::cli
