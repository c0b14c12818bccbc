#include "settings/settings_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kitbuilder::settings {
namespace {

constexpr int32_t kEveryMode[] = {kModeTx, kModeRx, kModeTxAck, kModeRxAck};

/// Reads `text` as the file "board.toml" and interprets what it gives.
std::variant<GenerationSettings, Refusal> Read(std::string_view text) {
  std::variant<SettingTexts, Refusal> texts = ReadSettingsText(text, "board.toml");
  if (const Refusal* refusal = std::get_if<Refusal>(&texts)) return *refusal;
  return InterpretSettings(std::get<SettingTexts>(texts));
}

constexpr const char* kAllowedKeys =
    "board.toml: unknown key \"chanel\"; allowed keys: channel, crystal, data-rate, tx-power, "
    "rf-id, scs, sck, sdio, gio1, gio2, wtr, wiring, compiler, mcu-clock, clocks-per-cycle, mode, "
    "length, ack-length, rest, delay, wait";

TEST(SettingsTextRead, TomlSnippetsGiveTheSettingsTheyWrite) {
  const struct {
    const char* name;
    const char* toml;
    std::vector<std::pair<Setting, std::string>> gives;  ///< as the texts of the settings read
  } cases[] = {
      {"hexadecimal integer", "channel = 0x10\n", {{Setting::kChannel, "16"}}},
      {"octal, binary and negative integers",
       "mode = \"tx-ack\"\ndelay = 0o17\nwait = 0b101\ntx-power = -12\nwiring = 4\n",
       {{Setting::kDelay, "15"},
        {Setting::kWait, "5"},
        {Setting::kTxPower, "-12"},
        {Setting::kWiring, "4"}}},
      {"written by hand: literal string, case, blanks, comments, CR LF",
       "# board 7\r\nmode = 'TX-ACK'\r\n\tchannel\t=  12   # the quiet one\r\n"
       "rf-id = \"54, a, 0b, ff\"\r\nscs = \"p2.5\"\r\n",
       {{Setting::kMode, "tx-ack"},
        {Setting::kChannel, "12"},
        {Setting::kRfId, "54,A,0B,FF"},
        {Setting::kScs, "P2.5"}}},
      {"clock as a float, the other clock setting by default",
       "compiler = \"sdcc\"\nmcu-clock = 11.0592\n",
       {{Setting::kMcuClock, "11.0592"}, {Setting::kClocksPerCycle, "12"}}},
      {"clock as an integer, X2 mode",
       "compiler = \"sdcc\"\nmcu-clock = 24\nclocks-per-cycle = 6\n",
       {{Setting::kMcuClock, "24"}, {Setting::kClocksPerCycle, "6"}}},
  };
  for (const auto& testCase : cases) {
    SCOPED_TRACE(testCase.name);
    const std::variant<GenerationSettings, Refusal> read = Read(testCase.toml);
    ASSERT_TRUE(std::holds_alternative<GenerationSettings>(read))
        << std::get<Refusal>(read).message;
    for (const auto& [setting, text] : testCase.gives) {
      EXPECT_EQ(SettingText(std::get<GenerationSettings>(read), setting), text)
          << SettingName(setting);
    }
  }
}

// A document that is not TOML 1.0 is refused at the place and for the reason the parser gives.
TEST(SettingsTextRead, SnippetsThatAreNoTomlOrNoSettingsAreRefusedInOneLine) {
  const struct {
    const char* name;
    const char* toml;
    const char* refusal;  ///< how the refusal starts
  } cases[] = {
      {"string without its closing quote", "rf-id=\"54,75,C5,2A\nmode=\"tx\"\n",
       "board.toml:1:19: Error while parsing string: unescaped control"},
      // toml++ 3.3.0 fails an assertion on these before it refuses them.
      {"a line holding only [", "channel = 12\n[\n", "board.toml:2:2: Error while parsing key"},
      {"table header with an invalid character", "[!]\n",
       "board.toml:1:2: Error while parsing key"},
      {"table header of a dot", "[.]\n", "board.toml:1:2: Error while parsing key"},
      {"table header of two dots", "[..]\n", "board.toml:1:2: Error while parsing key"},
      {"table header never closed", "[ # board 7\nchannel = 12\n",
       "board.toml:1:3: Error while parsing key"},
      // TOML, but not settings.
      {"string for an integer", "channel = \"12\"\n",
       "board.toml: channel takes an integer such as 100, not a string"},
      {"integer for a string", "mode = 1\n",
       "board.toml: mode takes a string such as \"tx-ack\", not an integer"},
      {"float", "channel = 1.5\n", "board.toml: channel takes an integer such as 100, not a float"},
      {"array", "channel = [1, 2]\n",
       "board.toml: channel takes an integer such as 100, not an array"},
      {"inline table", "rf-id = {a = 1}\n",
       "board.toml: rf-id takes a string such as \"54,75,C5,2A\", not a table"},
      {"unknown key", "chanel = 12\n", kAllowedKeys},
      {"key in another case", "mode = \"tx\"\nChannel = 12\n",
       "board.toml: unknown key \"Channel\";"},
      {"section", "[board]\nchannel = 12\n",
       "board.toml: section or dotted key \"board\" is not allowed; allowed: every key at the top "
       "level, as in channel = 100"},
      {"dotted key", "radio.channel = 12\n",
       "board.toml: section or dotted key \"radio\" is not allowed;"},
      {"the first refusal in the file's order", "wait = \"x\"\nchannel = \"y\"\n",
       "board.toml: wait takes an integer"},
      {"empty", "", "board.toml: holds no settings;"},
      {"comments only", "# only a comment\n\n   \n", "board.toml: holds no settings;"},
      // Settings, but not allowed.
      {"out of range in hexadecimal", "channel = 0x1FF\n",
       "board.toml: channel \"511\" is not allowed;"},
      {"negative", "length = -1\n", "board.toml: length \"-1\" is not allowed; allowed: 1..64"},
      {"clock for C51", "clocks-per-cycle = 6\n",
       "board.toml: clocks-per-cycle \"6\" is not used with compiler c51,"},
      {"clock above 50 MHz", "compiler = \"sdcc\"\nmcu-clock = 50.5\n",
       "board.toml: mcu-clock \"50.5\" is not allowed; allowed: 1..50, up to 6 decimals"},
      {"clock below 1 MHz", "compiler = \"sdcc\"\nmcu-clock = 0.5\n",
       "board.toml: mcu-clock \"0.5\" is not allowed;"},
      {"clock with too many decimals", "compiler = \"sdcc\"\nmcu-clock = 11.0592001\n",
       "board.toml: mcu-clock \"11.0592001\" is not allowed;"},
      {"clock as a string", "compiler = \"sdcc\"\nmcu-clock = \"12\"\n",
       "board.toml: mcu-clock takes a number such as 12, not a string"},
      {"single-cycle core", "compiler = \"sdcc\"\nclocks-per-cycle = 1\n",
       "board.toml: clocks-per-cycle \"1\" is not allowed; allowed: 12 (a classic core), 6"},
  };
  for (const auto& testCase : cases) {
    SCOPED_TRACE(testCase.name);
    const std::variant<GenerationSettings, Refusal> read = Read(testCase.toml);
    ASSERT_TRUE(std::holds_alternative<Refusal>(read));
    const std::string& message = std::get<Refusal>(read).message;
    EXPECT_EQ(message.rfind(testCase.refusal, 0), 0u) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }
}

// The header, then each key the mode uses in the form's order, under a blank line and the comment
// that says what it means and what it allows; texts quoted, numbers bare.
TEST(SettingsFileText, HoldsEveryKeyTheModeUsesUnderItsComment) {
  GenerationSettings settings = DefaultSettings(kModeTxAck);
  settings.rf.txPowerIndex = 4;
  const std::string text = SettingsFileText(settings);
  EXPECT_EQ(
      text.rfind("# Kitbuilder settings; build them with: kitbuilder-cli --settings FILE -o DIR\n\n"
                 "# radio channel, 2400 MHz + 0.5 MHz each; allowed: 0..166\nchannel=100\n\n"
                 "# radio crystal; allowed: 16MHz\ncrystal=\"16MHz\"\n\n",
                 0),
      0u)
      << text;
  std::size_t previous = 0;
  for (const char* line :
       {"\ntx-power=-12\n", "\nrf-id=\"54,75,C5,2A\"\n", "\nscs=\"P1.1\"\n", "\nwiring=3\n",
        "\ncompiler=\"c51\"\n", "\nmode=\"tx-ack\"\n", "\nack-length=8\n", "\nwait=40\n"}) {
    const std::size_t at = text.find(line);
    EXPECT_NE(at, std::string::npos) << line << "in\n" << text;
    EXPECT_GT(at, previous) << line << "out of order in\n" << text;
    previous = at;
  }
  EXPECT_EQ(text.substr(text.size() - 9), "\nwait=40\n");
  for (int32_t mode : kEveryMode) {
    const std::string plain = SettingsFileText(DefaultSettings(mode));
    EXPECT_EQ(plain.find("\nmcu-clock="), std::string::npos);
    EXPECT_EQ(plain.find("\nwait=") != std::string::npos, mode == kModeTxAck);
    EXPECT_EQ(plain.find("\nack-length=") != std::string::npos,
              mode == kModeTxAck || mode == kModeRxAck);
  }
}

TEST(SettingsFileText, QuotesBackslashesAndLineBreaksInATextReadBackAsThemselves) {
  GenerationSettings settings = DefaultSettings();
  settings.rfId[1] = "0x\"\\\n\tmode=\"rx\"";
  const std::variant<SettingTexts, Refusal> read =
      ReadSettingsText(SettingsFileText(settings), "board.toml");
  ASSERT_TRUE(std::holds_alternative<SettingTexts>(read)) << std::get<Refusal>(read).message;
  const SettingTexts& texts = std::get<SettingTexts>(read);
  ASSERT_TRUE(texts[Setting::kRfId] && texts[Setting::kMode]);
  EXPECT_EQ(texts[Setting::kRfId]->text, SettingText(settings, Setting::kRfId));
  EXPECT_EQ(texts[Setting::kMode]->text, "tx");
}

}  // namespace
}  // namespace kitbuilder::settings
