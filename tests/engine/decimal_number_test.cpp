#include "engine/decimal_number.h"

#include <gtest/gtest.h>

#include <limits>

namespace kitbuilder {
namespace {

struct NumberCase {
  const char* name;
  const char* text;
  std::optional<int32_t> expected;
};

class ReadDecimalNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadDecimalNumberTest, ReadsLikeAPercentDConversion) {
  EXPECT_EQ(ReadDecimalNumber(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadDecimalNumberTest,
    ::testing::Values(
        NumberCase{"Plain", "100", 100}, NumberCase{"LeadingZeros", "007", 7},
        NumberCase{"LengthWithZero", "064", 64}, NumberCase{"Zero", "0", 0},
        NumberCase{"LeadingBlanks", " \t 42", 42}, NumberCase{"Negative", "-5", -5},
        NumberCase{"PlusSign", "+9", 9}, NumberCase{"StopsAtLetters", "12ab", 12},
        NumberCase{"StopsAtBlank", "3 4", 3}, NumberCase{"Empty", "", std::nullopt},
        NumberCase{"OnlyBlanks", "   ", std::nullopt}, NumberCase{"OnlySign", "-", std::nullopt},
        NumberCase{"SignThenBlank", "- 5", std::nullopt},
        NumberCase{"LettersFirst", "ab12", std::nullopt},
        NumberCase{"Int32Max", "2147483647", std::numeric_limits<int32_t>::max()},
        NumberCase{"Int32Min", "-2147483648", std::numeric_limits<int32_t>::min()},
        NumberCase{"SaturatesHigh", "99999999999999999999", std::numeric_limits<int32_t>::max()},
        NumberCase{"SaturatesLow", "-2147483649", std::numeric_limits<int32_t>::min()}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder
