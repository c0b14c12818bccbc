// The capture reader over many captures, as a window that opens one after another reads them:
// it must give back what libsigrok took for each (libsigrokcxx 0.5.2 kept an input format's
// reader, some 4 MB, for every VCD it read). And its two services to the window beyond the
// check itself: the capture's channels from its header alone, and a reading called off while it
// streams, of a VCD fed to libsigrok's input module and of a session file that libsigrok runs.

#include "simulator/capture/capture_reader.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/scratch_directory.h"

namespace kitbuilder::simulator {
namespace {

using kitbuilder::testing::ScratchDirectory;

/// SCK toggling `toggles` times, every `gap` microseconds, on channels D0 (SCS) and D1 (SCK).
std::string ToggleVcd(int toggles, int gap) {
  std::ostringstream vcd;
  vcd << "$timescale 1 us $end\n$scope module analyzer $end\n"
         "$var wire 1 a D0 $end\n$var wire 1 b D1 $end\n$upscope $end\n$enddefinitions $end\n"
         "#0\n1a\n0b\n";
  for (int toggle = 1; toggle <= toggles; ++toggle) {
    vcd << "#" << toggle * gap << "\n" << toggle % 2 << "b\n";
  }
  vcd << "#" << (toggles + 1) * gap << "\n";
  return vcd.str();
}

ChannelChooser SckOnD1() {
  return [](const std::vector<std::string>& channels) {
    return MapChannels(channels, "SCS=D0,SCK=D1", LineBit(ChipLine::kSck));
  };
}

/// Counts the changes of the lines, to see that a reading saw the whole capture.
struct ChangeCounter : CaptureObserver {
  void CaptureBegins(const CaptureStart&) override {}
  void LinesChanged(const LineChange&) override { ++changes; }
  void CaptureEnds(uint64_t) override {}
  int changes = 0;
};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

/// What malloc has handed out and not had back, in mapped blocks too: a large buffer that is
/// never touched costs no resident memory, so the process's size would not show it.
size_t AllocatedBytes() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

TEST(CaptureReader, ReadsVcdAfterVcdInBoundedMemory) {
  if (kUnderAddressSanitizer) {
    GTEST_SKIP() << "AddressSanitizer's allocator is not malloc's: the plain build measures this";
  }
  ScratchDirectory dir;
  std::ofstream(dir / "capture.vcd") << ToggleVcd(199, 2);
  size_t before = 0;
  for (int reading = 0; reading < 30; ++reading) {
    // The first readings settle what libsigrok and glib keep for good.
    if (reading == 5) before = AllocatedBytes();
    ChangeCounter counter;
    const CaptureReading read = ReadCapture(dir / "capture.vcd", SckOnD1(), {&counter});
    ASSERT_EQ(read.status, CaptureReading::Status::kRead) << read.message;
    ASSERT_EQ(counter.changes, 199);
  }
  // 25 readings that each kept 4 MB would have taken 100 MB.
  EXPECT_LT(AllocatedBytes() - before, size_t{1} << 20);
}

/// Counts what it is told; calls the reading off at the first change.
struct CancellingObserver : CaptureObserver {
  void CaptureBegins(const CaptureStart&) override { began = true; }
  void LinesChanged(const LineChange&) override {
    ++changes;
    cancel = true;
  }
  void CaptureEnds(uint64_t) override { ended = true; }
  std::atomic<bool> cancel{false};
  bool began = false;
  bool ended = false;
  int changes = 0;
};

TEST(CaptureReader, ListsTheChannelsOrSaysWhyItCannot) {
  const ScratchDirectory dir;
  std::ofstream(dir / "board.vcd") << ToggleVcd(4, 10);
  std::ofstream(dir / "notes.txt") << "no capture here\n";
  const std::variant<std::vector<std::string>, std::string> vcd =
      ReadCaptureChannels(dir / "board.vcd");
  ASSERT_TRUE(std::holds_alternative<std::vector<std::string>>(vcd)) << std::get<std::string>(vcd);
  EXPECT_EQ(std::get<std::vector<std::string>>(vcd), (std::vector<std::string>{"D0", "D1"}));
  for (const char* refused : {"notes.txt", "missing.sr"}) {
    const auto listed = ReadCaptureChannels(dir / refused);
    ASSERT_TRUE(std::holds_alternative<std::string>(listed)) << refused;
    EXPECT_NE(std::get<std::string>(listed).find(refused), std::string::npos)
        << std::get<std::string>(listed);
  }
}

// The flag is set at the first change; the reading stops within the packet at hand, long before
// the capture's end, and the observers hear of no end.
TEST(CaptureReader, CancelledReadingStopsWithinAPacket) {
  const ScratchDirectory dir;
  constexpr int kToggles = 20000;
  std::ofstream(dir / "long.vcd") << ToggleVcd(kToggles, 2000);
  std::vector<std::string> captures = {dir / "long.vcd"};
  if (std::system("command -v sigrok-cli >/dev/null") == 0) {
    const std::string convert =
        "sigrok-cli -I vcd -i '" + (dir / "long.vcd") + "' -o '" + (dir / "long.sr") + "'";
    ASSERT_EQ(std::system(convert.c_str()), 0);
    captures.push_back(dir / "long.sr");
  }
  for (const std::string& capture : captures) {
    CancellingObserver observer;
    const CaptureReading reading = ReadCapture(capture, SckOnD1(), {&observer}, &observer.cancel);
    EXPECT_EQ(reading.status, CaptureReading::Status::kCancelled) << capture << reading.message;
    EXPECT_TRUE(observer.began) << capture;
    EXPECT_FALSE(observer.ended) << capture;
    EXPECT_LT(observer.changes, kToggles / 4) << capture;
  }
  // Unset, the same flag lets the reading run to the end.
  const std::atomic<bool> never{false};
  ChangeCounter counter;
  EXPECT_EQ(ReadCapture(captures.front(), SckOnD1(), {&counter}, &never).status,
            CaptureReading::Status::kRead);
  EXPECT_EQ(counter.changes, kToggles);
}

}  // namespace
}  // namespace kitbuilder::simulator
