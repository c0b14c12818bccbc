// How fast the virtual board is: `kitbuilder-cli --check` of each mode's default settings, its
// wall-clock time against the time the run stands for on the board. A ratio of at most 1 lets
// the check run on every change. `make bench`.

#include <cstdio>

#include "engine/generation_settings.h"
#include "simulator/virtual_board.h"

int main() {
  using kitbuilder::simulator::CheckRun;
  const char* const names[] = {"tx", "rx", "tx-ack", "rx-ack"};
  std::printf("%-7s %9s %9s %9s %9s %7s %7s\n", "mode", "wall s", "build s", "s51 s", "board s",
              "stops", "ratio");
  int status = 0;
  for (int32_t mode = kitbuilder::kModeTx; mode <= kitbuilder::kModeRxAck; ++mode) {
    kitbuilder::simulator::CheckRequest request;
    request.settings = kitbuilder::DefaultSettings(mode);
    const CheckRun run = kitbuilder::simulator::RunCheck(request, kitbuilder::EmbeddedStore());
    if (run.status != CheckRun::Status::kAsTheSettingsSay) {
      std::printf("%-7s the check did not pass: %s\n", names[mode], run.message.c_str());
      status = 1;
      continue;
    }
    const double board =
        kitbuilder::simulator::BoardMilliseconds(request.options.clock, run.outcome.cycles) /
        1000.0;
    std::printf("%-7s %9.3f %9.3f %9.3f %9.3f %7llu %7.2f\n", names[mode], run.seconds,
                run.seconds - run.runSeconds, run.runSeconds, board,
                static_cast<unsigned long long>(run.s51Stops), run.seconds / board);
  }
  return status;
}
