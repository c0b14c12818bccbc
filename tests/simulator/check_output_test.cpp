// What a check leaves for other programs: the trace, read back by sigrok-cli's SPI decoder, and
// the JSON report, read back by Python's JSON parser; and the trace's timescale for other clocks.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "simulator/check_report.h"
#include "simulator/firmware/check_tools.h"
#include "simulator/radio/radio_registers.h"
#include "simulator/vcd_trace.h"
#include "simulator/virtual_board.h"
#include "tests/simulator/case_work_directory.h"

namespace kitbuilder::simulator {
namespace {

std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

/// "spi-1: 54" lines as bytes.
std::vector<uint8_t> DecodedBytes(const std::string& lines) {
  std::vector<uint8_t> bytes;
  std::istringstream in(lines);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("spi-1: ", 0) == 0) {
      bytes.push_back(static_cast<uint8_t>(std::stoul(line.substr(7), nullptr, 16)));
    }
  }
  return bytes;
}

/// The bytes on SDIO of the start-up's writes up to its first strobe: the reset, the ID and the
/// register table, each a control byte and its data.
std::vector<uint8_t> StartupWriteBytes(const FirmwareSettings& settings) {
  std::vector<uint8_t> bytes;
  for (const ExpectedTransfer& transfer : ExpectedStartup(settings)) {
    if (transfer.kind != Transfer::Kind::kWrite) break;
    bytes.push_back(transfer.target);
    bytes.insert(bytes.end(), transfer.data.begin(), transfer.data.end());
  }
  return bytes;
}

class CheckOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string missing;
    if (!FindCheckTools(&missing)) GTEST_SKIP() << missing;
    dir_ = CaseWorkDirectory("");
    std::filesystem::create_directories(dir_);
  }
  std::string dir_;
};

TEST_F(CheckOutput, TraceDecodesToTheStartupBytesAndTheJsonReportParses) {
  CheckRequest request;
  request.settings = DefaultSettings(kModeRx);
  request.settings.rf.channel = 119;
  const std::string trace = dir_ + "/check.vcd";
  const std::string report = dir_ + "/check.json";
  CheckRun run;
  {
    std::ofstream out(trace);
    VcdTrace tracer(out, request.options.clock);
    request.options.lines = &tracer;
    run = RunCheck(request, EmbeddedStore());
  }
  ASSERT_EQ(run.status, CheckRun::Status::kAsTheSettingsSay) << run.message;
  std::ostringstream text;
  WriteTextReport(run, request.options.clock, text);
  EXPECT_NE(text.str().find("the radio holds: TX power 0 dBm, data rate 2 Mbps, channel 119 "
                            "(2459.5 MHz), FIFO mode on, CRC on\n"),
            std::string::npos)
      << text.str();
  std::ofstream(report) << [&] {
    std::ostringstream json;
    WriteJsonReport(run, request.options.clock, json);
    return json.str();
  }();

  if (FindOnPath("sigrok-cli")) {
    const std::vector<uint8_t> decoded = DecodedBytes(Output(
        "sigrok-cli -I vcd -i '" + trace + "' -P spi:cs=SCS:clk=SCK:mosi=SDIO -A spi=mosi-data"));
    const std::vector<uint8_t> startup = StartupWriteBytes(run.firmware);
    ASSERT_GE(decoded.size(), startup.size());
    EXPECT_EQ(HexBytes({decoded.begin(), decoded.begin() + static_cast<long>(startup.size())}),
              HexBytes(startup));
  } else {
    std::cout << "sigrok-cli not on PATH: the trace is not decoded (Debian: apt install "
                 "sigrok-cli)\n";
  }
  if (FindOnPath("python3")) {
    const std::string fields = Output(
        "python3 -c \"import json,sys; r=json.load(open(sys.argv[1])); "
        "print(r['ok'], r['mcu']['clock_mhz'], r['startup']['id'], r['startup']['registers']"
        "['0x0E'], len(r['passes']), [e['kind'] for p in r['passes'] for e in p['events']], "
        "r['passes'][0]['events'][0]['bytes'], r['passes'][0]['events'][0]['channel'])\" '" +
        report + "'");
    EXPECT_EQ(fields,
              "True 12 54,75,C5,2A 0x77 3 ['received', 'crc-error', 'received'] "
              "31567BA0C5EA0F34 119\n");
  } else {
    std::cout << "python3 not on PATH: the JSON report is not parsed\n";
  }
}

TEST(CheckReport, OfARunTheCheckCouldNotJudgeSaysSoAndClaimsNoStartUp) {
  CheckRun run;
  run.status = CheckRun::Status::kDeviates;
  run.judged = false;
  run.outcome.problems = {CouldNotJudge("the run", "stoul")};
  std::ostringstream text;
  WriteTextReport(run, McuClock{}, text);
  EXPECT_NE(
      text.str().find("passes of the loop.\n\nBuild: built by SDCC.\nRun: 0.000 ms (0 cycles) "
                      "on the board in "
                      "0.00 s.\n\nThe check could not judge this firmware:\n  the check could not "
                      "judge the run: it failed with `stoul`, a fault of the check itself"),
      std::string::npos)
      << text.str();
  EXPECT_EQ(text.str().find("reset:"), std::string::npos) << text.str();
}

struct TimescaleCase {
  const char* name;
  McuClock clock;
  const char* timescale;
  const char* firstTime;  ///< of a change at cycle 3
};

class VcdTimescale : public ::testing::TestWithParam<TimescaleCase> {};

TEST_P(VcdTimescale, IsTheCoarsestUnitThatHoldsAMachineCycleWhole) {
  std::ostringstream out;
  VcdTrace trace(out, GetParam().clock);
  trace.LinesChanged({true, false, true, true, false}, Instant{3});
  trace.LinesChanged({false, false, true, true, false}, Instant{4});
  const std::string text = out.str();
  EXPECT_NE(text.find(std::string("$timescale ") + GetParam().timescale + " $end"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(std::string("\n") + GetParam().firstTime +
                      "\n$dumpvars\n1!\n0\"\n1#\n1$\n0%"
                      "\n$end\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.substr(text.size() - 3), "0!\n") << "only the line that changed";
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, VcdTimescale,
    ::testing::Values(TimescaleCase{"Classic12MHz", {12.0, 12}, "1 us", "#3"},
                      TimescaleCase{"Classic24MHz", {24.0, 12}, "100 ns", "#15"},
                      TimescaleCase{"SingleCycle11_0592MHz", {11.0592, 1}, "1 ns", "#271"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder::simulator
