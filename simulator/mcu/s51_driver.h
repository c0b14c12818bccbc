#pragma once
// Runs a firmware compiled by SDCC, as machine code, in the 8051 instruction-set simulator s51
// with the radio model on its port pins. s51's event breakpoints on port writes miss the bit
// instructions (SETB, CLR, JB, JNB) through which SDCC reaches the pins, so the run sets a fixed
// breakpoint on the instructions that touch a port: before a read it stops and puts the levels
// the radio drives on the pins; at a write, which needs no answer, s51 logs its clock count and
// goes on, and the board takes the logged writes in time order before the next stop. A bit write
// that runs straight on into another port write gets no breakpoint of its own: the latch reported
// at that next one shows it; so does a data write that runs on through jumps to the clock's, whose
// time the cycles between give. While the chip answers a read, the rest of its byte is known: s51
// is told it and puts each bit on the pin at the rising clock edge itself, and the board checks the
// chip drove the same when it takes those writes. Between the stops the delay loops run at the
// simulator's full speed.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "simulator/firmware/sdcc_build.h"
#include "simulator/mcu/board.h"
#include "simulator/mcu/run_result.h"
#include "simulator/mcu/s51_console.h"
#include "simulator/radio/mcu_clock.h"
#include "simulator/radio/radio_model.h"

namespace kitbuilder::simulator {

struct S51Tools {
  std::string s51;
  std::string consoleShim;  ///< the library preloaded into s51 (s51_console_shim.cpp), or ""
  McuClock clock;           ///< of the board, whose machine cycles s51 is made to run at
};

/// Execution entering or leaving a function the run was asked to watch.
struct CodeHit {
  uint32_t function = 0;  ///< the function's entry address
  bool leaving = false;   ///< at one of its RET instructions rather than at its entry
  uint64_t cycle = 0;     ///< machine cycles before the instruction
  uint8_t dpl = 0;        ///< DPL, in which SDCC passes a function's first one-byte argument
};

struct S51Run {
  RunResult result;
  std::vector<CodeHit> hits;
  uint64_t stops = 0;   ///< of s51, each a round trip through its console
  uint64_t logged = 0;  ///< port writes s51 logged and went on from, taken by the board later
  uint64_t cycles = 0;  ///< at the last stop
  double seconds = 0;   ///< wall-clock time of the run
};

class S51Driver;

/// s51 started ahead of the run, its error output into `errorFile`, so that its start-up runs
/// beside the generation and the build; a run given it loads its image into it. Nothing when it
/// cannot be started: the run then starts its own and says why that failed.
std::unique_ptr<S51Console> StartS51(const S51Tools& tools, const std::string& errorFile);

/// One run of `build`'s image in s51, stepped from outside, so that two boards can share one
/// air and one time: the firmware runs to its next stop, the caller learns when on the board
/// that stop is, serves it once the rest of the simulation has caught up, and so on. The
/// arguments are those of RunOnS51; all but the watched functions, which are copied, and the
/// console, which the object takes, must outlive the object.
class S51Stepper {
 public:
  S51Stepper(const S51Tools& tools, const SdccBuild& build, size_t rfBufSize, Board& board,
             RadioModel& chip, const RunLimits& limits,
             const std::vector<uint32_t>& watchedFunctions = {},
             std::unique_ptr<S51Console> started = nullptr);
  ~S51Stepper();
  /// Starts s51 and runs the firmware to its first stop; false when the run has ended already.
  bool Start();
  /// The machine cycle of the stop the firmware waits at.
  uint64_t StopCycle() const;
  /// Serves that stop and runs on to the next; false when the run has ended.
  bool Step();
  /// The account of the run, which ends with the object.
  S51Run Finish();

 private:
  std::unique_ptr<S51Driver> driver_;
};

/// Runs `build`'s image on `board`, with the receive buffer RfBuf of `rfBufSize` bytes, until the
/// chip model has seen `limits.stopAtRecord` transfers, the cycle budget is spent, or the firmware
/// stops touching pins: it jumps to itself (its error state) or runs `limits.cpuSeconds` of
/// wall-clock time without a port access, or the chip model catches a fault. Every entry into and
/// return from the functions at `watchedFunctions` is recorded in the hits. The run takes s51
/// `started` by StartS51, if any, and else starts its own.
S51Run RunOnS51(const S51Tools& tools, const SdccBuild& build, size_t rfBufSize, Board& board,
                RadioModel& chip, const RunLimits& limits,
                const std::vector<uint32_t>& watchedFunctions = {},
                std::unique_ptr<S51Console> started = nullptr);

}  // namespace kitbuilder::simulator
