// The capture reader over many captures, as a window that opens one after another reads them:
// it must give back what libsigrok took for each (libsigrokcxx 0.5.2 kept an input format's
// reader, some 4 MB, for every VCD it read).

#include "simulator/capture/capture_reader.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <fstream>

#include "tests/support/scratch_directory.h"

namespace kitbuilder::simulator {
namespace {

using kitbuilder::testing::ScratchDirectory;

/// Counts the changes of SCK, to see that each reading saw the whole capture.
struct SckEdges : CaptureObserver {
  void CaptureBegins(const CaptureStart&) override {}
  void LinesChanged(const LineChange& change) override {
    edges += change.changed.test(static_cast<size_t>(ChipLine::kSck)) ? 1 : 0;
  }
  void CaptureEnds(uint64_t) override {}
  int edges = 0;
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
  {
    std::ofstream vcd(dir / "capture.vcd");
    vcd << "$timescale 1 us $end\n$scope module analyzer $end\n$var wire 1 a SCS $end\n"
           "$var wire 1 b SCK $end\n$upscope $end\n$enddefinitions $end\n#0\n1a\n0b\n";
    for (int step = 1; step <= 200; ++step) vcd << "#" << step * 2 << "\n" << step % 2 << "b\n";
  }
  const ChannelChooser choose = [](const std::vector<std::string>&) {
    ChannelMapping mapping;
    mapping[static_cast<size_t>(ChipLine::kScs)] = 0;
    mapping[static_cast<size_t>(ChipLine::kSck)] = 1;
    return std::variant<ChannelMapping, MappingRefusal>(mapping);
  };
  size_t before = 0;
  for (int reading = 0; reading < 30; ++reading) {
    // The first readings settle what libsigrok and glib keep for good.
    if (reading == 5) before = AllocatedBytes();
    SckEdges sck;
    const CaptureReading read = ReadCapture(dir / "capture.vcd", choose, {&sck});
    ASSERT_EQ(read.status, CaptureReading::Status::kRead) << read.message;
    ASSERT_EQ(sck.edges, 199);
  }
  // 25 readings that each kept 4 MB would have taken 100 MB.
  EXPECT_LT(AllocatedBytes() - before, size_t{1} << 20);
}

}  // namespace
}  // namespace kitbuilder::simulator
