// The reader's two services to the window beyond the check itself: the capture's channels
// from its header alone, and a reading called off while it streams, of a VCD fed to libsigrok's
// input module and of a session file that libsigrok runs itself.

#include "simulator/capture/capture_reader.h"

#include <gtest/gtest.h>

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

ChannelChooser SckOnD1() {
  return [](const std::vector<std::string>& channels) {
    return MapChannels(channels, "SCS=D0,SCK=D1", LineBit(ChipLine::kSck));
  };
}

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
  struct Counter : CaptureObserver {
    void CaptureBegins(const CaptureStart&) override {}
    void LinesChanged(const LineChange&) override { ++changes; }
    void CaptureEnds(uint64_t) override {}
    int changes = 0;
  } counter;
  EXPECT_EQ(ReadCapture(captures.front(), SckOnD1(), {&counter}, &never).status,
            CaptureReading::Status::kRead);
  EXPECT_EQ(counter.changes, kToggles);
}

}  // namespace
}  // namespace kitbuilder::simulator
