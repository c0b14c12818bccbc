#include "settings/setting_texts.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kitbuilder::settings {
namespace {

struct KeyDescription {
  std::string_view name;
  std::string_view meaning;
  std::string_view allowed;
  ValueType type = ValueType::kString;
};

constexpr ValueType kInteger = ValueType::kInteger;

constexpr std::string_view kPinAllowed = "P<port>.<bit>, port 0..3, bit 0..7";

// In the order of Setting.
constexpr KeyDescription kKeys[kSettingCount] = {
    {"channel", "radio channel, 2400 MHz + 0.5 MHz each", "0..166", kInteger},
    {"crystal", "radio crystal", "16MHz"},
    {"data-rate", "air data rate in bps", "2M, 1M"},
    {"tx-power", "transmit power in dBm", "0, -4, -6, -8, -12", kInteger},
    {"rf-id", "RF ID",
     "four hex bytes of 1 or 2 digits separated by commas, the first fixed at 54"},
    {"scs", "pin of the chip select line SCS", kPinAllowed},
    {"sck", "pin of the serial clock SCK", kPinAllowed},
    {"sdio", "pin of the serial data line SDIO", kPinAllowed},
    {"gio1", "pin of the radio line GIO1", kPinAllowed},
    {"gio2", "pin of the radio line GIO2", kPinAllowed},
    {"wtr", "radio line that carries WTR", "GIO1, GIO2"},
    {"wiring", "serial wiring, 3 or 4 wires (with 4 the GIO line that is not WTR is SDO)", "3, 4",
     kInteger},
    {"compiler", "8051 C dialect of the files; sdcc also writes a Makefile", "c51, sdcc"},
    {"mcu-clock",
     "clock of the microcontroller in MHz; given, SDCC's delay routines are computed for it",
     "1..50, up to 6 decimals, as 11.0592; sdcc only", ValueType::kNumber},
    {"clocks-per-cycle",
     "clocks per machine cycle; given, SDCC's delay routines are computed for it (single-cycle "
     "cores time each instruction differently and are not offered)",
     "12 (a classic core), 6 (X2 mode); sdcc only", kInteger},
    {"mode", "operating mode", "tx, rx, tx-ack, rx-ack"},
    {"length", "bytes per packet: TX length in tx and tx-ack, RX length in rx and rx-ack", "1..64",
     kInteger},
    {"ack-length", "bytes of the acknowledgement, tx-ack and rx-ack only", "1..64", kInteger},
    {"rest", "state the radio rests in during the delay", "sleep, standby"},
    {"delay", "delay per loop cycle in ms", "0..255", kInteger},
    {"wait", "wait for the acknowledgement in units of 100 us, tx-ack only", "0..255", kInteger},
};

/// One accepted text of a list setting and the settings value it stands for.
struct Choice {
  std::string_view text;
  int32_t value;
};

constexpr Choice kModes[] = {
    {"tx", kModeTx}, {"rx", kModeRx}, {"tx-ack", kModeTxAck}, {"rx-ack", kModeRxAck}};
constexpr Choice kDataRates[] = {{"2M", 0}, {"1M", 1}};
constexpr Choice kTxPowers[] = {{"0", 0}, {"-4", 1}, {"-6", 2}, {"-8", 3}, {"-12", 4}};
constexpr Choice kCrystals[] = {{"16MHz", 0}};
constexpr Choice kWtrLines[] = {{"GIO1", 0}, {"GIO2", 1}};
constexpr Choice kWirings[] = {{"3", 0}, {"4", 1}};
constexpr Choice kRestStates[] = {{"sleep", 0}, {"standby", 1}};
constexpr Choice kClocksPerCycle[] = {{"12", 12}, {"6", 6}};
constexpr Choice kCompilers[] = {{"c51", static_cast<int32_t>(TargetCompiler::kC51)},
                                 {"sdcc", static_cast<int32_t>(TargetCompiler::kSdcc)}};

struct NumberRange {
  int32_t min;
  int32_t max;
};

constexpr NumberRange kChannels{0, 166};
constexpr NumberRange kLengths{1, 64};
constexpr NumberRange kTimes{0, 255};

constexpr std::string_view kFixedFirstRfIdByte = "54";

constexpr double kMinMegahertz = 1.0;
constexpr double kMaxMegahertz = 50.0;
constexpr std::size_t kMaxMegahertzDecimals = 6;

std::size_t IndexOf(Setting setting) {
  return static_cast<std::size_t>(setting);
}

template <std::size_t N>
std::string ChoiceText(const Choice (&choices)[N], int32_t value) {
  for (const Choice& choice : choices) {
    if (choice.value == value) return std::string(choice.text);
  }
  return std::to_string(value);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

/// Splits at every comma, keeping empty pieces so that "54,,C5,2A" shows a missing byte.
std::vector<std::string_view> SplitAtCommas(std::string_view text) {
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    pieces.push_back(text.substr(start, comma - start));
    if (comma == std::string_view::npos) return pieces;
    start = comma + 1;
  }
}

/// Digits only, no sign. Longer numbers saturate so that they count as out of range instead of
/// wrapping into it.
std::optional<int32_t> ReadWholeNumber(std::string_view text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit)) return std::nullopt;
  int64_t value = 0;
  for (char c : text) value = std::min<int64_t>(value * 10 + (c - '0'), INT32_MAX);
  return static_cast<int32_t>(value);
}

/// "11.0592": digits, at most one point with digits after it; nothing for anything else.
std::optional<double> ReadMegahertz(std::string_view text) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view decimals =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  const bool wellFormed = !whole.empty() && whole.size() <= 3 &&
                          std::all_of(whole.begin(), whole.end(), IsDigit) &&
                          (point == std::string_view::npos ||
                           (!decimals.empty() && decimals.size() <= kMaxMegahertzDecimals &&
                            std::all_of(decimals.begin(), decimals.end(), IsDigit)));
  if (!wellFormed) return std::nullopt;
  // from_chars, unlike stod, reads a point whatever the locale the window has set.
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string MegahertzText(double megahertz) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*g", static_cast<int>(kMaxMegahertzDecimals + 2), megahertz);
  return text;
}

/// "tx-ack and rx-ack": the modes that read the setting.
std::string ModesUsing(Setting setting) {
  std::vector<std::string> modes;
  for (const Choice& mode : kModes) {
    if (ModeUses(mode.value, setting)) modes.emplace_back(mode.text);
  }
  std::string text;
  for (std::size_t i = 0; i < modes.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == modes.size() ? " and " : ", ") + modes[i];
  }
  return text;
}

/// Reads the given texts one by one; the first refusal is kept and later reads only fill in
/// placeholders, so that the caller can read everything and check once.
class SettingReader {
 public:
  template <std::size_t N>
  int32_t Choose(Setting setting, const GivenText& given, const Choice (&choices)[N]) {
    for (const Choice& choice : choices) {
      if (SameIgnoringCase(given.text, choice.text)) return choice.value;
    }
    Refuse(setting, given);
    return choices[0].value;
  }

  int32_t Number(Setting setting, const GivenText& given, NumberRange range) {
    const std::optional<int32_t> value = ReadWholeNumber(given.text);
    if (value && *value >= range.min && *value <= range.max) return *value;
    Refuse(setting, given);
    return range.min;
  }

  /// "P<port>.<bit>" into (port, bit).
  std::pair<int32_t, int32_t> Pin(Setting setting, const GivenText& given) {
    const std::string& text = given.text;
    const bool wellFormed = text.size() == 4 && (text[0] == 'P' || text[0] == 'p') &&
                            IsDigit(text[1]) && text[2] == '.' && IsDigit(text[3]);
    const int32_t port = wellFormed ? text[1] - '0' : -1;
    const int32_t bit = wellFormed ? text[3] - '0' : -1;
    if (port >= 0 && port <= 3 && bit >= 0 && bit <= 7) return {port, bit};
    Refuse(setting, given, ", for example P1.1");
    return {0, 0};
  }

  /// "54,75,C5,2A" into the four texts the composer lists, each "0x" and the byte in upper case.
  RfId RfIdTexts(const GivenText& given) {
    const std::vector<std::string_view> bytes = SplitAtCommas(given.text);
    const bool wellFormed =
        bytes.size() == 4 && std::all_of(bytes.begin(), bytes.end(), [](std::string_view byte) {
          byte = TrimBlanks(byte);
          return !byte.empty() && byte.size() <= 2 &&
                 std::all_of(byte.begin(), byte.end(), IsHexDigit);
        });
    if (!wellFormed || TrimBlanks(bytes[0]) != kFixedFirstRfIdByte) {
      Refuse(Setting::kRfId, given, ", for example 54,75,C5,2A");
      return {};
    }
    RfId texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
      texts[i] = "0x" + UpperCase(TrimBlanks(bytes[i]));
    return texts;
  }

  double Megahertz(Setting setting, const GivenText& given) {
    const std::optional<double> value = ReadMegahertz(given.text);
    if (value && *value >= kMinMegahertz && *value <= kMaxMegahertz) return *value;
    Refuse(setting, given);
    return kMinMegahertz;
  }

  void RefuseWithoutSdcc(const GivenText& given) {
    Keep(given.origin + " \"" + given.text +
         "\" is not used with compiler c51, whose delay routines stay as stored; it applies to "
         "sdcc only");
  }

  void RefuseUnused(Setting setting, const GivenText& given, int32_t mode) {
    Keep(given.origin + " \"" + given.text + "\" is not used in mode " + ModeOptionText(mode) +
         "; it applies to " + ModesUsing(setting) + " only");
  }

  const std::optional<Refusal>& refusal() const { return refusal_; }

 private:
  void Refuse(Setting setting, const GivenText& given, std::string_view example = "") {
    Keep(given.origin + " \"" + given.text + "\" is not allowed; allowed: " +
         std::string(SettingAllowed(setting)) + std::string(example));
  }

  void Keep(std::string message) {
    if (!refusal_) refusal_ = Refusal{std::move(message)};
  }

  std::optional<Refusal> refusal_;
};

/// Reads the texts given for the settings of one group into the settings.
class SettingsBuilder {
 public:
  SettingsBuilder(const SettingTexts& texts, SettingReader* reader)
      : texts_(texts), reader_(reader) {}

  template <std::size_t N>
  void Choose(Setting setting, const Choice (&choices)[N], int32_t* field) {
    if (const auto& given = texts_[setting]) *field = reader_->Choose(setting, *given, choices);
  }

  void Number(Setting setting, NumberRange range, int32_t* field) {
    if (const auto& given = texts_[setting]) *field = reader_->Number(setting, *given, range);
  }

  void Pin(Setting setting, int32_t* port, int32_t* bit) {
    if (const auto& given = texts_[setting]) std::tie(*port, *bit) = reader_->Pin(setting, *given);
  }

  /// A mode page value, refused when `mode` does not read it.
  void ModeValue(int32_t mode, Setting setting, NumberRange range, int32_t* field) {
    const auto& given = texts_[setting];
    if (given && !ModeUses(mode, setting)) {
      reader_->RefuseUnused(setting, *given, mode);
    } else {
      Number(setting, range, field);
    }
  }

 private:
  const SettingTexts& texts_;
  SettingReader* reader_;
};

/// The clock, given either setting; the one not given takes its default.
void ReadMcuClock(const SettingTexts& texts, SettingReader* reader, GenerationSettings* settings) {
  const auto& megahertz = texts[Setting::kMcuClock];
  const auto& clocksPerCycle = texts[Setting::kClocksPerCycle];
  if (!megahertz && !clocksPerCycle) return;
  if (settings->compiler != TargetCompiler::kSdcc) {
    reader->RefuseWithoutSdcc(megahertz ? *megahertz : *clocksPerCycle);
    return;
  }
  McuClock clock;
  if (megahertz) clock.megahertz = reader->Megahertz(Setting::kMcuClock, *megahertz);
  if (clocksPerCycle) {
    clock.clocksPerCycle =
        reader->Choose(Setting::kClocksPerCycle, *clocksPerCycle, kClocksPerCycle);
  }
  settings->mcuClock = clock;
}

}  // namespace

const std::array<Setting, kSettingCount> kAllSettings = {
    Setting::kChannel,  Setting::kCrystal,  Setting::kDataRate,
    Setting::kTxPower,  Setting::kRfId,     Setting::kScs,
    Setting::kSck,      Setting::kSdio,     Setting::kGio1,
    Setting::kGio2,     Setting::kWtr,      Setting::kWiring,
    Setting::kCompiler, Setting::kMcuClock, Setting::kClocksPerCycle,
    Setting::kMode,     Setting::kLength,   Setting::kAckLength,
    Setting::kRest,     Setting::kDelay,    Setting::kWait};

std::string_view SettingName(Setting setting) {
  return kKeys[IndexOf(setting)].name;
}

std::string_view SettingMeaning(Setting setting) {
  return kKeys[IndexOf(setting)].meaning;
}

std::string_view SettingAllowed(Setting setting) {
  return kKeys[IndexOf(setting)].allowed;
}

ValueType TypeOf(Setting setting) {
  return kKeys[IndexOf(setting)].type;
}

std::optional<Setting> SettingNamed(std::string_view name) {
  for (Setting setting : kAllSettings) {
    if (SettingName(setting) == name) return setting;
  }
  return std::nullopt;
}

bool ModeUses(int32_t operatingMode, Setting setting) {
  switch (setting) {
    case Setting::kAckLength:
      return operatingMode == kModeTxAck || operatingMode == kModeRxAck;
    case Setting::kWait:
      return operatingMode == kModeTxAck;
    default:
      return true;
  }
}

bool SettingApplies(const GenerationSettings& settings, Setting setting) {
  if (setting == Setting::kMcuClock || setting == Setting::kClocksPerCycle) {
    return settings.mcuClock.has_value();
  }
  return ModeUses(settings.operatingMode, setting);
}

std::string ModeOptionText(int32_t operatingMode) {
  return ChoiceText(kModes, operatingMode);
}

std::string SettingText(const GenerationSettings& settings, Setting setting) {
  const PinAssignment& pins = settings.pins;
  const RfParameters& rf = settings.rf;
  const ModeValues values = TakeModeValues(settings.operatingMode, rf);
  auto pin = [](int32_t port, int32_t bit) {
    return "P" + std::to_string(port) + "." + std::to_string(bit);
  };
  switch (setting) {
    case Setting::kChannel:
      return std::to_string(rf.channel);
    case Setting::kCrystal:
      return ChoiceText(kCrystals, rf.crystalIndex);
    case Setting::kDataRate:
      return ChoiceText(kDataRates, rf.dataRateIndex);
    case Setting::kTxPower:
      return ChoiceText(kTxPowers, rf.txPowerIndex);
    case Setting::kRfId: {
      std::string text;
      for (const std::string& byte : settings.rfId) {
        const bool prefixed = byte.rfind("0x", 0) == 0;
        text += (text.empty() ? "" : ",") + (prefixed ? byte.substr(2) : byte);
      }
      return text;
    }
    case Setting::kScs:
      return pin(pins.scsPort, pins.scsPin);
    case Setting::kSck:
      return pin(pins.sckPort, pins.sckPin);
    case Setting::kSdio:
      return pin(pins.sdioPort, pins.sdioPin);
    case Setting::kGio1:
      return pin(pins.gio1Port, pins.gio1Pin);
    case Setting::kGio2:
      return pin(pins.gio2Port, pins.gio2Pin);
    case Setting::kWtr:
      return ChoiceText(kWtrLines, pins.wtrLine);
    case Setting::kWiring:
      return ChoiceText(kWirings, pins.spiMode);
    case Setting::kCompiler:
      return ChoiceText(kCompilers, static_cast<int32_t>(settings.compiler));
    case Setting::kMcuClock:
      return MegahertzText(settings.mcuClock.value_or(McuClock()).megahertz);
    case Setting::kClocksPerCycle:
      return std::to_string(settings.mcuClock.value_or(McuClock()).clocksPerCycle);
    case Setting::kMode:
      return ModeOptionText(settings.operatingMode);
    case Setting::kLength:
      return std::to_string(values.length);
    case Setting::kAckLength:
      return std::to_string(values.ackLength);
    case Setting::kRest:
      return ChoiceText(kRestStates, values.restState);
    case Setting::kDelay:
      return std::to_string(values.delayMs);
    case Setting::kWait:
      return std::to_string(values.wait100us);
  }
  return {};
}

void SettingTexts::Give(Setting setting, std::string text, std::string origin) {
  texts_[IndexOf(setting)] = GivenText{std::move(text), std::move(origin)};
}

const std::optional<GivenText>& SettingTexts::operator[](Setting setting) const {
  return texts_[IndexOf(setting)];
}

void SettingTexts::OverrideWith(const SettingTexts& overriding) {
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    if (overriding.texts_[i]) texts_[i] = overriding.texts_[i];
  }
}

std::variant<GenerationSettings, Refusal> InterpretSettings(const SettingTexts& texts) {
  SettingReader reader;
  SettingsBuilder read(texts, &reader);
  int32_t mode = kModeTx;
  read.Choose(Setting::kMode, kModes, &mode);
  GenerationSettings settings = DefaultSettings(mode);

  RfParameters& rf = settings.rf;
  read.Number(Setting::kChannel, kChannels, &rf.channel);
  read.Choose(Setting::kCrystal, kCrystals, &rf.crystalIndex);
  read.Choose(Setting::kDataRate, kDataRates, &rf.dataRateIndex);
  read.Choose(Setting::kTxPower, kTxPowers, &rf.txPowerIndex);
  if (const auto& rfId = texts[Setting::kRfId]) settings.rfId = reader.RfIdTexts(*rfId);

  PinAssignment& pins = settings.pins;
  read.Pin(Setting::kScs, &pins.scsPort, &pins.scsPin);
  read.Pin(Setting::kSck, &pins.sckPort, &pins.sckPin);
  read.Pin(Setting::kSdio, &pins.sdioPort, &pins.sdioPin);
  read.Pin(Setting::kGio1, &pins.gio1Port, &pins.gio1Pin);
  read.Pin(Setting::kGio2, &pins.gio2Port, &pins.gio2Pin);
  read.Choose(Setting::kWtr, kWtrLines, &pins.wtrLine);
  read.Choose(Setting::kWiring, kWirings, &pins.spiMode);

  int32_t compiler = static_cast<int32_t>(settings.compiler);
  read.Choose(Setting::kCompiler, kCompilers, &compiler);
  settings.compiler = static_cast<TargetCompiler>(compiler);
  ReadMcuClock(texts, &reader, &settings);

  ModeValues values = DefaultModeValues(mode);
  read.ModeValue(mode, Setting::kLength, kLengths, &values.length);
  read.ModeValue(mode, Setting::kAckLength, kLengths, &values.ackLength);
  read.Choose(Setting::kRest, kRestStates, &values.restState);
  read.ModeValue(mode, Setting::kDelay, kTimes, &values.delayMs);
  read.ModeValue(mode, Setting::kWait, kTimes, &values.wait100us);
  PlaceModeValues(mode, values, &rf);

  if (reader.refusal()) return *reader.refusal();
  return settings;
}

}  // namespace kitbuilder::settings
