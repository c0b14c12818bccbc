// Captures made from the virtual board's own runs: its lines written as an analyzer would
// have recorded them (other sample rates, channels renamed and reordered, an extra channel, cut at
// both ends), turned into sigrok session files by sigrok-cli, and read back: each good one holds
// the transfers of the board's transcript at their times and is judged as the virtual board
// judged the run, a too slow one is refused, and a board built with other settings or from a
// firmware edited wrong is told apart in the check's words.

#include "simulator/capture/capture_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/build_sequence.h"
#include "engine/output_files.h"
#include "engine/text_store.h"
#include "simulator/capture/capture_judgement.h"
#include "simulator/firmware/check_tools.h"
#include "simulator/vcd_trace.h"
#include "simulator/verdict/account_text.h"
#include "simulator/virtual_board.h"
#include "tests/support/scratch_directory.h"

namespace kitbuilder::simulator {
namespace {

using kitbuilder::testing::ScratchDirectory;

/// The run's line levels at each change, by machine cycle: a microsecond on a 12 MHz board.
using Trace = std::vector<std::pair<uint64_t, LineLevels>>;

struct TraceRecorder : LineObserver {
  void LinesChanged(const LineLevels& levels, Instant at) override {
    trace.push_back({at.cycles, levels});
  }
  Trace trace;
};

/// How the analyzer recorded the trace.
struct Recording {
  const char* unit = "ns";     ///< the VCD's timescale, 1 of it
  uint64_t unitsPerUs = 1000;  ///< the trace's machine cycle in it (a microsecond at 12 MHz)
  uint64_t downsample = 1;     ///< sigrok-cli's, dividing 1/unit into the sample rate
  bool session = true;         ///< through sigrok-cli into a .sr, else the VCD read itself
  std::vector<std::string> names = {"SCS", "SCK", "SDIO", "GIO1", "GIO2"};
  std::vector<size_t> order = {0, 1, 2, 3, 4};  ///< lines in the capture's channel order
  bool extraChannel = false;                    ///< a channel no line uses, toggling
  bool cut = false;                             ///< begins inside and ends inside a transfer
};

std::string WriteVcd(const Trace& trace, const Recording& recording, uint64_t from, uint64_t to) {
  std::ostringstream vcd;
  vcd << "$timescale 1 " << recording.unit << " $end\n$scope module analyzer $end\n";
  for (size_t i = 0; i < recording.order.size(); ++i) {
    vcd << "$var wire 1 " << static_cast<char>('a' + recording.order[i]) << " "
        << recording.names[i] << " $end\n";
  }
  if (recording.extraChannel) vcd << "$var wire 1 x TRIGGER $end\n";
  vcd << "$upscope $end\n$enddefinitions $end\n";
  LineLevels last{};
  bool first = true;
  int extra = 0;
  uint64_t time = UINT64_MAX;
  for (size_t i = 0; i < trace.size(); ++i) {
    const bool lastBefore = i + 1 < trace.size() && trace[i + 1].first <= from;
    if (lastBefore || trace[i].first > to) continue;
    if (std::max(trace[i].first, from) != time) {
      time = std::max(trace[i].first, from);
      vcd << "#" << (time - from) * recording.unitsPerUs << "\n";
    }
    for (size_t line = 0; line < kChipLineCount; ++line) {
      if (!first && trace[i].second[line] == last[line]) continue;
      vcd << trace[i].second[line] << static_cast<char>('a' + line) << "\n";
    }
    if (recording.extraChannel && (first || i % 7 == 0)) vcd << (++extra % 2) << "x\n";
    last = trace[i].second;
    first = false;
  }
  vcd << "#" << (to - from) * recording.unitsPerUs << "\n";
  return vcd.str();
}

struct CaptureCase {
  const char* name;
  Recording recording;
  std::optional<std::string> channels = std::nullopt;
  const char* refusal = nullptr;
};

Recording Renamed() {
  Recording recording;
  recording.unitsPerUs = 1000;
  recording.downsample = 125;
  recording.names = {"D0", "D1", "D2", "D3", "D4"};
  recording.order = {3, 0, 4, 2, 1};
  recording.extraChannel = true;
  return recording;
}

const CaptureCase kCases[] = {
    {"vcd_read_itself_at_10_MHz", {"ns", 1000, 1, false}},
    {"session_at_1_MHz_too_slow",
     {"ns", 1000, 1000},
     std::nullopt,
     "sampled at 1 MHz, SCK's high time is 1 sample: capture at 4 MHz or more"},
    {"session_at_4_MHz", {"ns", 1000, 250}},
    {"session_at_24_MHz", {"ps", 1'000'000, 41667}},
    {"session_at_8_MHz_renamed_reordered_extra_channel", Renamed(),
     "GIO1=D0,scs=D1,GIO2=D2,SDIO=D3,SCK=D4"},
    {"session_at_8_MHz_cut_at_both_ends",
     [] {
       Recording cut;
       cut.downsample = 125;
       cut.cut = true;
       return cut;
     }()},
};

bool OnPath(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null").c_str()) == 0;
}

/// The trace between `from` and `to` as `recording` says, in `dir`: the capture's path, or ""
/// when sigrok-cli failed.
std::string WriteCapture(const Trace& trace, const Recording& recording, uint64_t from, uint64_t to,
                         const ScratchDirectory& dir, const std::string& name) {
  std::ofstream(dir / "capture.vcd") << WriteVcd(trace, recording, from, to);
  if (!recording.session) return dir / "capture.vcd";
  const std::string path = dir / (name + ".sr");
  const std::string convert =
      "sigrok-cli -I vcd:downsample=" + std::to_string(recording.downsample) + " -i '" +
      (dir / "capture.vcd") + "' -o '" + path + "'";
  return std::system(convert.c_str()) == 0 ? path : "";
}

/// The middle of a record that is one transfer.
uint64_t MiddleOfSingle(const std::vector<Transfer>& transcript, size_t from, int step) {
  size_t i = from;
  while (transcript[i].polls != 1) i += step;
  return (transcript[i].start.cycles + transcript[i].end.cycles) / 2;
}

void CheckCapturesOf(GenerationSettings settings) {
  std::string missing;
  if (!FindCheckTools(&missing)) GTEST_SKIP() << missing;
  if (!OnPath("sigrok-cli")) GTEST_SKIP() << "sigrok-cli not on PATH (Debian: sigrok-cli)";
  settings.compiler = TargetCompiler::kSdcc;
  CheckRequest request;
  request.settings = settings;
  TraceRecorder recorder;
  request.options.lines = &recorder;
  const CheckRun run = RunCheck(request, EmbeddedStore());
  ASSERT_EQ(run.status, CheckRun::Status::kAsTheSettingsSay) << run.message;
  const std::vector<Transfer>& transcript = run.outcome.transcript;
  const Trace& trace = recorder.trace;
  ASSERT_GT(transcript.size(), 20u);
  ScratchDirectory dir;
  for (const CaptureCase& c : kCases) {
    SCOPED_TRACE(c.name);
    // sigrok-cli's VCD input begins at the first timestamp, the board's first change.
    const uint64_t from = c.recording.cut ? MiddleOfSingle(transcript, 5, 1) : trace[0].first;
    const uint64_t to = c.recording.cut ? MiddleOfSingle(transcript, transcript.size() - 3, -1)
                                        : trace.back().first + 1;
    const std::string path = WriteCapture(trace, c.recording, from, to, dir, c.name);
    ASSERT_FALSE(path.empty());
    const CaptureOutcome outcome =
        CheckCapture(path, c.channels, BusWiringOf(run.firmware), request.options.clock);
    if (c.refusal) {
      EXPECT_EQ(outcome.status, CaptureOutcome::Status::kRefused);
      EXPECT_EQ(outcome.refusal, c.refusal);
      continue;
    }
    ASSERT_EQ(outcome.status, CaptureOutcome::Status::kDecoded)
        << outcome.refusal << (outcome.wiringFaults.empty() ? "" : outcome.wiringFaults[0]);
    const CapturedBus& bus = outcome.bus;
    EXPECT_EQ(bus.beginsInsideTransfer, c.recording.cut);
    EXPECT_EQ(bus.startupPresent, !c.recording.cut);
    // The run stops at a transfer; the cut ends in one.
    EXPECT_TRUE(bus.endsInsideTransferAfterBits.has_value());
    std::vector<const Transfer*> expected;
    for (const Transfer& transfer : transcript) {
      if (transfer.start.cycles > from && transfer.end.cycles < to) expected.push_back(&transfer);
    }
    ASSERT_EQ(bus.transfers.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      const Transfer& made = bus.transfers[i];
      ASSERT_EQ(Describe(made) + " x" + std::to_string(made.polls),
                Describe(*expected[i]) + " x" + std::to_string(expected[i]->polls))
          << "record " << i;
      // A sample is shorter than a machine cycle, but need not fall on its start.
      EXPECT_NEAR(static_cast<double>(made.start.cycles + from),
                  static_cast<double>(expected[i]->start.cycles), 1.0)
          << "record " << i;
    }
    // Judged as the virtual board judged the run; the cut one from its first whole pass, the
    // pass it ends in left out.
    const CaptureJudgement judgement = JudgeCapture(run.firmware, request.options.clock, bus);
    EXPECT_EQ(judgement.problems, std::vector<std::string>{});
    EXPECT_EQ(judgement.startup.has_value(), !c.recording.cut);
    EXPECT_EQ(judgement.passes.size(), c.recording.cut ? 2u : run.outcome.passes.size());
    const bool saysNoStartup =
        !judgement.notInCapture.empty() && judgement.notInCapture[0].rfind("the start-up:", 0) == 0;
    EXPECT_EQ(saysNoStartup, c.recording.cut);
    if (c.recording.cut || !c.recording.session) continue;
    // The same capture held against another channel: a board built with other settings.
    FirmwareSettings other = run.firmware;
    other.channel = run.firmware.channel == 12 ? 13 : 12;
    const CaptureJudgement elsewhere = JudgeCapture(other, request.options.clock, bus);
    EXPECT_EQ(
        elsewhere.problems,
        std::vector<std::string>{"the board's channel is " + std::to_string(run.firmware.channel) +
                                 " (" + Format("%.1f MHz", ChannelMhz(run.firmware.channel)) +
                                 "); the settings say " + std::to_string(other.channel)});
  }
}

TEST(CaptureCheck, CapturesOfA3WireTxBoardHoldItsTranscript) {
  CheckCapturesOf(DefaultSettings(kModeTx));
}

// The chip answers on GIO1 while WTR is on GIO2: the FIFO's bytes come from the SDO line.
TEST(CaptureCheck, CapturesOfA4WireRxAckBoardHoldItsTranscript) {
  GenerationSettings settings = DefaultSettings(kModeRxAck);
  settings.pins.spiMode = 1;
  settings.pins.wtrLine = 1;
  CheckCapturesOf(settings);
}

/// A firmware edited wrong, as a user might have flashed it.
struct FaultyFirmware {
  const char* name;
  int32_t mode;
  const char* from;  ///< in the generated main.c, once
  const char* to;
  /// A line of the virtual board's and the first of the capture check's problems must begin
  /// with the first piece and hold the others after it, "the firmware" read as "the board".
  std::vector<const char*> cause;
  bool x2 = false;  ///< 24 MHz, 6 clocks per machine cycle, where the fault shows in time
  bool standby = false;
};

void PrintTo(const FaultyFirmware& fault, std::ostream* out) {
  *out << fault.name;
}

// One of each kind of cause: a register and a strobe written wrong at start-up, a length, the
// waits for WTR in TX and in RX, a delay too short and a test the loop left out.
const FaultyFirmware kFaults[] = {
    {"register_at_start_up",
     kModeTx,
     "K3960_WriteReg( CODE1_REG, 0x0F);",
     "K3960_WriteReg( CODE1_REG, 0x07);",
     {"start-up: the board made `write CODE1_REG 07` where the settings call for `write "
      "CODE1_REG 0F` (transfer "}},
    {"strobe_in_the_wrong_place",
     kModeTx,
     "StrobeCmd(CMD_STBY); //return to STBY state",
     "StrobeCmd(CMD_PLL); //return to STBY state",
     {"start-up: the board made `strobe CMD_PLL` where the settings call for `strobe CMD_STBY`"}},
    {"fifo_length",
     kModeTx,
     "WriteFIFO( 8 )",
     "WriteFIFO( 3 )",
     {"start-up: the board set a packet length of 3 bytes; the settings say 8"}},
    {"tx_end_not_awaited",
     kModeTx,
     "        while( RF_WTR );                    // wait TX finish\n",
     "",
     {"pass 2: ", "CMD_SLEEP strobed 0.04", " ms after CMD_TX, while the"},
     true},
    {"rx_wait_inverted",
     kModeRx,
     "while( RF_WTR );",
     "while( !RF_WTR );",
     {"pass 1: ",
      "read of MODE_REG began while the chip was receiving (WTR high): no packet "
      "had arrived yet"}},
    {"delay_too_short",
     kModeTx,
     "        j = 5;",
     "        j = 4;",
     {"pass 1: the delay before it lasted 7.99", " ms (799",
      " machine cycles); the settings call for 9.936 ms to 10.951 ms"},
     false,
     true},
    {"loop_without_crc_test",
     kModeRx,
     "if( (TmpUint8 & 0x20) == 0 )",
     "if( 1 )",
     {"pass 2: the board read the RX FIFO after a packet with a bad CRC; it must test the CRC "
      "flag"}},
};

/// Whether `line` begins with the first of `pieces` and holds the others after it, in order.
bool Names(const std::string& line, const std::vector<const char*>& pieces) {
  if (line.rfind(pieces.front(), 0) != 0) return false;
  size_t at = 0;
  for (const char* piece : pieces) {
    at = line.find(piece, at);
    if (at == std::string::npos) return false;
    at += std::string(piece).size();
  }
  return true;
}

class FaultyFirmwareCapture : public ::testing::TestWithParam<FaultyFirmware> {};

// Each faulty firmware, run on the virtual board and captured at 8 MHz from its lines: the
// capture check names the cause the virtual board named, of the board. A virtual board's run
// ends at the radio's first finding, so a capture of it may end inside the transfer at fault.
TEST_P(FaultyFirmwareCapture, FailsWithTheVirtualBoardsCause) {
  const FaultyFirmware& fault = GetParam();
  std::string missing;
  if (!FindCheckTools(&missing)) GTEST_SKIP() << missing;
  if (!OnPath("sigrok-cli")) GTEST_SKIP() << "sigrok-cli not on PATH (Debian: sigrok-cli)";
  ScratchDirectory dir;
  GenerationSettings settings = DefaultSettings(fault.mode);
  settings.compiler = TargetCompiler::kSdcc;
  settings.mcuClock = fault.x2 ? McuClock{24, 6} : McuClock{12, 12};
  if (fault.standby) {
    ModeValues values = TakeModeValues(fault.mode, settings.rf);
    values.restState = 1;
    PlaceModeValues(fault.mode, values, &settings.rf);
  }
  DiskOutputFiles files;
  ASSERT_TRUE(RunBuildSequence(EmbeddedStore(), files, dir / "", settings, "").success);
  std::ifstream generated(dir / "main.c");
  std::string text((std::istreambuf_iterator<char>(generated)), {});
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  const size_t at = text.find(fault.from);
  ASSERT_NE(at, std::string::npos) << fault.from;
  ASSERT_EQ(text.find(fault.from, at + 1), std::string::npos) << fault.from;
  text.replace(at, std::string(fault.from).size(), fault.to);
  std::ofstream(dir / "edited.c") << text;
  CheckRequest request;
  request.settings = settings;
  request.firmwareFile = dir / "edited.c";
  request.options.ownPayload = true;
  request.options.clock = *settings.mcuClock;
  TraceRecorder recorder;
  request.options.lines = &recorder;
  const CheckRun run = RunCheck(request, EmbeddedStore());
  ASSERT_EQ(run.status, CheckRun::Status::kDeviates) << run.message;
  bool named = false;
  for (std::string problem : run.outcome.problems) {
    const size_t subject = problem.find("the firmware");
    if (subject != std::string::npos) problem.replace(subject, 12, "the board");
    named = named || Names(problem, fault.cause);
  }
  EXPECT_TRUE(named) << ::testing::PrintToString(run.outcome.problems);
  Recording at8MHz;
  at8MHz.unitsPerUs = static_cast<uint64_t>(CycleNanoseconds(*settings.mcuClock));
  at8MHz.downsample = 125;
  const std::string path = WriteCapture(recorder.trace, at8MHz, recorder.trace[0].first,
                                        recorder.trace.back().first + 1, dir, fault.name);
  ASSERT_FALSE(path.empty());
  const CaptureOutcome outcome =
      CheckCapture(path, std::nullopt, BusWiringOf(run.firmware), request.options.clock);
  ASSERT_EQ(outcome.status, CaptureOutcome::Status::kDecoded) << outcome.refusal;
  const CaptureJudgement judgement = JudgeCapture(run.firmware, request.options.clock, outcome.bus);
  ASSERT_FALSE(judgement.problems.empty());
  EXPECT_TRUE(Names(judgement.problems[0], fault.cause)) << judgement.problems[0];
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultyFirmwareCapture, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// A second, independent reader of the trace: GTKWave's converter takes it without a word.
TEST(VcdTraceForGtkwave, Vcd2fstConvertsItWithoutComplaint) {
  if (!OnPath("vcd2fst")) GTEST_SKIP() << "vcd2fst not on PATH (Debian: gtkwave)";
  ScratchDirectory dir;
  {
    std::ofstream out(dir / "trace.vcd");
    VcdTrace trace(out, McuClock{11.0592, 12});
    LineLevels levels{true, true, true, true, true};
    for (uint64_t cycle = 10; cycle < 100; cycle += 3) {
      levels[cycle % kChipLineCount] = !levels[cycle % kChipLineCount];
      trace.LinesChanged(levels, Instant{cycle});
    }
  }
  const std::string command = "vcd2fst '" + (dir / "trace.vcd") + "' '" + (dir / "trace.fst") +
                              "' > '" + (dir / "said.txt") + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::ifstream said(dir / "said.txt");
  const std::string text((std::istreambuf_iterator<char>(said)), {});
  EXPECT_EQ(text.find_first_not_of(" \n"), std::string::npos) << text;
  EXPECT_TRUE(dir.Exists("trace.fst"));
}

}  // namespace
}  // namespace kitbuilder::simulator
