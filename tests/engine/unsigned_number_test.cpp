#include "engine/unsigned_number.h"

#include <gtest/gtest.h>

namespace kitbuilder {
namespace {

struct UnsignedCase {
  const char* name;
  const char* text;
  int base;
  std::optional<uint64_t> expected;
};

class ReadUnsignedTest : public ::testing::TestWithParam<UnsignedCase> {};

TEST_P(ReadUnsignedTest, TakesTheWholeTextOrNothing) {
  EXPECT_EQ(ReadUnsigned(GetParam().text, GetParam().base), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadUnsignedTest,
    ::testing::Values(UnsignedCase{"Decimal", "184", 10, 184},
                      UnsignedCase{"HexEitherCase", "00d1Ff", 16, 0xD1FF},
                      UnsignedCase{"Largest", "18446744073709551615", 10, UINT64_MAX},
                      UnsignedCase{"TooLarge", "18446744073709551616", 10, std::nullopt},
                      UnsignedCase{"Empty", "", 16, std::nullopt},
                      UnsignedCase{"Trailing", "12:", 10, std::nullopt},
                      UnsignedCase{"Blank", " 12", 10, std::nullopt},
                      UnsignedCase{"Sign", "-1", 10, std::nullopt},
                      UnsignedCase{"Prefix", "0x10", 16, std::nullopt},
                      UnsignedCase{"HexInDecimal", "1f", 10, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder
