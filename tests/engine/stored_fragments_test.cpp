// Structural checks of the 37 stored fragments as the composer receives them. The composer
// splices fragments in byte for byte, so a wrong line end, a lost trailing blank or a stray
// placeholder shows up in every generated main.c; these tests catch such faults per fragment
// without restating the texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "engine/text_store.h"

namespace kitbuilder {
namespace {

// Plain enumerations keep the catalogue table one fragment per row.
enum LineEnds {
  kCrLf,        // every line ends in CR LF
  kLfThenCrLf,  // lines separated by a bare LF, only the last one ends in CR LF
};

enum Ending {
  kNoLineEnd,      // replaces a marker mid-line; the skeleton's line closes it
  kLineEnd,        // last line ends in its line end, no empty line behind it
  kEmptyLineAfter  // routine fragment: closing brace, CR LF, one empty line
};

struct FragmentShape {
  int id;
  LineEnds lineEnds;
  Ending ending;
  bool trailingBlank;  // the last line carries one blank before the end or its line end
  int firstIndent;     // blanks before the first character of the fragment
  std::map<std::string, int> placeholders;
};

const std::vector<FragmentShape>& Catalogue() {
  static const std::map<std::string, int> kTxWithAckMarkers = {
      {"DELAY_TIME", 1}, {"TX_LENGTH", 1}, {"ACK_LENGTH", 2}, {"WAIT_TIME", 1}};
  static const std::vector<FragmentShape> kCatalogue = {
      {166, kCrLf, kLineEnd, true, 0, {}},
      {167, kCrLf, kEmptyLineAfter, false, 0, {}},
      {168, kCrLf, kLineEnd, false, 0, {}},
      {169, kCrLf, kEmptyLineAfter, false, 0, {}},
      {171, kCrLf, kNoLineEnd, true, 0, {{"RX_LENGTH", 1}}},
      {172, kCrLf, kNoLineEnd, true, 0, {{"RESERVED", 1}}},
      {173, kCrLf, kNoLineEnd, true, 4, {{"TX_LENGTH", 1}}},
      {175, kCrLf, kNoLineEnd, true, 0, {{"RESERVED", 1}}},
      {176, kCrLf, kEmptyLineAfter, false, 0, {}},
      {177, kCrLf, kEmptyLineAfter, false, 0, {}},
      {178, kCrLf, kLineEnd, false, 0, {}},
      {179, kCrLf, kLineEnd, false, 0, {}},
      {180, kCrLf, kLineEnd, false, 0, {}},
      {181, kCrLf, kNoLineEnd, true, 0, {}},
      {182, kLfThenCrLf, kLineEnd, false, 8, {{"DELAY_TIME", 1}, {"RX_LENGTH", 1}}},
      {183, kLfThenCrLf, kLineEnd, false, 8, {{"DELAY_TIME", 1}, {"RX_LENGTH", 1}}},
      {185, kCrLf, kNoLineEnd, true, 0, {}},
      {186, kCrLf, kLineEnd, false, 8, {{"DELAY_TIME", 1}, {"RX_LENGTH", 2}, {"ACK_LENGTH", 1}}},
      {187, kCrLf, kLineEnd, false, 8, {{"DELAY_TIME", 1}, {"RX_LENGTH", 2}, {"ACK_LENGTH", 1}}},
      {188, kCrLf, kNoLineEnd, true, 4, {}},
      {189, kCrLf, kNoLineEnd, true, 4, {}},
      {190, kCrLf, kNoLineEnd, true, 4, {}},
      {191, kCrLf, kNoLineEnd, true, 0, {{"RESERVED", 1}}},
      {192, kCrLf, kLineEnd, false, 8, {{"DELAY_TIME", 1}}},
      {193, kCrLf, kLineEnd, true, 8, {{"DELAY_TIME", 1}}},
      {194, kCrLf, kNoLineEnd, true, 0, {}},
      {195, kCrLf, kLineEnd, false, 8, kTxWithAckMarkers},
      {197, kCrLf, kLineEnd, true, 8, kTxWithAckMarkers},
      {198, kCrLf, kNoLineEnd, false, 4, {}},
      {199, kCrLf, kNoLineEnd, true, 4, {}},
      {200, kCrLf, kNoLineEnd, true, 4, {}},
      {201, kCrLf, kNoLineEnd, true, 4, {}},
      {202, kCrLf, kNoLineEnd, true, 4, {}},
      {203, kCrLf, kLineEnd, false, 0, {}},
      {204, kCrLf, kEmptyLineAfter, false, 0, {}},
      {212, kCrLf, kNoLineEnd, false, 4, {}},
      {213, kCrLf, kNoLineEnd, true, 4, {}},
  };
  return kCatalogue;
}

std::string Fragment(int id) {
  return LoadFragment(EmbeddedStore(), id);
}

std::string NotFoundText(int id) {
  return "LoadStr " + std::to_string(id) + " :hRes Failed\r\n";
}

// Lines without their CR or LF; a fragment without a final line end still yields its last line.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty() || text.empty() || text.back() != '\n') lines.push_back(line);
  return lines;
}

std::string TrimLeft(const std::string& line) {
  const auto first = line.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : line.substr(first);
}

bool IsBlank(const std::string& line) {
  return TrimLeft(line).empty();
}

int Indent(const std::string& line) {
  return static_cast<int>(line.size() - TrimLeft(line).size());
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int Count(const std::string& text, const std::string& what) {
  int count = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
    ++count;
  return count;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string Describe(int id) {
  return "fragment " + std::to_string(id);
}

TEST(StoredFragments, EveryCatalogueIdIsStored) {
  ASSERT_EQ(Catalogue().size(), 37u);
  for (const auto& shape : Catalogue()) {
    const std::string text = Fragment(shape.id);
    EXPECT_FALSE(StartsWith(text, "LoadStr ")) << Describe(shape.id) << ": " << text;
    EXPECT_FALSE(text.empty()) << Describe(shape.id);
  }
}

TEST(StoredFragments, UnassignedIdsAndTemplateIdsAreNotFragments) {
  // 160, 161 and 211 are templates: the kinds are separate, so they are no fragments either.
  const std::vector<int> notFragments = {160, 161, 165, 170, 174, 184, 196, 205,
                                         206, 207, 208, 209, 210, 211, 214};
  for (int id : notFragments) EXPECT_EQ(Fragment(id), NotFoundText(id)) << "id " << id;
}

TEST(StoredFragments, OnlyPrintableAsciiAndLineEnds) {
  for (const auto& shape : Catalogue()) {
    const std::string text = Fragment(shape.id);
    for (unsigned char c : text) {
      EXPECT_TRUE((c >= 0x20 && c <= 0x7E) || c == '\r' || c == '\n')
          << Describe(shape.id) << " holds byte " << static_cast<int>(c);
    }
  }
}

TEST(StoredFragments, LineEndsFollowTheFragmentsRule) {
  for (const auto& shape : Catalogue()) {
    const std::string text = Fragment(shape.id);
    const int lineFeeds = Count(text, "\n");
    const int carriageReturns = Count(text, "\r");
    if (shape.lineEnds == kCrLf) {
      EXPECT_EQ(Count(text, "\r\n"), lineFeeds) << Describe(shape.id) << ": a bare LF";
      EXPECT_EQ(carriageReturns, lineFeeds) << Describe(shape.id) << ": a bare CR";
    } else {
      EXPECT_GT(lineFeeds, 1) << Describe(shape.id);
      EXPECT_EQ(carriageReturns, 1) << Describe(shape.id) << ": only the last line has CR LF";
      EXPECT_TRUE(EndsWith(text, "\r\n")) << Describe(shape.id);
    }
  }
}

TEST(StoredFragments, EndingAndTrailingBlankMatchTheInsertionPoint) {
  for (const auto& shape : Catalogue()) {
    const std::string text = Fragment(shape.id);
    switch (shape.ending) {
      case kNoLineEnd:
        EXPECT_TRUE(text.back() != '\n' && text.back() != '\r')
            << Describe(shape.id) << " must leave its line to the skeleton";
        break;
      case kLineEnd:
        EXPECT_TRUE(EndsWith(text, "\r\n")) << Describe(shape.id);
        EXPECT_FALSE(EndsWith(text, "\n\r\n")) << Describe(shape.id) << " ends in an empty line";
        break;
      case kEmptyLineAfter:
        EXPECT_TRUE(EndsWith(text, "}\r\n\r\n")) << Describe(shape.id);
        EXPECT_FALSE(EndsWith(text, "\n\r\n\r\n")) << Describe(shape.id) << ": two empty lines";
        break;
    }
    const std::vector<std::string> lines = Lines(text);
    const std::string& last =
        shape.ending == kEmptyLineAfter ? lines[lines.size() - 2] : lines.back();
    EXPECT_EQ(EndsWith(last, " "), shape.trailingBlank)
        << Describe(shape.id) << ": [" << last << "]";
    EXPECT_FALSE(EndsWith(last, "  ")) << Describe(shape.id) << ": more than one trailing blank";
  }
}

TEST(StoredFragments, OnlyTheLastLineCarriesATrailingBlank) {
  for (const auto& shape : Catalogue()) {
    const std::vector<std::string> lines = Lines(Fragment(shape.id));
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      // The FIFO writer keeps one line of four blanks between the set-up and the transfer.
      if (shape.id == 204 && lines[i] == "    ") continue;
      EXPECT_FALSE(EndsWith(lines[i], " "))
          << Describe(shape.id) << " line " << i + 1 << ": [" << lines[i] << "]";
    }
  }
  const std::vector<std::string> writer = Lines(Fragment(204));
  EXPECT_EQ(std::count(writer.begin(), writer.end(), "    "), 1);
}

TEST(StoredFragments, PlaceholdersAreExactlyTheNamedOnes) {
  for (const auto& shape : Catalogue()) {
    const std::string text = Fragment(shape.id);
    std::map<std::string, int> found;
    // A marker is [[ upper-case letters and underscores ]].
    for (std::size_t at = text.find("[["); at != std::string::npos; at = text.find("[[", at + 2)) {
      const std::size_t end = text.find("]]", at + 2);
      if (end == std::string::npos) break;
      const std::string name = text.substr(at + 2, end - at - 2);
      const bool wellFormed = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || c == '_';
      });
      if (wellFormed) ++found[name];
    }
    EXPECT_EQ(found, shape.placeholders) << Describe(shape.id);
    int expectedMarkers = 0;
    for (const auto& entry : shape.placeholders) expectedMarkers += entry.second;
    EXPECT_EQ(Count(text, "[["), expectedMarkers) << Describe(shape.id) << ": a malformed marker";
    EXPECT_EQ(Count(text, "]]"), expectedMarkers) << Describe(shape.id) << ": a malformed marker";
  }
}

TEST(StoredFragments, FirstLineStandsInItsColumn) {
  for (const auto& shape : Catalogue()) {
    const std::string text = Fragment(shape.id);
    EXPECT_EQ(Indent(Lines(text).front()), shape.firstIndent) << Describe(shape.id);
  }
}

// The code of a line without indentation, comment and trailing blanks.
std::string Statement(const std::string& line) {
  std::string code = TrimLeft(line);
  code = code.substr(0, code.find("//"));
  while (EndsWith(code, " ")) code.pop_back();
  return code;
}

// Expected indentation of every non-blank line: `base` plus four per open brace, plus four for
// the single statement under an if, else, for or while written without braces.
void ExpectBlockIndentation(int id, int base) {
  int depth = 0;
  std::string previous;
  const std::vector<std::string> lines = Lines(Fragment(id));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string code = TrimLeft(lines[i]);
    if (code.empty()) continue;
    if (code[0] == '}') --depth;
    const bool underControl = (StartsWith(previous, "if") || StartsWith(previous, "else") ||
                               StartsWith(previous, "for") || StartsWith(previous, "while")) &&
                              !EndsWith(previous, ";") && code[0] != '{';
    const bool inComment =
        StartsWith(code, "//") || StartsWith(code, "/*") || StartsWith(code, "*");
    if (!(inComment && depth == 0 && base == 0)) {
      EXPECT_EQ(Indent(lines[i]), base + 4 * depth + (underControl ? 4 : 0))
          << Describe(id) << " line " << i + 1 << ": [" << lines[i] << "]";
    }
    if (code[0] == '{') ++depth;
    EXPECT_GE(depth, 0) << Describe(id) << " line " << i + 1;
    previous = Statement(lines[i]);
  }
  EXPECT_EQ(depth, 0) << Describe(id) << ": unbalanced braces";
}

TEST(StoredFragments, RoutinesAndLoopBodiesAreIndentedByBlock) {
  for (int id : {167, 169, 176, 177, 179, 180, 204}) ExpectBlockIndentation(id, 0);
  for (int id : {182, 183, 186, 187, 192, 193, 195, 197}) ExpectBlockIndentation(id, 8);
}

TEST(StoredFragments, PrototypesMatchTheRoutinesTheyDeclare) {
  const std::vector<std::pair<int, std::vector<int>>> declaredIn = {
      {166, {167}}, {168, {169}}, {178, {176, 177}}, {203, {204}}};
  for (const auto& [prototypes, routines] : declaredIn) {
    for (std::string line : Lines(Fragment(prototypes))) {
      while (EndsWith(line, " ")) line.pop_back();
      if (line.empty()) continue;
      ASSERT_TRUE(EndsWith(line, ";")) << Describe(prototypes) << ": [" << line << "]";
      const std::string header = line.substr(0, line.size() - 1) + "\r\n{\r\n";
      for (int routine : routines) {
        EXPECT_EQ(Count(Fragment(routine), header), 1)
            << Describe(routine) << " does not define " << line;
      }
    }
  }
  for (int id : {179, 180}) {
    EXPECT_EQ(Count(Fragment(id), "\r\nUint8 K3960_ReadReg(Uint8 addr)\r\n{\r\n"), 1)
        << Describe(id);
  }
}

TEST(StoredFragments, RoutineBoxesHaveTheirFixedWidths) {
  const std::string bang = "//" + std::string(66, '!') + "//";
  for (int id : {167, 169}) {
    const std::vector<std::string> lines = Lines(Fragment(id));
    ASSERT_GE(lines.size(), 4u) << Describe(id);
    EXPECT_EQ(lines[0], bang) << Describe(id);
    EXPECT_EQ(lines[3], bang) << Describe(id);
    for (int i : {1, 2}) {
      EXPECT_EQ(lines[i].size(), 70u) << Describe(id) << " line " << i + 1;
      EXPECT_TRUE(StartsWith(lines[i], "//") && EndsWith(lines[i], "//")) << Describe(id);
    }
    EXPECT_NE(lines[2].find("USER NEED CHANGE THIS FUNCTION TO FIT SYSTEM."), std::string::npos)
        << Describe(id);
  }
  const std::string starRule = "//" + std::string(70, '*');
  const std::vector<std::pair<int, std::vector<std::string>>> fifoRoutines = {
      {176, {"ByteRead", "ReadFIFO"}}, {177, {"ByteRead", "ReadFIFO"}}, {204, {"WriteFIFO"}}};
  for (const auto& [id, names] : fifoRoutines) {
    for (const std::string& name : names) {
      EXPECT_EQ(Count(Fragment(id), starRule + "\r\n//  " + name + "\r\n" + starRule + "\r\n"), 1)
          << Describe(id) << " box of " << name;
    }
  }
  for (int id : {179, 180}) {
    EXPECT_TRUE(StartsWith(Fragment(id), "/" + std::string(72, '*') + "\r\n**  K3960_ReadReg\r\n" +
                                             std::string(72, '*') + "/\r\n"))
        << Describe(id);
  }
}

// The global blocks and the empty pre-loop steps serve several modes with one text each.
TEST(StoredFragments, FragmentsOfOneRoleInSeveralModesAreIdentical) {
  EXPECT_EQ(Fragment(185), Fragment(181));
  EXPECT_EQ(Fragment(194), Fragment(181));
  EXPECT_EQ(Fragment(175), Fragment(172));
}

TEST(StoredFragments, FragmentOf188IsTheStoredEightyNineBytes) {
  EXPECT_EQ(Fragment(188).size(), 89u);
}

// Each GPIO line is one entry of the register default table: the value 0x01 selects WTR and
// 0x19 SDO, the label starts in column 23 and the remark in column 41.
TEST(StoredFragments, GpioLinesAreConsistentTableEntries) {
  const std::map<int, std::string> sdoLine = {{188, ""}, {189, "GIO2"}, {190, "GIO1"}};
  for (const auto& [id, sdoOn] : sdoLine) {
    const std::vector<std::string> lines = Lines(Fragment(id));
    ASSERT_EQ(lines.size(), 2u) << Describe(id);
    const std::vector<std::string> gio = {"GIO1", "GIO2"};
    const std::vector<std::string> address = {"0x0B", "0x0C"};
    for (std::size_t i = 0; i < 2; ++i) {
      std::string line = lines[i];
      if (EndsWith(line, " ")) line.pop_back();
      ASSERT_EQ(line.size(), 43u) << Describe(id) << " line " << i + 1;
      const bool sdo = gio[i] == sdoOn;
      EXPECT_EQ(line.substr(4, 5), sdo ? "0x19," : "0x01,") << Describe(id);
      EXPECT_EQ(line.substr(12, 6), "//" + address[i]) << Describe(id);
      EXPECT_EQ(line.substr(22, 14), gio[i] + " register,") << Describe(id);
      EXPECT_EQ(line.substr(40), sdo ? "SDO" : "WTR") << Describe(id);
    }
  }
}

TEST(StoredFragments, FourWireReadersDifferOnlyInTheDataInLine) {
  const std::string threeWire = Fragment(176);
  const std::string fourWire = Fragment(177);
  EXPECT_EQ(Count(fourWire, "SDIO"), 0);
  EXPECT_EQ(Count(threeWire, "SDO"), 0);
  EXPECT_GT(Count(fourWire, "SDO"), 0);
  EXPECT_EQ(ReplaceAll(ReplaceAll(threeWire, "SDIO", "SDO"), "sdio pull high", "sdo pull high"),
            fourWire);
}

std::string WithoutBlankLines(const std::string& text) {
  std::string kept;
  for (const std::string& line : Lines(text)) {
    if (!IsBlank(line)) kept += line + "\n";
  }
  return kept;
}

TEST(StoredFragments, RegisterReadFormsDifferInDataInLineAndTwoBlankLines) {
  const std::string threeWire = Fragment(179);
  const std::string fourWire = Fragment(180);
  EXPECT_EQ(Count(threeWire, "SDO"), 0);
  // The address still goes out on SDIO in the four-wire form; only the read-back moves to SDO.
  EXPECT_GT(Count(fourWire, "SDIO = 1;"), 0);
  EXPECT_NE(fourWire.find("SDO = 1;"), std::string::npos);
  EXPECT_NE(fourWire.find("if(SDO)"), std::string::npos);
  EXPECT_EQ(WithoutBlankLines(ReplaceAll(fourWire, "SDO", "SDIO")), WithoutBlankLines(threeWire));
  const auto blankLines = [](const std::string& text) {
    const std::vector<std::string> lines = Lines(text);
    return std::count_if(lines.begin(), lines.end(), IsBlank);
  };
  EXPECT_EQ(std::abs(blankLines(threeWire) - blankLines(fourWire)), 2);
}

struct LoopMode {
  const char* name;
  int sleepVariant;
  int standbyVariant;
};

const LoopMode kLoopModes[] = {
    {"TX", 192, 193}, {"RX", 182, 183}, {"TX with ACK", 195, 197}, {"RX with ACK", 186, 187}};

// A loop body split into the prologue (up to the last millisecond delay) and the exchange.
struct LoopBody {
  std::vector<std::string> prologue;
  std::vector<std::string> exchange;
};

LoopBody SplitLoopBody(int id) {
  const std::vector<std::string> lines = Lines(Fragment(id));
  std::size_t exchangeStart = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (StartsWith(TrimLeft(lines[i]), "Delay1ms(")) exchangeStart = i + 1;
  }
  LoopBody body;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (IsBlank(lines[i])) continue;
    (i < exchangeStart ? body.prologue : body.exchange).push_back(lines[i]);
  }
  return body;
}

// Blanks around "//" and at the end of a line are layout, not content.
std::string NormalisedCode(const std::vector<std::string>& lines) {
  std::string text;
  for (std::string line : lines) {
    if (const std::size_t slashes = line.find("//"); slashes != std::string::npos) {
      const std::size_t before = line.find_last_not_of(' ', slashes == 0 ? 0 : slashes - 1);
      const std::size_t codeEnd = slashes == 0 || before == std::string::npos ? 0 : before + 1;
      const std::size_t after = line.find_first_not_of(' ', slashes + 2);
      line = line.substr(0, codeEnd) + " // " +
             (after == std::string::npos ? std::string() : line.substr(after));
    }
    while (EndsWith(line, " ")) line.pop_back();
    text += line + "\n";
  }
  return text;
}

TEST(StoredFragments, SleepPrologueStrobesSleepWaitsThenWakesTheChip) {
  for (const LoopMode& mode : kLoopModes) {
    std::vector<std::string> statements;
    for (const std::string& line : SplitLoopBody(mode.sleepVariant).prologue)
      statements.push_back(Statement(line));
    const std::vector<std::string> expected = {"StrobeCmd( CMD_SLEEP );",
                                               "Delay1ms( [[DELAY_TIME]] );",
                                               "StrobeCmd( CMD_STBY );", "Delay1ms( 1 );"};
    EXPECT_EQ(statements, expected) << mode.name;
  }
}

TEST(StoredFragments, StandbyPrologueOnlyWaits) {
  for (const LoopMode& mode : kLoopModes) {
    const LoopBody body = SplitLoopBody(mode.standbyVariant);
    ASSERT_EQ(body.prologue.size(), 1u) << mode.name;
    EXPECT_EQ(Statement(body.prologue[0]), "Delay1ms( [[DELAY_TIME]] );") << mode.name;
    EXPECT_EQ(Count(Fragment(mode.standbyVariant), "CMD_SLEEP"), 0) << mode.name;
  }
}

TEST(StoredFragments, VariantsShareTheExchange) {
  for (const LoopMode& mode : kLoopModes) {
    const LoopBody sleep = SplitLoopBody(mode.sleepVariant);
    const LoopBody standby = SplitLoopBody(mode.standbyVariant);
    ASSERT_FALSE(sleep.exchange.empty()) << mode.name;
    EXPECT_EQ(NormalisedCode(sleep.exchange), NormalisedCode(standby.exchange)) << mode.name;
  }
}

// Every receiving loop takes the data only after the CRC flag of the MODE register read clear.
TEST(StoredFragments, ReceivingLoopsReadTheFifoOnlyAfterTheCrcCheck) {
  for (int id : {182, 183, 186, 187, 195, 197}) {
    const std::string text = Fragment(id);
    const auto check = text.find("if( (TmpUint8 & 0x20) == 0 )");
    const auto read = text.find("TmpUint8 = K3960_ReadReg(MODE_REG);");
    const auto fifo = text.find("ReadFIFO(");
    ASSERT_NE(check, std::string::npos) << Describe(id);
    ASSERT_NE(read, std::string::npos) << Describe(id);
    ASSERT_NE(fifo, std::string::npos) << Describe(id);
    EXPECT_LT(read, check) << Describe(id);
    EXPECT_LT(check, fifo) << Describe(id);
  }
}

}  // namespace
}  // namespace kitbuilder
