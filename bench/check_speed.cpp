// How fast the virtual board is: `kitbuilder-cli --check` of each mode's default settings, and
// the link check of the two ACK modes' defaults, against the time the run stands for on the
// board. The whole command (given as the argument) is timed with an empty build cache (cold: SDCC
// builds) and with the cache that run filled (warm), wall-clock time and the CPU time of the
// process tree, the median of a few runs; a run in this process counts the stops of s51 (each a
// round trip through its console) and the port writes it logged and went on from. The goal: the
// warm wall time at most half the board time per mode, at most the board time for the link.
// `make bench`.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/generation_settings.h"
#include "simulator/link_check.h"
#include "simulator/virtual_board.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 3;

struct Timing {
  double wall = 0;
  double cpu = 0;  // user + system of the command and every process it waited for
};

double CpuSeconds(const rusage& usage) {
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

/// Runs `args` with the build cache in `cache`, its output thrown away; nothing when it failed.
std::optional<Timing> TimeCommand(const std::vector<std::string>& args, const std::string& cache) {
  rusage before;
  getrusage(RUSAGE_CHILDREN, &before);
  std::fflush(stdout);  // else the child writes what this process has not yet
  const auto started = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return std::nullopt;
  if (pid == 0) {
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    std::FILE* null = std::freopen("/dev/null", "w", stdout);
    if (null != nullptr) dup2(STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  Timing timing;
  timing.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  rusage after;
  getrusage(RUSAGE_CHILDREN, &after);
  timing.cpu = CpuSeconds(after) - CpuSeconds(before);
  return timing;
}

Timing Median(std::vector<Timing> runs) {
  Timing median;
  std::sort(runs.begin(), runs.end(),
            [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
  median.wall = runs[runs.size() / 2].wall;
  std::sort(runs.begin(), runs.end(),
            [](const Timing& a, const Timing& b) { return a.cpu < b.cpu; });
  median.cpu = runs[runs.size() / 2].cpu;
  return median;
}

/// The command timed kRuns times each with a new empty cache and with the cache a run filled.
std::optional<std::pair<Timing, Timing>> TimeColdAndWarm(const std::vector<std::string>& args,
                                                         const fs::path& scratch) {
  std::vector<Timing> cold;
  std::vector<Timing> warm;
  for (int run = 0; run < kRuns; ++run) {
    const std::string cache = (scratch / ("cache" + std::to_string(run))).string();
    const auto built = TimeCommand(args, cache);
    const auto taken = TimeCommand(args, cache);
    std::error_code ignored;
    fs::remove_all(cache, ignored);
    if (!built || !taken) return std::nullopt;
    cold.push_back(*built);
    warm.push_back(*taken);
  }
  return std::make_pair(Median(cold), Median(warm));
}

void PrintRow(const char* name, double board, const Timing& cold, const Timing& warm, double s51,
              uint64_t stops, uint64_t logged, double goal) {
  std::printf("%-7s %7.3f %7.3f %7.3f %6.2f %7.3f %7.3f %6.2f %6.2f %7.3f %6llu %6llu\n", name,
              board, cold.wall, cold.cpu, cold.wall / board, warm.wall, warm.cpu, warm.wall / board,
              goal, s51, static_cast<unsigned long long>(stops),
              static_cast<unsigned long long>(logged));
}

}  // namespace

int main(int argc, char** argv) {
  using kitbuilder::simulator::CheckRun;
  using kitbuilder::simulator::LinkRun;
  if (argc != 2) {
    std::fprintf(stderr, "usage: check_speed PATH/TO/kitbuilder-cli\n");
    return 2;
  }
  const std::string cli = argv[1];
  std::error_code error;
  const fs::path scratch =
      fs::temp_directory_path(error) / ("check_speed." + std::to_string(getpid()));
  if (error || !fs::create_directories(scratch, error)) {
    std::fprintf(stderr, "check_speed: cannot make a scratch directory: %s\n",
                 error.message().c_str());
    return 1;
  }
  std::printf(
      "%d runs each, medians; cold: an empty build cache, warm: the cache that run filled\n",
      kRuns);
  std::printf("%-7s %7s %7s %7s %6s %7s %7s %6s %6s %7s %6s %6s\n", "", "board", "cold", "cold",
              "cold", "warm", "warm", "warm", "", "s51", "", "");
  std::printf("%-7s %7s %7s %7s %6s %7s %7s %6s %6s %7s %6s %6s\n", "mode", "s", "wall s", "cpu s",
              "ratio", "wall s", "cpu s", "ratio", "goal", "s", "stops", "logged");
  const char* const names[] = {"tx", "rx", "tx-ack", "rx-ack"};
  int status = 0;
  for (int32_t mode = kitbuilder::kModeTx; mode <= kitbuilder::kModeRxAck; ++mode) {
    kitbuilder::simulator::CheckRequest request;
    request.settings = kitbuilder::DefaultSettings(mode);
    const CheckRun run = kitbuilder::simulator::RunCheck(request, kitbuilder::EmbeddedStore());
    const auto timed =
        TimeColdAndWarm({cli, "--check", std::string("--mode=") + names[mode]}, scratch);
    if (run.status != CheckRun::Status::kAsTheSettingsSay || !timed) {
      std::printf("%-7s the check did not pass: %s\n", names[mode], run.message.c_str());
      status = 1;
      continue;
    }
    PrintRow(names[mode],
             kitbuilder::simulator::BoardMilliseconds(request.options.clock, run.outcome.cycles) /
                 1000.0,
             timed->first, timed->second, run.runSeconds, run.s51Stops, run.s51Logged, 0.5);
  }
  kitbuilder::simulator::LinkRequest link;
  link.board = kitbuilder::DefaultSettings(kitbuilder::kModeTxAck);
  link.peer = kitbuilder::DefaultSettings(kitbuilder::kModeRxAck);
  const LinkRun run = kitbuilder::simulator::RunLinkCheck(link, kitbuilder::EmbeddedStore());
  const std::string peer = (scratch / "peer.toml").string();
  const bool saved =
      TimeCommand({cli, "--mode=rx-ack", "--save-settings=" + peer}, scratch.string()).has_value();
  const auto timed =
      saved ? TimeColdAndWarm({cli, "--check", "--mode=tx-ack", "--peer", peer}, scratch)
            : std::nullopt;
  fs::remove_all(scratch, error);
  if (run.status != LinkRun::Status::kWorks || !timed) {
    std::printf("link    the link check did not pass: %s\n", run.message.c_str());
    return 1;
  }
  PrintRow("link", run.commonMs / 1000.0, timed->first, timed->second,
           std::max(run.board.runSeconds, run.peer.runSeconds),
           run.board.s51Stops + run.peer.s51Stops, run.board.s51Logged + run.peer.s51Logged, 1.0);
  return status;
}
