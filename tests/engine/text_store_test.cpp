#include "engine/text_store.h"

#include <gtest/gtest.h>

#include "tests/support/fake_text_store.h"

namespace kitbuilder {
namespace {

using testing::FakeTextStore;

struct FragmentFailureCase {
  const char* name;
  FetchStatus stage;
  const char* expected;
};

class LoadFragmentFailureTest : public ::testing::TestWithParam<FragmentFailureCase> {};

TEST_P(LoadFragmentFailureTest, FailureTextNamesTheStageAndTheId) {
  FakeTextStore store;
  store.Set("STR", 188, "text");
  store.Fail("STR", 188, GetParam().stage);
  EXPECT_EQ(LoadFragment(store, 188), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Stages, LoadFragmentFailureTest,
                         ::testing::Values(FragmentFailureCase{"Locate", FetchStatus::kNotFound,
                                                               "LoadStr 188 :hRes Failed\r\n"},
                                           FragmentFailureCase{"Load", FetchStatus::kNotLoadable,
                                                               "LoadStr 188 :hResData Failed\r\n"},
                                           FragmentFailureCase{"Bytes", FetchStatus::kNoBytes,
                                                               "LoadStr 188 :lpBuffer Failed\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TemplateCodeCase {
  const char* name;
  FetchStatus stage;
  int32_t code;
};

class OpenTemplateCodeTest : public ::testing::TestWithParam<TemplateCodeCase> {};

TEST_P(OpenTemplateCodeTest, EachStageHasItsCode) {
  FakeTextStore store;
  store.Set("TXT", 161, "skeleton");
  store.Fail("TXT", 161, GetParam().stage);
  TemplateView view;
  EXPECT_EQ(OpenTemplate(store, 161, &view), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Stages, OpenTemplateCodeTest,
                         ::testing::Values(TemplateCodeCase{"Found", FetchStatus::kFound, 0},
                                           TemplateCodeCase{"Locate", FetchStatus::kNotFound, -1},
                                           TemplateCodeCase{"Load", FetchStatus::kNotLoadable, -2},
                                           TemplateCodeCase{"Bytes", FetchStatus::kNoBytes, -3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadFragmentTest, UnassignedIdsGiveTheLocateFailure) {
  for (int32_t id : {170, 174, 184, 196, 205, 210, 211}) {
    EXPECT_EQ(LoadFragment(EmbeddedStore(), id),
              "LoadStr " + std::to_string(id) + " :hRes Failed\r\n");
  }
}

TEST(LoadFragmentTest, UsesTheLowSixteenBitsButNamesTheIdAsPassed) {
  FakeTextStore store;
  store.Set("STR", 166, "proto");
  EXPECT_EQ(LoadFragment(store, 166 + 65536), "proto");
  EXPECT_EQ(LoadFragment(store, -1), "LoadStr -1 :hRes Failed\r\n");
  EXPECT_EQ(LoadFragment(store, 65536 + 170), "LoadStr 65706 :hRes Failed\r\n");
}

TEST(LoadFragmentTest, ReadsUpToAZeroByteLikeAString) {
  FakeTextStore store;
  store.Set("STR", 200, std::string("ab\0cd", 5));
  EXPECT_EQ(LoadFragment(store, 200), "ab");
}

TEST(TextStoreTest, KindsAreSeparateAndMatchedWithoutCase) {
  TemplateView view;
  EXPECT_EQ(OpenTemplate(EmbeddedStore(), 166, &view), -1) << "166 is a fragment, not a template";
  EXPECT_EQ(LoadFragment(EmbeddedStore(), 211), "LoadStr 211 :hRes Failed\r\n");
  EXPECT_EQ(EmbeddedStore().Fetch("txt", 160).status, FetchStatus::kFound);
  EXPECT_EQ(EmbeddedStore().Fetch("Str", 188).status, FetchStatus::kFound);
}

TEST(TextStoreTest, EveryStoredTextIsFollowedByAZeroByteAndHoldsNone) {
  auto check = [](std::string_view kind, uint16_t id) {
    const FetchResult text = EmbeddedStore().Fetch(kind, id);
    ASSERT_EQ(text.status, FetchStatus::kFound) << kind << " " << id;
    EXPECT_EQ(text.bytes.find('\0'), std::string_view::npos) << kind << " " << id;
    EXPECT_EQ(text.bytes.data()[text.bytes.size()], '\0') << kind << " " << id;
  };
  for (uint16_t id : {160, 161, 211}) check("TXT", id);
  for (uint16_t id : testing::kFragmentIds) check("STR", id);
}

}  // namespace
}  // namespace kitbuilder
