#include "engine/edit_merge.h"

#include <git2.h>

#include "engine/line_ends.h"

namespace kitbuilder {
namespace {

constexpr char kYourEdits[] = "your edits";
constexpr char kNewSettings[] = "new settings";

// The marker lines that open and close a conflict, without their line ends.
std::string OpeningMarker() {
  return std::string("<<<<<<< ") + kYourEdits;
}

std::string ClosingMarker() {
  return std::string(">>>>>>> ") + kNewSettings;
}

git_merge_file_input Input(std::string_view text) {
  git_merge_file_input input = GIT_MERGE_FILE_INPUT_INIT;
  input.ptr = text.data();
  input.size = text.size();
  return input;
}

std::string LibraryError() {
  const git_error* last = git_error_last();
  return std::string("libgit2: ") + (last != nullptr ? last->message : "unknown error");
}

// Calls `atLine` with each line of `text` without its line end and its 1-based number, until
// it returns true; the number of that line, or 0.
template <typename LineTest>
int FindLine(std::string_view text, LineTest atLine) {
  int number = 1;
  for (std::size_t start = 0; start < text.size(); ++number) {
    const std::size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (atLine(line, number)) return number;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return 0;
}

// Counts the conflicts by their opening markers, which stand alone on their lines.
void CountConflicts(MergedEdits* merged) {
  const std::string opening = OpeningMarker();
  FindLine(merged->text, [merged, &opening](std::string_view line, int number) {
    if (line == opening && merged->conflicts++ == 0) merged->firstConflictLine = number;
    return false;
  });
}

}  // namespace

std::optional<MergedEdits> MergeEdits(std::string_view lastGenerated, std::string_view edited,
                                      std::string_view generated, std::string* error) {
  // libgit2's flag GIT_MERGE_FILE_IGNORE_WHITESPACE_EOL matches lines whose ends differ, but
  // writes each side's lines with that side's ends, so that the result mixes them, and it sets
  // aside trailing blanks as well, which are edits. Three texts with LF ends merge cleanly.
  const std::string base = WithLfEnds(lastGenerated);
  const std::string ours = WithLfEnds(edited);
  const std::string theirs = WithLfEnds(generated);
  // The library counts its users; set-up and shutdown around each merge keep it out of the
  // callers' concerns.
  if (git_libgit2_init() < 0) {
    *error = LibraryError();
    return std::nullopt;
  }
  const git_merge_file_input baseInput = Input(base);
  const git_merge_file_input oursInput = Input(ours);
  const git_merge_file_input theirsInput = Input(theirs);
  git_merge_file_options options = GIT_MERGE_FILE_OPTIONS_INIT;
  options.ancestor_label = "last build";
  options.our_label = kYourEdits;
  options.their_label = kNewSettings;
  git_merge_file_result result = {};
  std::optional<MergedEdits> merged;
  if (git_merge_file(&result, &baseInput, &oursInput, &theirsInput, &options) < 0) {
    *error = LibraryError();
  } else if (result.ptr == nullptr) {
    // libgit2 takes a text with a NUL byte for binary: it merges nothing and sets no error.
    *error = "libgit2 takes a text with a NUL byte for binary and does not merge it";
  } else {
    merged.emplace();
    merged->text =
        WithLineEnds(std::string_view(result.ptr, result.len), WrittenLineEnds(edited, generated));
    CountConflicts(&*merged);
  }
  git_merge_file_result_free(&result);
  git_libgit2_shutdown();
  return merged;
}

int UnresolvedConflictLine(std::string_view text) {
  const std::string opening = OpeningMarker();
  const std::string closing = ClosingMarker();
  return FindLine(text, [&opening, &closing](std::string_view line, int) {
    return line == opening || line == closing;
  });
}

}  // namespace kitbuilder
