#pragma once
// The 8051 instruction-set simulator s51 as a child process, driven through its command console
// on standard input and output. With `-P` it ends the reply to every command with a NUL byte;
// the reply to `run` ends only when the simulation stops, so one reply per command frames the
// whole conversation.

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulator/radio/mcu_clock.h"

namespace kitbuilder::simulator {

/// s51 simulates a classic 8052, which takes 12 clocks per machine cycle.
constexpr int kS51ClocksPerCycle = 12;

class S51Console {
 public:
  /// Starts `s51` for a plain 8052 at `clock`, `preload` (may be empty) preloaded, its error
  /// output into `errorFile`. Its start-up takes tens of milliseconds, so it needs no image yet:
  /// the command `file` loads one. Nothing when it cannot be started; `error` says why.
  static std::unique_ptr<S51Console> Start(const std::string& s51, const std::string& preload,
                                           const McuClock& clock, const std::string& errorFile,
                                           std::string* error);
  ~S51Console();
  S51Console(const S51Console&) = delete;
  S51Console& operator=(const S51Console&) = delete;

  /// Sends the commands, one per line, without waiting.
  bool Send(const std::vector<std::string>& commands);
  /// The next reply, or nothing when none came within `seconds` or s51 has gone.
  std::optional<std::string> AwaitReply(double seconds);
  /// Sends the commands and collects their replies.
  std::optional<std::vector<std::string>> Exchange(const std::vector<std::string>& commands,
                                                   double seconds = 10.0);

  /// What s51 wrote to its error output so far, for reports.
  std::string ErrorOutput() const;

 private:
  S51Console(pid_t pid, int commands, int replies, std::string errorFile);

  pid_t pid_;
  int commands_;  ///< the pipe to s51's standard input
  int replies_;   ///< the pipe from its standard output
  std::string errorFile_;
  std::string pending_;
};

}  // namespace kitbuilder::simulator
