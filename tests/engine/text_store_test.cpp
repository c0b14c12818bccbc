#include "engine/text_store.h"

#include <gtest/gtest.h>

#include "tests/support/fake_text_store.h"

namespace kitbuilder {
namespace {

using testing::FakeTextStore;

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
