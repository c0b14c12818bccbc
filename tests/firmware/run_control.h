#pragma once
// The two ways a simulated firmware run is ended from inside a pin access: the scenario has seen
// all it asked for, or the firmware made no progress within the time it was given.

#include <csignal>
#include <string>

namespace k3960 {

struct SimulationStop {};

struct FirmwareStuck {
  std::string why;
};

/// Set when a run's CPU budget ran out while the board was serving a pin access; the board
/// then ends the run at the next access.
inline volatile std::sig_atomic_t cpuBudgetSpent = 0;

}  // namespace k3960
