#include "cli/shared_pins.h"

#include <gtest/gtest.h>

namespace kitbuilder::cli {
namespace {

TEST(SharedPinWarnings, NameTheLinesThatShareEachPin) {
  // SCS on P1.1 and SDIO on P3.1: the same bit on another port is no conflict.
  PinAssignment defaults;
  EXPECT_TRUE(SharedPinWarnings(defaults).empty());

  // SCK off port 3, so that a line read with another line's port shows.
  PinAssignment twoLines;
  twoLines.sckPort = 1;
  twoLines.sckPin = 1;
  EXPECT_EQ(SharedPinWarnings(twoLines), std::vector<std::string>{"SCS and SCK are both on P1.1"});

  PinAssignment threeLines;
  threeLines.sckPort = 3;
  threeLines.sckPin = 3;
  threeLines.sdioPin = 3;
  EXPECT_EQ(SharedPinWarnings(threeLines),
            std::vector<std::string>{"SCK, SDIO and GIO1 are all on P3.3"});

  PinAssignment twoPairs;
  twoPairs.sckPin = 1;   // with SDIO on P3.1
  twoPairs.gio2Pin = 3;  // with GIO1 on P3.3
  EXPECT_EQ(SharedPinWarnings(twoPairs),
            (std::vector<std::string>{"SCK and SDIO are both on P3.1",
                                      "GIO1 and GIO2 are both on P3.3"}));
}

}  // namespace
}  // namespace kitbuilder::cli
