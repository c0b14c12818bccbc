// How fast the virtual board is: `kitbuilder-cli --check` of each mode's default settings, its
// wall-clock time against the time the run stands for on the board, and the link check of the
// two ACK modes' defaults against the two boards checked one after the other, with the stops of
// s51 (each a round trip through its console) and the port writes it logged and went on from.
// A ratio of at most 1 lets the check run on every change. `make bench`.

#include <algorithm>
#include <cstdio>

#include "engine/generation_settings.h"
#include "simulator/link_check.h"
#include "simulator/virtual_board.h"

namespace {

void PrintRow(const char* name, double wall, double s51, double board, uint64_t stops,
              uint64_t logged) {
  std::printf("%-7s %9.3f %9.3f %9.3f %9.3f %7llu %7llu %7.2f\n", name, wall, wall - s51, s51,
              board, static_cast<unsigned long long>(stops),
              static_cast<unsigned long long>(logged), wall / board);
}

}  // namespace

int main() {
  using kitbuilder::simulator::CheckRun;
  using kitbuilder::simulator::LinkRun;
  const char* const names[] = {"tx", "rx", "tx-ack", "rx-ack"};
  std::printf("%-7s %9s %9s %9s %9s %7s %7s %7s\n", "mode", "wall s", "build s", "s51 s", "board s",
              "stops", "logged", "ratio");
  int status = 0;
  double singleAcks = 0;  // the wall-clock time of the two ACK modes checked alone
  for (int32_t mode = kitbuilder::kModeTx; mode <= kitbuilder::kModeRxAck; ++mode) {
    kitbuilder::simulator::CheckRequest request;
    request.settings = kitbuilder::DefaultSettings(mode);
    const CheckRun run = kitbuilder::simulator::RunCheck(request, kitbuilder::EmbeddedStore());
    if (run.status != CheckRun::Status::kAsTheSettingsSay) {
      std::printf("%-7s the check did not pass: %s\n", names[mode], run.message.c_str());
      status = 1;
      continue;
    }
    if (mode == kitbuilder::kModeTxAck || mode == kitbuilder::kModeRxAck) singleAcks += run.seconds;
    PrintRow(names[mode], run.seconds, run.runSeconds,
             kitbuilder::simulator::BoardMilliseconds(request.options.clock, run.outcome.cycles) /
                 1000.0,
             run.s51Stops, run.s51Logged);
  }
  kitbuilder::simulator::LinkRequest link;
  link.board = kitbuilder::DefaultSettings(kitbuilder::kModeTxAck);
  link.peer = kitbuilder::DefaultSettings(kitbuilder::kModeRxAck);
  const LinkRun run = kitbuilder::simulator::RunLinkCheck(link, kitbuilder::EmbeddedStore());
  if (run.status != LinkRun::Status::kWorks) {
    std::printf("link    the link check did not pass: %s\n", run.message.c_str());
    return 1;
  }
  PrintRow("link", run.seconds, std::max(run.board.runSeconds, run.peer.runSeconds),
           run.commonMs / 1000.0, run.board.s51Stops + run.peer.s51Stops,
           run.board.s51Logged + run.peer.s51Logged);
  std::printf("the link check took %.2f of the %.3f s the two ACK boards take checked alone\n",
              run.seconds / singleAcks, singleAcks);
  return status;
}
