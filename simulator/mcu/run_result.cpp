#include "simulator/mcu/run_result.h"

namespace kitbuilder::simulator {

std::string Describe(RunResult::End end) {
  switch (end) {
    case RunResult::End::kStopped:
      return "stopped where the check ends";
    case RunResult::End::kStuck:
      return "stuck";
    case RunResult::End::kSpinning:
      return "spinning in a loop that touches no pin";
    case RunResult::End::kLostTrack:
      return "with the run having lost track of the pins";
    case RunResult::End::kFaultCaught:
      return "where the radio caught the first fault";
    case RunResult::End::kCancelled:
      return "cancelled";
    case RunResult::End::kCheckFailed:
      return "where the check itself failed";
  }
  return "?";
}

std::string CouldNotJudge(const std::string& what, const std::string& why) {
  return "the check could not judge " + what + ": it failed with `" + why +
         "`, a fault of the check itself; please report it with the settings and main.c";
}

}  // namespace kitbuilder::simulator
