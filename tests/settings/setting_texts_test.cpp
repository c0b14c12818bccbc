#include "settings/setting_texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/same_settings.h"

namespace kitbuilder::settings {
namespace {

using testing::SameSettings;

constexpr int32_t kEveryMode[] = {kModeTx, kModeRx, kModeTxAck, kModeRxAck};

std::variant<GenerationSettings, Refusal> Interpret(
    std::initializer_list<std::pair<Setting, std::string>> given) {
  SettingTexts texts;
  for (const auto& [setting, text] : given) {
    texts.Give(setting, text, "origin of " + std::string(SettingName(setting)));
  }
  return InterpretSettings(texts);
}

std::vector<std::string> SplitAllowedList(std::string_view allowed) {
  std::vector<std::string> items;
  for (std::size_t start = 0;;) {
    const std::size_t comma = allowed.find(", ", start);
    items.emplace_back(allowed.substr(start, comma - start));
    if (comma == std::string_view::npos) return items;
    start = comma + 2;
  }
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The lists in the help and in the file's comments are written apart from the tables that read
// the values; every item they name must be accepted, in any case, and written back as listed.
TEST(SettingTextsRead, EveryListedValueIsAcceptedInAnyCaseAndWrittenBackAsListed) {
  for (Setting setting : {Setting::kCrystal, Setting::kDataRate, Setting::kTxPower, Setting::kWtr,
                          Setting::kWiring, Setting::kCompiler, Setting::kMode, Setting::kRest}) {
    for (const std::string& item : SplitAllowedList(SettingAllowed(setting))) {
      for (const std::string& given : {item, UpperCase(item)}) {
        const auto read = Interpret({{setting, given}});
        const auto* settings = std::get_if<GenerationSettings>(&read);
        ASSERT_NE(settings, nullptr)
            << SettingName(setting) << " " << given << ": " << std::get<Refusal>(read).message;
        EXPECT_EQ(SettingText(*settings, setting), item) << SettingName(setting);
      }
    }
  }
}

TEST(SettingTextsRead, RangeEdgesAndFormsAreReadAndWrittenBackInTheirPlainForm) {
  const struct {
    int32_t mode;
    Setting setting;
    std::string given;
    std::string written;
  } cases[] = {
      {kModeTx, Setting::kChannel, "0", "0"},
      {kModeTx, Setting::kChannel, "166", "166"},
      {kModeTx, Setting::kChannel, "007", "7"},
      {kModeTx, Setting::kLength, "64", "64"},
      {kModeRx, Setting::kLength, "1", "1"},
      {kModeTxAck, Setting::kAckLength, "64", "64"},
      {kModeRxAck, Setting::kAckLength, "1", "1"},
      {kModeRx, Setting::kDelay, "255", "255"},
      {kModeRxAck, Setting::kDelay, "0", "0"},
      {kModeTxAck, Setting::kWait, "255", "255"},
      {kModeTxAck, Setting::kWait, "0", "0"},
      {kModeTx, Setting::kScs, "p0.0", "P0.0"},
      {kModeTx, Setting::kGio2, "P3.7", "P3.7"},
      {kModeTx, Setting::kRfId, "54, a ,0b,FF", "54,A,0B,FF"},
  };
  for (const auto& testCase : cases) {
    const auto read = Interpret(
        {{Setting::kMode, ModeOptionText(testCase.mode)}, {testCase.setting, testCase.given}});
    const auto* settings = std::get_if<GenerationSettings>(&read);
    ASSERT_NE(settings, nullptr) << testCase.given << ": " << std::get<Refusal>(read).message;
    EXPECT_EQ(SettingText(*settings, testCase.setting), testCase.written)
        << SettingName(testCase.setting) << " " << testCase.given;
  }
}

TEST(SettingTextsRead, NothingGivenMeansTheWindowsDefaultsOfTheChosenMode) {
  for (int32_t mode : kEveryMode) {
    const auto read = Interpret({{Setting::kMode, ModeOptionText(mode)}});
    ASSERT_TRUE(std::holds_alternative<GenerationSettings>(read));
    EXPECT_TRUE(SameSettings(DefaultSettings(mode), std::get<GenerationSettings>(read)))
        << ModeOptionText(mode);
  }
  const auto none = InterpretSettings(SettingTexts());
  ASSERT_TRUE(std::holds_alternative<GenerationSettings>(none));
  EXPECT_TRUE(SameSettings(DefaultSettings(), std::get<GenerationSettings>(none)));
}

TEST(SettingTextsRead, RefusalsNameTheOriginTheTextAndWhatIsAllowed) {
  const struct {
    std::initializer_list<std::pair<Setting, std::string>> given;
    const char* message;
  } cases[] = {
      {{{Setting::kChannel, "167"}}, "origin of channel \"167\" is not allowed; allowed: 0..166"},
      {{{Setting::kCompiler, "keil"}},
       "origin of compiler \"keil\" is not allowed; allowed: c51, sdcc"},
      {{{Setting::kScs, "P4.0"}},
       "origin of scs \"P4.0\" is not allowed; allowed: P<port>.<bit>, port 0..3, bit 0..7, for "
       "example P1.1"},
      {{{Setting::kMode, "rx"}, {Setting::kWait, "40"}},
       "origin of wait \"40\" is not used in mode rx; it applies to tx-ack only"},
      {{{Setting::kAckLength, "8"}},
       "origin of ack-length \"8\" is not used in mode tx; it applies to tx-ack and rx-ack only"},
      // The mode is read first, then the rest in the form's order.
      {{{Setting::kWait, "999"}, {Setting::kChannel, "999"}, {Setting::kMode, "ack"}},
       "origin of mode \"ack\" is not allowed; allowed: tx, rx, tx-ack, rx-ack"},
      {{{Setting::kRest, "idle"}, {Setting::kScs, "P9.9"}},
       "origin of scs \"P9.9\" is not allowed; allowed: P<port>.<bit>, port 0..3, bit 0..7, for "
       "example P1.1"},
  };
  for (const auto& testCase : cases) {
    const auto read = Interpret(testCase.given);
    ASSERT_TRUE(std::holds_alternative<Refusal>(read)) << testCase.message;
    EXPECT_EQ(std::get<Refusal>(read).message, testCase.message);
  }
}

// Settings from the window may hold what no text stands for; written out, such a value must be
// refused when read back, not turn into another value.
TEST(SettingTextsWrite, ValuesOutsideWhatIsAllowedAreRefusedWhenReadBack) {
  const struct {
    Setting setting;
    void (*spoil)(GenerationSettings*);
  } cases[] = {
      {Setting::kChannel, [](GenerationSettings* s) { s->rf.channel = 167; }},
      {Setting::kCrystal, [](GenerationSettings* s) { s->rf.crystalIndex = 1; }},
      {Setting::kDataRate, [](GenerationSettings* s) { s->rf.dataRateIndex = 2; }},
      {Setting::kTxPower, [](GenerationSettings* s) { s->rf.txPowerIndex = -1; }},
      {Setting::kRfId, [](GenerationSettings* s) { s->rfId[2] = "0x"; }},
      {Setting::kRfId, [](GenerationSettings* s) { s->rfId[0] = "0x55"; }},
      {Setting::kSck, [](GenerationSettings* s) { s->pins.sckPort = 12; }},
      {Setting::kGio1, [](GenerationSettings* s) { s->pins.gio1Pin = -1; }},
      {Setting::kWtr, [](GenerationSettings* s) { s->pins.wtrLine = 2; }},
      {Setting::kWiring, [](GenerationSettings* s) { s->pins.spiMode = 7; }},
      {Setting::kCompiler, [](GenerationSettings* s) { s->compiler = TargetCompiler{5}; }},
      {Setting::kMode, [](GenerationSettings* s) { s->operatingMode = 4; }},
      {Setting::kLength, [](GenerationSettings* s) { s->rf.modeValue1 = 65; }},
      {Setting::kRest, [](GenerationSettings* s) { s->rf.modeValue2 = 2; }},
      {Setting::kDelay, [](GenerationSettings* s) { s->rf.modeValue3 = 256; }},
  };
  for (const auto& testCase : cases) {
    GenerationSettings settings = DefaultSettings();
    testCase.spoil(&settings);
    const std::string written = SettingText(settings, testCase.setting);
    const auto read = Interpret({{testCase.setting, written}});
    ASSERT_TRUE(std::holds_alternative<Refusal>(read))
        << SettingName(testCase.setting) << " written as " << written;
    EXPECT_NE(std::get<Refusal>(read).message.find("\"" + written + "\""), std::string::npos);
  }
}

TEST(SettingTexts, OverridingReplacesOnlyTheGivenTextsWithTheirOrigins) {
  SettingTexts file;
  file.Give(Setting::kChannel, "12", "board.toml: channel");
  file.Give(Setting::kMode, "tx-ack", "board.toml: mode");
  SettingTexts commandLine;
  commandLine.Give(Setting::kChannel, "30", "--channel");
  commandLine.Give(Setting::kWtr, "GIO2", "--wtr");
  file.OverrideWith(commandLine);

  ASSERT_TRUE(file[Setting::kChannel]);
  EXPECT_EQ(file[Setting::kChannel]->text, "30");
  EXPECT_EQ(file[Setting::kChannel]->origin, "--channel");
  ASSERT_TRUE(file[Setting::kMode]);
  EXPECT_EQ(file[Setting::kMode]->origin, "board.toml: mode");
  ASSERT_TRUE(file[Setting::kWtr]);
  EXPECT_EQ(file[Setting::kWtr]->text, "GIO2");
  EXPECT_FALSE(file[Setting::kScs]);
}

}  // namespace
}  // namespace kitbuilder::settings
