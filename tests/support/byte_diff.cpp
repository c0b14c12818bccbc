#include "tests/support/byte_diff.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace kitbuilder::testing {
namespace {

// Splits after every LF so that each piece keeps its own line end and a missing CR shows.
std::vector<std::string_view> SplitKeepingEnds(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string Visible(std::string_view line) {
  std::string out;
  for (char c : line) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

::testing::AssertionResult SameBytes(std::string_view expected, std::string_view actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  const auto want = SplitKeepingEnds(expected);
  const auto got = SplitKeepingEnds(actual);
  std::size_t line = 0;
  while (line < want.size() && line < got.size() && want[line] == got[line]) ++line;

  std::ostringstream report;
  report << "sizes " << expected.size() << " (expected) and " << actual.size()
         << " (actual); first difference on line " << line + 1 << "\n";
  const std::size_t from = line >= 2 ? line - 2 : 0;
  for (std::size_t i = from; i < std::min(line + 3, std::max(want.size(), got.size())); ++i) {
    const std::string mark = i == line ? ">" : " ";
    if (i < want.size())
      report << mark << " expected " << i + 1 << ": " << Visible(want[i]) << "\n";
    if (i < got.size()) report << mark << " actual   " << i + 1 << ": " << Visible(got[i]) << "\n";
  }
  return ::testing::AssertionFailure() << report.str();
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TestDataPath(const std::string& relative) {
  return std::string(KITBUILDER_SOURCE_DIR) + "/tests/" + relative;
}

}  // namespace kitbuilder::testing
