// Structural checks of the three stored templates (type header, register header, main skeleton):
// the byte rules every generated file inherits from them, the placeholders the composer relies
// on, and the tables whose layout and content the firmware depends on.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/build_sequence.h"
#include "engine/text_store.h"
#include "tests/support/memory_output_files.h"

namespace kitbuilder {
namespace {

constexpr int32_t kTypeHeaderId = 160;
constexpr int32_t kSkeletonId = 161;
constexpr int32_t kRegisterHeaderId = 211;

constexpr std::size_t kRegisterCount = 57;  // addresses 0x00..0x38
constexpr int kFirstGpioAddress = 0x0B;     // 0x0B and 0x0C come from the GPIO fragment

std::string_view StoredTemplate(int32_t id) {
  TemplateView view;
  EXPECT_EQ(OpenTemplate(EmbeddedStore(), id, &view), 0)
      << "template " << id << " is missing: add templates/TXT_" << id << ".txt";
  return view.bytes;
}

// Splits at CR LF only, so that a bare CR or LF stays inside its line and is caught there.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::size_t Count(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos;
       at = text.find(part, at + part.size())) {
    ++count;
  }
  return count;
}

std::string Hex(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

std::size_t IndexOf(const std::vector<std::string_view>& lines, std::string_view line) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == line) return i;
  }
  ADD_FAILURE() << "no line reads \"" << line << "\"";
  return lines.size();
}

bool AllOf(std::string_view text, char c) {
  return !text.empty() && text.find_first_not_of(c) == std::string_view::npos;
}

// ---------------------------------------------------------------------------------------------
// Byte rules shared by all three templates.

struct TemplateShape {
  const char* name;
  int32_t id;
  std::size_t lineCount;
  std::set<std::string> linesWithTabs;
  std::set<std::string> linesWithTrailingBlanks;
};

void PrintTo(const TemplateShape& shape, std::ostream* out) {
  *out << shape.name;
}

class StoredTemplateShape : public ::testing::TestWithParam<TemplateShape> {};

TEST_P(StoredTemplateShape, HasItsLineCount) {
  EXPECT_EQ(Lines(StoredTemplate(GetParam().id)).size(), GetParam().lineCount);
}

TEST_P(StoredTemplateShape, EndsEveryLineInCrLf) {
  const std::string_view text = StoredTemplate(GetParam().id);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "the last line lacks its CR LF";
  EXPECT_EQ(Count(text, "\n"), Count(text, "\r\n")) << "a line ends in a bare LF";
  EXPECT_EQ(Count(text, "\r"), Count(text, "\r\n")) << "a CR stands without its LF";
}

TEST_P(StoredTemplateShape, IsPrintableAsciiWithTabsOnlyWhereNamed) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(GetParam().id));
  std::set<std::string> linesWithTabs;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    for (const char c : lines[i]) {
      if (c == '\t') {
        linesWithTabs.insert(std::string(lines[i]));
      } else if (c != '\r' && c != '\n') {
        EXPECT_TRUE(c >= 0x20 && c <= 0x7E)
            << "byte " << int(static_cast<unsigned char>(c)) << " on line " << i + 1;
      }
    }
  }
  EXPECT_EQ(linesWithTabs, GetParam().linesWithTabs);
}

TEST_P(StoredTemplateShape, KeepsTrailingBlanksOnlyWhereNamed) {
  std::set<std::string> linesWithTrailingBlanks;
  for (const std::string_view line : Lines(StoredTemplate(GetParam().id))) {
    if (!line.empty() && line.back() == ' ') linesWithTrailingBlanks.insert(std::string(line));
  }
  EXPECT_EQ(linesWithTrailingBlanks, GetParam().linesWithTrailingBlanks);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, StoredTemplateShape,
    ::testing::Values(TemplateShape{"TypeHeader", kTypeHeaderId, 22, {}, {}},
                      TemplateShape{"RegisterHeader", kRegisterHeaderId, 80, {}, {}},
                      TemplateShape{"Skeleton",
                                    kSkeletonId,
                                    394,
                                    {"Uint8\t\tidata\tRfBuf[64];", "Uint8\t\tidata\tTmpUint8;"},
                                    {"[[PIN_DEFINE]] ", "[[GPIO_SETTING]]      "}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Banners.

struct FramedBanner {
  const char* name;
  int32_t id;
  std::vector<std::string> texts;  ///< the seventh, the maker's notice, is free wording
};

void PrintTo(const FramedBanner& banner, std::ostream* out) {
  *out << banner.name;
}

class FramedBannerTest : public ::testing::TestWithParam<FramedBanner> {};

TEST_P(FramedBannerTest, IsA70ColumnStarBoxOfEightTexts) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(GetParam().id));
  ASSERT_GE(lines.size(), 11u);
  EXPECT_EQ(lines[0], "/" + std::string(69, '*'));
  EXPECT_EQ(lines[9], std::string(69, '*') + "/");
  for (std::size_t i = 0; i < 8; ++i) {
    const std::string_view line = lines[1 + i];
    ASSERT_EQ(line.size(), 70u) << line;
    EXPECT_EQ(line.substr(0, 4), "**  ") << line;
    EXPECT_EQ(line.substr(68), "**") << line;
    std::string_view text = line.substr(4, 64);
    text = text.substr(0, text.find_last_not_of(' ') + 1);
    if (i == 6) {
      EXPECT_NE(text.find("ZORVANT"), std::string_view::npos) << "the notice names the maker";
    } else {
      EXPECT_EQ(text, GetParam().texts[i]);
    }
  }
  EXPECT_EQ(lines[10], "") << "an empty line follows the banner";
}

INSTANTIATE_TEST_SUITE_P(
    Templates, FramedBannerTest,
    ::testing::Values(FramedBanner{"TypeHeader",
                                   kTypeHeaderId,
                                   {"Device: K3960", "File:   define.h", "",
                                    "Description:", "Type define", "", "", ""}},
                      FramedBanner{"Skeleton",
                                   kSkeletonId,
                                   {"Device: K3960", "File:   main.c", "", "Description:",
                                    "This file is a sample code for your reference.", "", "", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegisterHeaderBanner, HasNoRightFrameAndNoEmptyLineBeforeTheGuard) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(kRegisterHeaderId));
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(lines[0], "/" + std::string(68, '*'));
  for (std::size_t i = 1; i < 7; ++i) EXPECT_EQ(lines[i].substr(0, 1), "*") << lines[i];
  EXPECT_EQ(lines[7], std::string(68, '*') + "/");
  EXPECT_EQ(lines[8], "#ifndef _K3960REG_h_");
  EXPECT_EQ(lines[9], "#define _K3960REG_h_");
  EXPECT_EQ(lines.back(), "#endif");
}

// ---------------------------------------------------------------------------------------------
// Type header.

TEST(TypeHeader, DefinesTheFourTypeMacrosInsideItsGuard) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(kTypeHeaderId));
  const std::size_t guard = IndexOf(lines, "#ifndef _DEFINE_H_");
  const std::size_t intrinsics = IndexOf(lines, "#include <intrins.h>");
  const std::size_t end = IndexOf(lines, "#endif");
  EXPECT_EQ(guard, 11u);
  EXPECT_EQ(IndexOf(lines, "#define _DEFINE_H_"), guard + 1);
  EXPECT_LT(guard, intrinsics);
  EXPECT_EQ(end, lines.size() - 1);
  std::size_t previous = intrinsics;
  for (const char* macro : {"#define Sint8  signed   char", "#define Uint8  unsigned char",
                            "#define Uint16 unsigned int", "#define Uint32 unsigned long"}) {
    const std::size_t at = IndexOf(lines, macro);
    EXPECT_EQ(at, previous + (previous == intrinsics ? 2 : 1)) << macro;
    previous = at;
  }
  EXPECT_EQ(end, previous + 2);
}

// ---------------------------------------------------------------------------------------------
// Register header.

struct RegisterMap {
  std::vector<std::string> names;  ///< by address
  std::map<std::string, int> addresses;
};

RegisterMap ParseRegisters(const std::vector<std::string_view>& lines) {
  RegisterMap map;
  std::size_t i = IndexOf(lines, "#define _K3960REG_h_") + 2;
  for (; i < lines.size() && !lines[i].empty(); ++i) {
    const std::string_view line = lines[i];
    const int address = static_cast<int>(map.names.size());
    EXPECT_EQ(line.size(), 32u) << line;
    if (line.size() != 32) continue;
    EXPECT_EQ(line.substr(0, 8), "#define ") << line;
    const std::string_view padded = line.substr(8, 20);
    const std::string name(padded.substr(0, padded.find(' ')));
    EXPECT_FALSE(name.empty()) << line;
    EXPECT_TRUE(AllOf(padded.substr(name.size()), ' ')) << line;
    EXPECT_EQ(line.substr(28), Hex(address)) << "register lines must run in address order";
    EXPECT_TRUE(map.addresses.emplace(name, address).second) << name << " is defined twice";
    map.names.push_back(name);
  }
  return map;
}

TEST(RegisterHeader, NamesEveryAddressOnceInOrder) {
  const RegisterMap map = ParseRegisters(Lines(StoredTemplate(kRegisterHeaderId)));
  ASSERT_EQ(map.names.size(), kRegisterCount);
  EXPECT_EQ(map.addresses.size(), kRegisterCount);
  for (const std::string& name : map.names) {
    const bool channelGroup = name == "CHGROUP1" || name == "CHGROUP2";
    EXPECT_TRUE(channelGroup || (name.size() > 4 && name.substr(name.size() - 4) == "_REG"))
        << name;
  }
}

// Addresses that the skeleton's comments, table and placeholders take for granted.
TEST(RegisterHeader, PlacesTheRegistersTheFirmwareNamesAtTheirAddresses) {
  const RegisterMap map = ParseRegisters(Lines(StoredTemplate(kRegisterHeaderId)));
  const std::map<std::string, int> expected = {
      {"MODE_REG", 0x00},  {"FIFO_REG", 0x05},     {"IDCODE_REG", 0x06},     {"GPIO1_REG", 0x0B},
      {"GPIO2_REG", 0x0C}, {"DATARATE_REG", 0x0D}, {"PLL1_REG", 0x0E},       {"CHGROUP1", 0x13},
      {"CHGROUP2", 0x14},  {"CODE1_REG", 0x20},    {"IFCAL2_REG", 0x24},     {"TXTEST_REG", 0x2D},
      {"VRB_REG", 0x38},   {"MODECTRL_REG", 0x01}, {"CALIBRATION_REG", 0x02}};
  for (const auto& [name, address] : expected) {
    const auto found = map.addresses.find(name);
    ASSERT_NE(found, map.addresses.end()) << name;
    EXPECT_EQ(found->second, address) << name;
  }
}

TEST(RegisterHeader, DefinesTheEightStrobesWithTheirBitPatterns) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(kRegisterHeaderId));
  const std::size_t heading = IndexOf(lines, "//strobe command");
  ASSERT_EQ(heading + 11, lines.size()) << "8 strobes, an empty line and #endif close the file";
  EXPECT_EQ(lines[heading - 1], "");
  std::set<std::string> names;
  for (int i = 0; i < 8; ++i) {
    const std::string_view line = lines[heading + 1 + i];
    const int code = 0x80 + 0x10 * i;
    ASSERT_GE(line.size(), 41u) << line;
    EXPECT_EQ(line.substr(0, 12), "#define CMD_") << line;
    const std::string_view padded = line.substr(8, 16);
    const std::string name(padded.substr(0, padded.find(' ')));
    EXPECT_TRUE(AllOf(padded.substr(name.size()), ' ')) << line;
    EXPECT_TRUE(names.insert(name).second) << name << " is defined twice";
    std::string pattern;
    for (int bit = 7; bit >= 4; --bit) pattern += (code >> bit) & 1 ? '1' : '0';
    EXPECT_EQ(line.substr(24, 20), Hex(code) + "    //" + pattern + ",xxxx ") << line;
  }
  EXPECT_EQ(lines[heading + 9], "");
}

// ---------------------------------------------------------------------------------------------
// Skeleton placeholders.

const char* const kSkeletonPlaceholders[] = {"[[PIN_DEFINE]]",        "[[RF_ID_VALUE]]",
                                             "[[GPIO_SETTING]]",      "[[OTHERS_FUNCTION_DEFINE]]",
                                             "[[CHANGE_TXPOWER]]",    "[[CHANGE_DATARATE]]",
                                             "[[SET_RADIO_CHANNEL]]", "[[PRE_SET_BEFORE_LOOP]]",
                                             "[[RF_PROCESS]]",        "[[RF_READ]]",
                                             "[[OTHERS_FUNCTION]]"};

TEST(SkeletonPlaceholders, EachStandsOnceInItsOrderAndNoOtherMarkerExists) {
  const std::string_view skeleton = StoredTemplate(kSkeletonId);
  std::size_t previous = 0;
  for (const std::string_view marker : kSkeletonPlaceholders) {
    EXPECT_EQ(Count(skeleton, marker), 1u) << marker;
    const std::size_t at = skeleton.find(marker);
    EXPECT_GE(at, previous) << marker << " is out of order";
    previous = at == std::string_view::npos ? previous : at;
  }
  EXPECT_EQ(Count(skeleton, "[["), std::size(kSkeletonPlaceholders));
  for (const char* absent : {"[[TX_LENGTH]]", "[[RX_LENGTH]]", "[[ACK_LENGTH]]", "[[DELAY_TIME]]",
                             "[[WAIT_TIME]]", "[[RESERVED]]", "[[GLOBAL_VARIABLE_DEFINE]]"}) {
    EXPECT_EQ(Count(skeleton, absent), 0u) << absent;
  }
}

// The inserted texts carry their own indentation, so the markers' columns and the blanks behind
// them reach main.c as they stand.
TEST(SkeletonPlaceholders, StandAloneOnTheirLines) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(kSkeletonId));
  for (const std::string_view marker : kSkeletonPlaceholders) {
    std::string expected(marker);
    if (marker == "[[RF_ID_VALUE]]") expected = "    " + expected;
    if (marker == "[[PIN_DEFINE]]") expected += " ";
    if (marker == "[[GPIO_SETTING]]") expected += "      ";
    IndexOf(lines, expected);
  }
  EXPECT_EQ(lines.back(), "[[OTHERS_FUNCTION]]");
}

// ---------------------------------------------------------------------------------------------
// Skeleton sections.

// The build writes the register header under a mixed-case name; a case-sensitive file system
// finds the include only if the skeleton spells it the same way.
TEST(SkeletonIncludes, NameTheHeadersTheBuildWrites) {
  testing::MemoryOutputFiles files;
  ASSERT_TRUE(WriteTypeHeader(EmbeddedStore(), files, "out/").ok());
  ASSERT_TRUE(WriteRegisterHeader(EmbeddedStore(), files, "out/").ok());
  ASSERT_EQ(files.writeOrder.size(), 2u);

  const std::vector<std::string_view> lines = Lines(StoredTemplate(kSkeletonId));
  const std::size_t first = IndexOf(lines, "#include <reg52.h>");
  ASSERT_LT(first + 2, lines.size());
  EXPECT_EQ(lines[first + 1], "#include \"" + files.writeOrder[0].substr(4) + "\"");
  EXPECT_EQ(lines[first + 2], "#include \"" + files.writeOrder[1].substr(4) + "\"");
}

std::vector<uint8_t> Pn9FromLfsr() {
  std::vector<int> bits(9, 1);
  while (bits.size() < 64 * 8) bits.push_back(bits[bits.size() - 9] ^ bits[bits.size() - 5]);
  std::vector<uint8_t> bytes;
  for (std::size_t i = 0; i < bits.size(); i += 8) {
    int value = 0;
    for (std::size_t b = i; b < i + 8; ++b) value = (value << 1) | bits[b];
    bytes.push_back(static_cast<uint8_t>(value));
  }
  return bytes;
}

TEST(SkeletonPn9Table, HoldsTheLfsrSequenceWithItsLastByteE0) {
  std::vector<uint8_t> expected = Pn9FromLfsr();
  ASSERT_EQ(expected.size(), 64u);
  ASSERT_EQ(expected[63], 0xE1);
  expected[63] = 0xE0;

  const std::vector<std::string_view> lines = Lines(StoredTemplate(kSkeletonId));
  const std::size_t head = IndexOf(lines, "const Uint8 code PN9_Tab[]=");
  ASSERT_LT(head + 9, lines.size());
  for (std::size_t row = 0; row < 8; ++row) {
    std::string line = row == 0 ? "{   " : "    ";
    for (std::size_t i = 0; i < 8; ++i) {
      line += Hex(expected[row * 8 + i]);
      if (row * 8 + i < 63) line += ",";
    }
    EXPECT_EQ(lines[head + 1 + row], line) << "PN9 row " << row;
  }
  EXPECT_EQ(lines[head + 9], "};");
}

TEST(SkeletonIdTable, WrapsTheRfIdPlaceholderInBraces) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(kSkeletonId));
  const std::size_t head = IndexOf(lines, "const Uint8 code ID_Tab[4] =");
  ASSERT_LT(head + 3, lines.size());
  EXPECT_EQ(lines[head + 1], "{");
  EXPECT_EQ(lines[head + 2], "    [[RF_ID_VALUE]]");
  EXPECT_EQ(lines[head + 3], "};");
}

struct ConfigEntry {
  int value = -1;
  std::size_t labelColumn = 0;
  std::size_t remarkColumn = 0;  ///< 0 when the entry has no remark
};

// Reads the register default table into entries by address; the [[GPIO_SETTING]] line stands
// for 0x0B and 0x0C and yields no entry of its own.
std::map<int, ConfigEntry> ParseConfigTable(const std::vector<std::string_view>& lines) {
  std::map<int, ConfigEntry> entries;
  std::size_t i = IndexOf(lines, "const Uint16 code K3960Config[] =");
  EXPECT_EQ(lines.at(i + 1), "{");
  i += 4;  // the brace and the two heading lines
  for (int address = 0; i < lines.size() && lines[i] != "};"; ++i, ++address) {
    const std::string_view line = lines[i];
    if (address == kFirstGpioAddress) {
      EXPECT_EQ(line, "[[GPIO_SETTING]]      ");
      ++address;
      continue;
    }
    const bool last = address == static_cast<int>(kRegisterCount) - 1;
    unsigned value = 0;
    unsigned commentAddress = 0;
    char separator = 0;
    const std::string text(line);
    EXPECT_EQ(
        std::sscanf(text.c_str(), "    0x%2X%c   //0x%2X", &value, &separator, &commentAddress), 3)
        << line;
    EXPECT_EQ(text.substr(0, 22),
              "    " + Hex(value) + (last ? " " : ",") + "   //" + Hex(address) + "    ")
        << line;
    EXPECT_EQ(static_cast<int>(commentAddress), address) << line;
    ConfigEntry entry;
    entry.value = static_cast<int>(value);
    entry.labelColumn = line.find_first_not_of(' ', 18) + 1;
    const std::size_t gap = line.find("  ", entry.labelColumn);
    if (gap != std::string_view::npos) entry.remarkColumn = line.find_first_not_of(' ', gap) + 1;
    entries[address] = entry;
  }
  return entries;
}

TEST(SkeletonConfigTable, Has55EntriesAroundTheGpioLineInAddressOrder) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(kSkeletonId));
  const std::size_t head = IndexOf(lines, "const Uint16 code K3960Config[] =");
  ASSERT_LT(head + 60, lines.size());
  EXPECT_EQ(lines[head + 60], "};") << "55 entry lines, the GPIO line, a brace and two headings";

  const std::map<int, ConfigEntry> entries = ParseConfigTable(lines);
  EXPECT_EQ(entries.size(), kRegisterCount - 2);
  std::set<int> withRemark;
  for (const auto& [address, entry] : entries) {
    EXPECT_EQ(entry.labelColumn, 23u) << Hex(address);
    if (entry.remarkColumn != 0) {
      withRemark.insert(address);
      EXPECT_EQ(entry.remarkColumn, address == 0x01 ? 45u : 41u) << Hex(address);
    }
  }
  EXPECT_EQ(withRemark, (std::set<int>{0x00, 0x01, 0x05, 0x06, 0x0F, 0x24}));
}

TEST(SkeletonConfigTable, HeadingTitlesAreUnderlined) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(kSkeletonId));
  const std::size_t head = IndexOf(lines, "const Uint16 code K3960Config[] =");
  ASSERT_LT(head + 3, lines.size());
  const std::string_view titles = lines[head + 2];
  const std::string_view rule = lines[head + 3];
  ASSERT_EQ(titles.size(), rule.size());
  for (const char* title : {"address", "name", "Descript"}) {
    const std::size_t at = titles.find(title);
    ASSERT_NE(at, std::string_view::npos) << title;
    EXPECT_TRUE(AllOf(rule.substr(at, std::string_view(title).size()), '-')) << title;
  }
}

// Values that other code leans on: main rewrites MODECTRL with the same value, the data-rate
// fragments treat 0x1F as the loaded 2 Mbps setting, the calibration channels straddle the two
// channel-group bounds, and main overrides the CODE1 and TXTEST defaults.
TEST(SkeletonConfigTable, HoldsTheDefaultsOtherCodeRelyOn) {
  const std::map<int, ConfigEntry> entries = ParseConfigTable(Lines(StoredTemplate(kSkeletonId)));
  const std::map<int, int> expected = {{0x00, 0x00}, {0x01, 0x62}, {0x0D, 0x1F}, {0x13, 0x3C},
                                       {0x14, 0x78}, {0x20, 0x07}, {0x2D, 0x2F}, {0x38, 0xFF}};
  for (const auto& [address, value] : expected) {
    const auto found = entries.find(address);
    ASSERT_NE(found, entries.end()) << Hex(address);
    EXPECT_EQ(found->second.value, value) << Hex(address);
  }
}

TEST(SkeletonConfigTable, NoteBoxSpans79Columns) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(kSkeletonId));
  const std::size_t head = IndexOf(lines, "const Uint16 code K3960Config[] =");
  ASSERT_GE(head, 4u);
  const std::string bangs = "// " + std::string(76, '!');
  EXPECT_EQ(lines[head - 4], bangs);
  EXPECT_EQ(lines[head - 1], bangs);
  for (std::size_t i = head - 3; i < head - 1; ++i) {
    EXPECT_EQ(lines[i].size(), 79u) << lines[i];
    EXPECT_EQ(lines[i].substr(77), "!!") << lines[i];
  }
  EXPECT_NE(lines[head - 3].find("NOTE"), std::string_view::npos);
  EXPECT_EQ(lines[head - 2].substr(0, 5), "// !!");
  EXPECT_NE(lines[head - 2].find("THIS CONFIG TABLE ONLY USE ON RF CRYSTAL = 16MHz"),
            std::string_view::npos);
}

// Every star box, bang box and dash rule keeps its frame width, so that a stray blank or a
// missing star shows up here rather than as a ragged file.
TEST(SkeletonCommentBoxes, KeepTheirFrameWidths) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(kSkeletonId));
  const std::string bangBorder = "//" + std::string(66, '!') + "//";
  const std::string dashRule = "//" + std::string(77, '-');
  std::size_t starBoxes = 0;
  std::size_t bangBorders = 0;
  std::size_t dashRules = 0;
  bool insideBangBox = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.substr(0, 2) == "/*") {
      ++starBoxes;
      ASSERT_TRUE(line.size() == 70 || line.size() == 73) << "line " << i + 1;
      EXPECT_TRUE(AllOf(line.substr(1), '*')) << "line " << i + 1;
      std::size_t j = i + 1;
      while (j < lines.size() && lines[j].substr(0, 1) == "*" && lines[j].back() != '/') ++j;
      ASSERT_LT(j, lines.size()) << "star box from line " << i + 1 << " never closes";
      EXPECT_EQ(lines[j], std::string(line.size() - 1, '*') + "/") << "line " << j + 1;
    } else if (line.substr(0, 3) == "//!") {
      EXPECT_EQ(line, bangBorder) << "line " << i + 1;
      ++bangBorders;
      insideBangBox = !insideBangBox;
    } else if (insideBangBox) {
      EXPECT_EQ(line.size(), 70u) << "line " << i + 1;
      EXPECT_EQ(line.substr(0, 2), "//") << "line " << i + 1;
      EXPECT_EQ(line.substr(68), "//") << "line " << i + 1;
    } else if (line.substr(0, 3) == "//-") {
      EXPECT_EQ(line, dashRule) << "line " << i + 1;
      ++dashRules;
    }
  }
  EXPECT_FALSE(insideBangBox);
  EXPECT_EQ(starBoxes, 13u) << "banner, prototypes and eleven routines";
  EXPECT_EQ(bangBorders, 4u);
  EXPECT_EQ(dashRules, 4u);
}

// Catches a register or strobe name misspelt in the skeleton, which would only surface when the
// generated firmware is compiled.
TEST(SkeletonNames, UseOnlyRegistersAndStrobesTheHeaderDefines) {
  const std::vector<std::string_view> header = Lines(StoredTemplate(kRegisterHeaderId));
  std::set<std::string> defined;
  for (const std::string_view line : header) {
    if (line.substr(0, 8) != "#define ") continue;
    const std::string_view rest = line.substr(8);
    defined.insert(std::string(rest.substr(0, rest.find(' '))));
  }
  const std::string_view skeleton = StoredTemplate(kSkeletonId);
  std::size_t checked = 0;
  for (std::size_t i = 0; i < skeleton.size();) {
    const auto isWordChar = [&](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    };
    if (!isWordChar(skeleton[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < skeleton.size() && isWordChar(skeleton[end])) ++end;
    const std::string word(skeleton.substr(i, end - i));
    const bool registerName = word.size() > 4 && word.substr(word.size() - 4) == "_REG";
    const bool strobeName = word.rfind("CMD_", 0) == 0;
    if (registerName || strobeName) {
      ++checked;
      EXPECT_EQ(defined.count(word), 1u) << word << " is not defined in K3960reg.h";
    }
    i = end;
  }
  EXPECT_GT(checked, 0u);
}

// The loaded table skips the registers that must not be written at start-up: 0x00 resets the
// chip, 0x05 and 0x06 are the FIFO and ID data ports, 0x24 is read-only.
TEST(SkeletonConfigRoutine, WritesEveryRegisterExceptTheSkippedOnesInOrder) {
  const std::vector<std::string_view> lines = Lines(StoredTemplate(kSkeletonId));
  std::size_t i = IndexOf(lines, "void K3960_Config(void)");
  std::vector<int> written;
  for (; i < lines.size() && lines[i] != "}"; ++i) {
    unsigned first = 0;
    unsigned last = 0;
    if (std::sscanf(std::string(lines[i]).c_str(), " for(i = 0x%x; i <= 0x%x; i++)", &first,
                    &last) == 2) {
      EXPECT_EQ(lines.at(i + 1), "        K3960_WriteReg( i, K3960Config[i] );");
      for (unsigned address = first; address <= last; ++address) written.push_back(address);
    }
  }
  std::vector<int> expected;
  for (int address = 0x01; address <= 0x38; ++address) {
    if (address != 0x05 && address != 0x06 && address != 0x24) expected.push_back(address);
  }
  EXPECT_EQ(written, expected);
}

}  // namespace
}  // namespace kitbuilder
