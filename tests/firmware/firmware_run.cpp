#include "tests/firmware/firmware_run.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/time.h>

#include <algorithm>
#include <memory>

#include "tests/firmware/run_control.h"

namespace k3960 {
namespace {

sigjmp_buf spinEscape;
volatile sig_atomic_t spinGuardArmed = 0;

// An endless loop without pin accesses (the firmware's error state is one) can only be left
// from outside. The firmware's frames hold nothing that needs unwinding, so jumping over them
// is sound; the board's frames do, so a budget that runs out inside a pin access is left to
// the board, which ends the run with an exception at the next access.
void OnCpuBudgetSpent(int) {
  if (!spinGuardArmed) return;
  if (mcu::pinAccessActive) {
    cpuBudgetSpent = 1;
    return;
  }
  siglongjmp(spinEscape, 1);
}

/// Arms the CPU-time guard for its lifetime.
class SpinGuard {
 public:
  explicit SpinGuard(double cpuSeconds) {
    struct sigaction action {};
    action.sa_handler = OnCpuBudgetSpent;
    sigemptyset(&action.sa_mask);
    sigaction(SIGVTALRM, &action, &previous_);
    itimerval budget{};
    budget.it_value.tv_sec = static_cast<time_t>(cpuSeconds);
    budget.it_value.tv_usec =
        static_cast<suseconds_t>((cpuSeconds - static_cast<double>(budget.it_value.tv_sec)) * 1e6);
    setitimer(ITIMER_VIRTUAL, &budget, nullptr);
  }
  ~SpinGuard() {
    spinGuardArmed = 0;
    itimerval off{};
    setitimer(ITIMER_VIRTUAL, &off, nullptr);
    sigaction(SIGVTALRM, &previous_, nullptr);
  }
  SpinGuard(const SpinGuard&) = delete;
  SpinGuard& operator=(const SpinGuard&) = delete;

 private:
  struct sigaction previous_ {};
};

/// Keeps the board attached to the firmware's pins for its lifetime.
class BusAttachment {
 public:
  explicit BusAttachment(Board& board) { mcu::AttachBus(&board); }
  ~BusAttachment() { mcu::AttachBus(nullptr); }
  BusAttachment(const BusAttachment&) = delete;
  BusAttachment& operator=(const BusAttachment&) = delete;
};

void RunEntry(const FirmwareUnit& unit, RunResult* result) {
  try {
    unit.entry();
    result->end = RunResult::End::kReturned;
  } catch (const SimulationStop&) {
    result->end = RunResult::End::kStopped;
  } catch (const FirmwareStuck& stuck) {
    result->end = RunResult::End::kStuck;
    result->detail = stuck.why;
  }
}

}  // namespace

std::string Describe(RunResult::End end) {
  switch (end) {
    case RunResult::End::kStopped:
      return "stopped where the scenario ends";
    case RunResult::End::kStuck:
      return "stuck";
    case RunResult::End::kSpinning:
      return "spinning in a loop that touches no pin";
    case RunResult::End::kReturned:
      return "main returned";
    case RunResult::End::kLostTrack:
      return "with the run having lost track of the pins";
    case RunResult::End::kFaultCaught:
      return "where the chip caught the first fault";
  }
  return "?";
}

RunResult RunFirmware(const FirmwareUnit& unit, Board& board, ChipModel& chip,
                      const RunLimits& limits) {
  // Held through a pointer that does not change after sigsetjmp, so that it is still valid
  // when the spin guard jumps back.
  const auto result = std::make_unique<RunResult>();
  std::fill(unit.rfBuf, unit.rfBuf + unit.rfBufSize, kUnwrittenRam);
  mcu::elapsed = {};
  cpuBudgetSpent = 0;
  RunResult* const out = result.get();
  chip.OnRecord([out, &unit](size_t) {
    out->rfBufAtRecord.emplace_back(unit.rfBuf, unit.rfBuf + unit.rfBufSize);
  });
  chip.StopAtRecord(limits.stopAtRecord);
  board.LimitCycles(limits.cycles);

  {
    BusAttachment attachment(board);
    SpinGuard guard(limits.cpuSeconds);
    if (sigsetjmp(spinEscape, 1) == 0) {
      spinGuardArmed = 1;
      RunEntry(unit, out);
    } else {
      out->end = RunResult::End::kSpinning;
      out->detail = "after " + std::to_string(mcu::elapsed.Cycles()) + " cycles";
    }
  }
  chip.OnRecord(nullptr);
  return std::move(*result);
}

}  // namespace k3960
