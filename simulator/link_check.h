#pragma once
// The link check: this board's firmware and the peer's, each built as the virtual board builds
// one and run in its own s51 with its own radio model, on one shared air and one common clock.
// Whatever one board sends reaches the other only as a radio would take it, so the settings the
// two firmwares disagree on, and answers that come after the other side stopped waiting, show.

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "engine/generation_settings.h"
#include "engine/text_store.h"
#include "simulator/mcu/board.h"
#include "simulator/virtual_board.h"

namespace kitbuilder::simulator {

struct LinkRequest {
  GenerationSettings board;                  ///< this board's settings
  GenerationSettings peer;                   ///< the other board's
  std::optional<std::string> boardFirmware;  ///< this board's own main.c instead of the generated
  std::optional<std::string> peerFirmware;   ///< the peer's own main.c
  int passes = 3;                            ///< of the board that sends first
  std::string buildCache;                    ///< as in CheckRequest
  const std::atomic<bool>* cancel = nullptr;
  LineObserver* boardLines = nullptr;  ///< told of this board's line changes, if set
  LineObserver* peerLines = nullptr;
};

/// One packet of the board that sends first, and its answer, in ms on the common clock.
struct LinkPass {
  int sender = 0;                  ///< 0 this board, 1 the peer
  double sentMs = 0;               ///< the packet's end
  bool cut = false;                ///< its sender stopped it before its last bit
  bool reachedRadio = false;       ///< the other radio took it into its FIFO
  bool delivered = false;          ///< and its firmware read it from there
  std::optional<double> answerMs;  ///< from the packet's end to the ACK's
  bool ackReceived = false;
  bool ackCut = false;
  /// From the packet's end to the end of the sender's wait for the ACK: as measured when the
  /// wait ran out, else as long as its wait loop would have run.
  std::optional<double> waitsMs;
  bool waitRanOut = false;
};

struct LinkRun {
  enum class Status { kWorks, kFails, kBuildFailed, kToolsMissing, kCannotRun };
  Status status = Status::kCannotRun;
  std::string message;  ///< why it could not run, or what SDCC said
  /// Each board's run with the layout of a single check; each side's own problems are in it.
  CheckRun board;
  CheckRun peer;
  McuClock boardClock;
  McuClock peerClock;
  std::vector<LinkPass> passes;
  int sent = 0;
  int delivered = 0;
  int acksSent = 0;
  int acksReceived = 0;
  bool withAcks = false;  ///< one of the two firmwares waits for ACKs or sends them
  /// The reasons the link does not work, each naming both settings.
  std::vector<std::string> problems;
  double seconds = 0;   ///< wall-clock time of the builds and the run
  double commonMs = 0;  ///< the common time the run reached
};

LinkRun RunLinkCheck(const LinkRequest& request, const TextStore& store);

}  // namespace kitbuilder::simulator
