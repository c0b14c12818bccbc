// kitbuilder-cli --check-capture on small captures written here: a start-up cut short after its
// reset, and the exit status and one line for each refusal and wiring fault; and on a golden
// trace of the virtual board, its whole report and JSON.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/support/board_capture.h"

namespace kitbuilder::cli {
namespace {

using kitbuilder::testing::BoardCaptureVcd;
using testing::ProcessResult;
using testing::RunCli;
using testing::ScratchDirectory;

const std::vector<std::string> kLineNames = {"SCS", "SCK", "SDIO", "GIO1", "GIO2"};
const std::vector<std::string> kAnalyzerNames = {"D0", "D1", "D2", "D3", "D4", "D5"};

struct CaptureRun {
  const char* name;
  std::string capture;  ///< written to capture.vcd
  std::vector<std::string> options;
  int exitStatus;
  const char* line;  ///< on standard output, or standard error when the exit status is 2
};

void PrintTo(const CaptureRun& run, std::ostream* out) {
  *out << run.name;
}

const CaptureRun kRuns[] = {
    // The reset, then CMD_TX where the settings call for the ID: the start-up's first departure.
    {"named_lines",
     BoardCaptureVcd(kLineNames, 3),
     {},
     1,
     "  start-up: the board made `strobe CMD_TX` where the settings call for `write IDCODE_REG"},
    {"mapped_channels",
     BoardCaptureVcd(kAnalyzerNames, 3),
     {"--channels", "SCS=D0,SCK=D1,SDIO=D2,GIO1=D3"},
     1,
     "Lines: SCS=D0 SCK=D1 SDIO=D2 GIO1=D3; the chip answers on SDIO, WTR is GIO1.\n"},
    {"too_slow",
     BoardCaptureVcd(kLineNames, 1),
     {},
     2,
     "kitbuilder-cli: sampled at 1 MHz, SCK's high time is 1 sample: capture at 4 MHz or more\n"},
    {"sdio_stuck",
     BoardCaptureVcd(kLineNames, 3, true),
     {},
     1,
     "  SDIO never changes: is the probe on the right pin?\n"},
    // The 4-wire board's answer line must be probed too.
    {"4_wire_without_sdo",
     BoardCaptureVcd({"SCS", "SCK", "SDIO", "GIO1"}, 3),
     {"--wiring=4"},
     2,
     "kitbuilder-cli: no channel is named GIO2;"},
    {"not_a_capture", "no capture here\n", {}, 2, "is in no format libsigrok knows"},
};

class CaptureCommandTest : public ::testing::TestWithParam<CaptureRun> {};

TEST_P(CaptureCommandTest, ExitsAndSays) {
  const CaptureRun& run = GetParam();
  ScratchDirectory dir;
  std::ofstream(dir / "capture.vcd") << run.capture;
  std::vector<std::string> arguments = run.options;
  arguments.insert(arguments.begin(), {"--check-capture", dir / "capture.vcd"});
  const ProcessResult result = RunCli(arguments, dir.Path());
  EXPECT_EQ(result.exitStatus, run.exitStatus) << result.standardOutput << result.standardError;
  const std::string& said = run.exitStatus == 2 ? result.standardError : result.standardOutput;
  EXPECT_NE(said.find(run.line), std::string::npos) << said;
}

INSTANTIATE_TEST_SUITE_P(Runs, CaptureCommandTest, ::testing::ValuesIn(kRuns),
                         [](const auto& info) { return std::string(info.param.name); });

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

/// A golden trace of the virtual board as an analyzer at 10 MHz would have saved it: its 1 us
/// timescale made 100 ns, every time ten times as many units.
std::string AtTenMegahertz(const std::string& trace) {
  std::istringstream lines(trace);
  std::ostringstream vcd;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("$timescale", 0) == 0) {
      vcd << "$timescale 100 ns $end\n";
    } else if (line.rfind("#", 0) == 0) {
      vcd << "#" << std::stoull(line.substr(1)) * 10 << "\n";
    } else {
      vcd << line << "\n";
    }
  }
  return vcd.str();
}

const std::vector<std::string> kTracedSettings = {
    "--mode=tx",      "--wiring=3",  "--wtr=GIO2",  "--rest=standby", "--tx-power=-4",
    "--data-rate=1M", "--channel=0", "--length=64", "--delay=1",      "--rf-id=54,A1,0F,3C"};

// The capture of a run the virtual board passed, held to its whole report and JSON; the same
// capture against another channel is told apart in both.
TEST(CaptureCommand, ReportOfATracedRunInTheChecksLayout) {
  ScratchDirectory dir;
  const std::string golden = std::string(KITBUILDER_GOLDEN_DIR) + "/capture/tx_3w_gio2";
  std::ofstream(dir / "capture.vcd")
      << AtTenMegahertz(ReadFile(std::string(KITBUILDER_GOLDEN_DIR) + "/check/tx_3w_gio2.vcd"));
  std::vector<std::string> arguments = {"--check-capture", "capture.vcd", "--report", "run.json"};
  arguments.insert(arguments.end(), kTracedSettings.begin(), kTracedSettings.end());
  const ProcessResult passed = RunCli(arguments, dir.Path());
  EXPECT_EQ(passed.exitStatus, 0) << passed.standardError;
  EXPECT_EQ(passed.standardOutput, ReadFile(golden + ".txt"));
  EXPECT_EQ(ReadFile(dir / "run.json"), ReadFile(golden + ".json"));

  *std::find(arguments.begin(), arguments.end(), "--channel=0") = "--channel=12";
  const ProcessResult failed = RunCli(arguments, dir.Path());
  EXPECT_EQ(failed.exitStatus, 1) << failed.standardError;
  const std::string problem = "the board's channel is 0 (2400.0 MHz); the settings say 12";
  EXPECT_NE(failed.standardOutput.find("\n  " + problem + "\n"), std::string::npos)
      << failed.standardOutput;
  const std::string json = ReadFile(dir / "run.json");
  EXPECT_NE(json.find("\"ok\": false,\n  \"problems\": [\"" + problem + "\"],"), std::string::npos)
      << json;
}

}  // namespace
}  // namespace kitbuilder::cli
