#include "simulator/virtual_board.h"

#include <chrono>
#include <filesystem>

#include "simulator/firmware/check_tools.h"
#include "simulator/firmware/firmware_build.h"
#include "simulator/firmware/sdcc_build.h"
#include "simulator/mcu/s51_driver.h"

namespace kitbuilder::simulator {

namespace fs = std::filesystem;

namespace {

CheckOutcome Unjudged(CheckOutcome ran, const std::string& why) {
  const std::string what = ran.transcript.empty()
                               ? std::string("the run")
                               : "the run after its transfer " +
                                     std::to_string(ran.transcript.size()) + ", `" +
                                     Describe(ran.transcript.back()) + "`";
  ran.problems.push_back(CouldNotJudge(what, why));
  return ran;
}

}  // namespace

CheckRun RunCheck(const CheckRequest& request, const TextStore& store) {
  const auto started = std::chrono::steady_clock::now();
  CheckRun check;
  std::string error;
  const auto firmware = FirmwareSettingsFrom(request.settings, &error);
  if (!firmware) {
    check.message = error;
    return check;
  }
  check.firmware = *firmware;
  std::string missing;
  const auto tools = FindCheckTools(&missing);
  if (!tools) {
    check.status = CheckRun::Status::kToolsMissing;
    check.message = missing;
    return check;
  }
  TemporaryDirectory work;
  if (work.path().empty()) {
    check.message = TemporaryDirectory::Refusal();
    return check;
  }
  const S51Tools s51 = {tools->s51, tools->consoleShim, request.options.clock};
  // s51's start-up takes as long as the generation and a build taken from the cache together.
  std::unique_ptr<S51Console> early = StartS51(s51, work.path() + "/s51-stderr");
  const std::string sources = work.path() + "/firmware";
  std::error_code ignored;  // a directory that cannot be made fails the writes below
  fs::create_directories(sources, ignored);
  error = WriteFirmware(request.settings, request.firmwareFile, store, sources);
  if (!error.empty()) {
    check.message = error;
    return check;
  }
  const SdccBuild build =
      BuildFirmware(*tools, sources, work.path() + "/build", BuildCache(request.buildCache));
  check.buildCached = build.cached;
  check.buildCacheProblem = build.cacheProblem;
  if (build.exitCode != 0) {
    check.status = CheckRun::Status::kBuildFailed;
    check.message = build.output;
    return check;
  }
  const std::vector<uint32_t> delayRoutines = DelayRoutineEntries(build.map);
  std::vector<CodeHit> hits;
  CheckOutcome ran;  // what the run gave, kept for the report should the judging fail
  const FirmwareRunner inS51 = [&](Board& board, RadioModel& radio, const RunLimits& limits) {
    S51Run run = RunOnS51(s51, build, 64, board, radio, limits, delayRoutines, std::move(early));
    check.runSeconds = run.seconds;
    check.s51Stops = run.stops;
    check.s51Logged = run.logged;
    hits = std::move(run.hits);
    ran.transcript = radio.transcript();
    ran.cycles = run.cycles;
    check.judged = run.result.end != RunResult::End::kCheckFailed;
    return run.result;
  };
  // The firmware is anybody's: no exception the check itself meets with it ends the report.
  try {
    check.outcome = CheckFirmware(*firmware, request.options, inS51);
    check.delays = DistinctCalls(DelayCallsIn(hits, build.map, check.outcome.passes));
  } catch (const std::exception& error) {
    check.outcome = Unjudged(std::move(ran), error.what());
    check.judged = false;
  }
  // Only routines computed for the clock are held to it; the stored ones are known to be slow.
  if (request.settings.mcuClock) {
    for (const DelayCall& call : check.delays) {
      const std::string problem = DelayProblem(call, request.options.clock);
      if (!problem.empty()) check.outcome.problems.push_back(problem);
    }
  }
  check.status = check.outcome.problems.empty() ? CheckRun::Status::kAsTheSettingsSay
                                                : CheckRun::Status::kDeviates;
  check.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return check;
}

}  // namespace kitbuilder::simulator
