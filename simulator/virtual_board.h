#pragma once
// The virtual board: a firmware for a set of settings, generated (or the user's own main.c),
// built by SDCC in a temporary directory with the generated Makefile (or taken from the build
// cache when the same firmware was built before), run in s51 on a board wired as the settings
// say, and checked. Nothing is written outside the temporary directory, which is gone
// afterwards, and the build cache.

#include <optional>
#include <string>

#include "engine/generation_settings.h"
#include "engine/text_store.h"
#include "simulator/delay_calls.h"
#include "simulator/firmware_check.h"
#include "simulator/verdict/firmware_settings.h"

namespace kitbuilder::simulator {

struct CheckRequest {
  GenerationSettings settings;
  /// The user's main.c, in either compiler's dialect, instead of the generated one.
  std::optional<std::string> firmwareFile;
  CheckOptions options;
  /// The build cache's directory (BuildCache::UserDirectory() for a user's check); "" builds
  /// every time.
  std::string buildCache;
};

struct CheckRun {
  enum class Status {
    kAsTheSettingsSay,  ///< the firmware does what its settings say
    kDeviates,          ///< it does not: the outcome's problems say how
    kBuildFailed,       ///< the message holds what the compiler said
    kToolsMissing,      ///< sdcc, s51 or make is not on PATH
    kCannotRun,         ///< the settings or the files could not be used; see the message
  };
  Status status = Status::kCannotRun;
  std::string message;
  FirmwareSettings firmware;
  CheckOutcome outcome;
  /// The first whole call of each delay routine and argument.
  std::vector<DelayCall> delays;
  /// False when the check itself failed, in the run or in judging it: the outcome goes as far as
  /// the check got (when the judging failed, the run's transfers) with the problem that says so.
  bool judged = true;
  double seconds = 0;        ///< wall-clock time of the build and run
  double runSeconds = 0;     ///< of the s51 run alone
  uint64_t s51Stops = 0;     ///< how often the run stopped s51 to serve a port access
  uint64_t s51Logged = 0;    ///< port writes s51 logged without stopping
  bool buildCached = false;  ///< the image was an earlier build's, from the build cache
  /// Why the build could not be kept in the build cache; empty when it was, or was not to be.
  std::string buildCacheProblem;
};

CheckRun RunCheck(const CheckRequest& request, const TextStore& store);

}  // namespace kitbuilder::simulator
