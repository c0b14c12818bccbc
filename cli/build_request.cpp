#include "cli/build_request.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "engine/output_directory.h"

namespace kitbuilder::cli {
namespace {

/// One accepted text of a list option and the settings value it stands for.
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

constexpr std::string_view kFixedFirstRfIdByte = "54";

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

/// Reads the option texts one by one; the first refusal is kept and later reads only fill in
/// placeholders, so that the caller can read everything and check once.
class OptionReader {
 public:
  template <std::size_t N>
  int32_t Choose(std::string_view option, const std::string& given, const Choice (&choices)[N]) {
    for (const Choice& choice : choices) {
      if (SameIgnoringCase(given, choice.text)) return choice.value;
    }
    std::string allowed;
    for (const Choice& choice : choices) {
      allowed += (allowed.empty() ? "" : ", ") + std::string(choice.text);
    }
    Refuse(option, given, allowed);
    return 0;
  }

  int32_t Number(std::string_view option, const std::string& given, int32_t min, int32_t max) {
    const std::optional<int32_t> value = ReadWholeNumber(given);
    if (value && *value >= min && *value <= max) return *value;
    Refuse(option, given, std::to_string(min) + ".." + std::to_string(max));
    return min;
  }

  /// "P<port>.<bit>" into (port, bit).
  std::pair<int32_t, int32_t> Pin(std::string_view option, const std::string& given) {
    const bool wellFormed = given.size() == 4 && (given[0] == 'P' || given[0] == 'p') &&
                            IsDigit(given[1]) && given[2] == '.' && IsDigit(given[3]);
    const int32_t port = wellFormed ? given[1] - '0' : -1;
    const int32_t bit = wellFormed ? given[3] - '0' : -1;
    if (port >= 0 && port <= 3 && bit >= 0 && bit <= 7) return {port, bit};
    Refuse(option, given, "P<port>.<bit> with port 0..3 and bit 0..7, for example P1.1");
    return {0, 0};
  }

  /// "54,75,C5,2A" into the four texts the composer lists, each "0x" and the byte in upper case.
  RfId RfIdTexts(std::string_view option, const std::string& given) {
    const std::vector<std::string_view> bytes = SplitAtCommas(given);
    const bool wellFormed =
        bytes.size() == 4 && std::all_of(bytes.begin(), bytes.end(), [](std::string_view byte) {
          byte = TrimBlanks(byte);
          return !byte.empty() && byte.size() <= 2 &&
                 std::all_of(byte.begin(), byte.end(), IsHexDigit);
        });
    if (!wellFormed || TrimBlanks(bytes[0]) != kFixedFirstRfIdByte) {
      Refuse(option, given,
             "four hex bytes of 1 or 2 digits separated by commas, the first fixed at " +
                 std::string(kFixedFirstRfIdByte) + ", for example 54,75,C5,2A");
      return {};
    }
    RfId texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
      texts[i] = "0x" + UpperCase(TrimBlanks(bytes[i]));
    return texts;
  }

  void RefuseUnused(std::string_view option, const std::string& given, std::string_view mode,
                    std::string_view usedBy) {
    Keep(std::string(option) + " \"" + given + "\" is not used in mode " + std::string(mode) +
         "; it applies to " + std::string(usedBy) + " only");
  }

  void Keep(std::string message) {
    if (!refusal_) refusal_ = Refusal{std::move(message)};
  }

  const std::optional<Refusal>& refusal() const { return refusal_; }

 private:
  void Refuse(std::string_view option, const std::string& given, const std::string& allowed) {
    Keep(std::string(option) + " \"" + given + "\" is not allowed; allowed: " + allowed);
  }

  std::optional<Refusal> refusal_;
};

PinAssignment ReadPins(const OptionTexts& texts, OptionReader* reader) {
  PinAssignment pins;
  std::tie(pins.scsPort, pins.scsPin) = reader->Pin("--scs", texts.scs);
  std::tie(pins.sckPort, pins.sckPin) = reader->Pin("--sck", texts.sck);
  std::tie(pins.sdioPort, pins.sdioPin) = reader->Pin("--sdio", texts.sdio);
  std::tie(pins.gio1Port, pins.gio1Pin) = reader->Pin("--gio1", texts.gio1);
  std::tie(pins.gio2Port, pins.gio2Pin) = reader->Pin("--gio2", texts.gio2);
  pins.wtrLine = reader->Choose("--wtr", texts.wtr, kWtrLines);
  pins.spiMode = reader->Choose("--wiring", texts.wiring, kWirings);
  return pins;
}

ModeValues ReadModeValues(const OptionTexts& texts, int32_t mode, OptionReader* reader) {
  const bool hasAck = mode == kModeTxAck || mode == kModeRxAck;
  const std::string_view modeText = ModeOptionText(mode);
  ModeValues values = DefaultModeValues(mode);
  if (texts.length) values.length = reader->Number("--length", *texts.length, 1, 64);
  if (texts.ackLength && !hasAck) {
    reader->RefuseUnused("--ack-length", *texts.ackLength, modeText, "tx-ack and rx-ack");
  } else if (texts.ackLength) {
    values.ackLength = reader->Number("--ack-length", *texts.ackLength, 1, 64);
  }
  values.restState = reader->Choose("--rest", texts.rest, kRestStates);
  if (texts.delay) values.delayMs = reader->Number("--delay", *texts.delay, 0, 255);
  if (texts.wait && mode != kModeTxAck) {
    reader->RefuseUnused("--wait", *texts.wait, modeText, "tx-ack");
  } else if (texts.wait) {
    values.wait100us = reader->Number("--wait", *texts.wait, 0, 255);
  }
  return values;
}

std::string ReadOutputDirectory(const OptionTexts& texts, OptionReader* reader) {
  if (texts.toStdout) {
    if (texts.output) {
      reader->Keep("--output \"" + *texts.output +
                   "\" is not used with --stdout, which writes no file");
    }
    return {};
  }
  if (!texts.output) {
    std::string current = CurrentOutputDirectory();
    if (current.empty()) {
      reader->Keep("the current directory cannot be read; name the output directory with --output");
    }
    return current;
  }
  if (texts.output->empty()) {
    reader->Keep("--output \"\" is not allowed; allowed: the path of a directory");
    return {};
  }
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(*texts.output, error);
  if (error) {
    reader->Keep("--output \"" + *texts.output + "\" cannot be made absolute: " + error.message());
    return {};
  }
  return NormalizeOutputDirectory(absolute.string());
}

}  // namespace

std::string_view ModeOptionText(int32_t operatingMode) {
  return kModes[operatingMode].text;
}

std::variant<BuildRequest, Refusal> InterpretOptions(const OptionTexts& texts) {
  OptionReader reader;
  const int32_t mode = reader.Choose("--mode", texts.mode, kModes);
  BuildRequest request;
  request.settings = DefaultSettings(mode);
  request.settings.pins = ReadPins(texts, &reader);
  request.settings.rfId = reader.RfIdTexts("--rf-id", texts.rfId);
  RfParameters& rf = request.settings.rf;
  rf.channel = reader.Number("--channel", texts.channel, 0, 166);
  rf.txPowerIndex = reader.Choose("--tx-power", texts.txPower, kTxPowers);
  rf.dataRateIndex = reader.Choose("--data-rate", texts.dataRate, kDataRates);
  rf.crystalIndex = reader.Choose("--crystal", texts.crystal, kCrystals);
  PlaceModeValues(mode, ReadModeValues(texts, mode, &reader), &rf);
  request.toStdout = texts.toStdout;
  request.outputDirectory = ReadOutputDirectory(texts, &reader);
  if (reader.refusal()) return *reader.refusal();
  return request;
}

}  // namespace kitbuilder::cli
