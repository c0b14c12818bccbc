// kitbuilder-cli --check-capture on small captures written here: a start-up cut short after its
// reset, and the exit status and one line for each refusal and wiring fault.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"

namespace kitbuilder::cli {
namespace {

using testing::ProcessResult;
using testing::RunCli;
using testing::ScratchDirectory;

/// A VCD at 1 us a unit of a board writing MODE_REG 00 and sending CMD_TX, WTR high while it
/// sends; every step of the bus takes `units`.
std::string Capture(const std::vector<std::string>& names, int units, bool sdioStuck = false) {
  std::ostringstream vcd;
  vcd << "$timescale 1 us $end\n$scope module analyzer $end\n";
  for (size_t i = 0; i < names.size(); ++i) {
    vcd << "$var wire 1 " << static_cast<char>('a' + i) << " " << names[i] << " $end\n";
  }
  vcd << "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n1a\n0b\n1c\n0d\n1e\n$end\n";
  long time = 0;
  auto at = [&](const std::string& change) { vcd << "#" << (time += units) << "\n" << change; };
  for (std::vector<uint8_t> transfer : {std::vector<uint8_t>{0x00, 0x00}, {0xD0}}) {
    at("0a\n");
    for (uint8_t byte : transfer) {
      for (int bit = 7; bit >= 0; --bit) {
        at(sdioStuck ? "" : std::string((byte >> bit) & 1 ? "1" : "0") + "c\n");
        at("1b\n");
        at("0b\n");
      }
    }
    at("1a\n");
  }
  at("1d\n");
  at("0d\n");
  vcd << "#" << time + 10 << "\n";
  return vcd.str();
}

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
     Capture(kLineNames, 3),
     {},
     1,
     "  start-up: the board made `strobe CMD_TX` where the settings call for `write IDCODE_REG"},
    {"mapped_channels",
     Capture(kAnalyzerNames, 3),
     {"--channels", "SCS=D0,SCK=D1,SDIO=D2,GIO1=D3"},
     1,
     "Lines: SCS=D0 SCK=D1 SDIO=D2 GIO1=D3; the chip answers on SDIO, WTR is GIO1.\n"},
    {"too_slow",
     Capture(kLineNames, 1),
     {},
     2,
     "kitbuilder-cli: sampled at 1 MHz, SCK's high time is 1 sample: capture at 4 MHz or more\n"},
    {"sdio_stuck",
     Capture(kLineNames, 3, true),
     {},
     1,
     "  SDIO never changes: is the probe on the right pin?\n"},
    // The 4-wire board's answer line must be probed too.
    {"4_wire_without_sdo",
     Capture({"SCS", "SCK", "SDIO", "GIO1"}, 3),
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

}  // namespace
}  // namespace kitbuilder::cli
