#include "engine/edit_merge.h"

#include <git2.h>

namespace kitbuilder {
namespace {

constexpr char kYourEdits[] = "your edits";

git_merge_file_input Input(std::string_view text) {
  git_merge_file_input input = GIT_MERGE_FILE_INPUT_INIT;
  input.ptr = text.data();
  input.size = text.size();
  return input;
}

std::string LibraryError(const char* doing) {
  const git_error* last = git_error_last();
  return std::string(doing) + ": " + (last != nullptr ? last->message : "unknown error");
}

// Counts the conflicts by their opening markers, which stand alone on their lines.
void CountConflicts(MergedEdits* merged) {
  const std::string marker = std::string("<<<<<<< ") + kYourEdits;
  int line = 1;
  for (std::size_t start = 0; start < merged->text.size(); ++line) {
    const std::size_t end = merged->text.find('\n', start);
    std::string_view text = std::string_view(merged->text).substr(start, end - start);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text == marker) {
      if (merged->conflicts++ == 0) merged->firstConflictLine = line;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

}  // namespace

std::optional<MergedEdits> MergeEdits(std::string_view lastGenerated, std::string_view edited,
                                      std::string_view generated, std::string* error) {
  // The library counts its users; set-up and shutdown around each merge keep it out of the
  // callers' concerns.
  if (git_libgit2_init() < 0) {
    *error = LibraryError("libgit2 cannot start");
    return std::nullopt;
  }
  const git_merge_file_input base = Input(lastGenerated);
  const git_merge_file_input ours = Input(edited);
  const git_merge_file_input theirs = Input(generated);
  git_merge_file_options options = GIT_MERGE_FILE_OPTIONS_INIT;
  options.ancestor_label = "last build";
  options.our_label = kYourEdits;
  options.their_label = "new settings";
  git_merge_file_result result = {};
  std::optional<MergedEdits> merged;
  if (git_merge_file(&result, &base, &ours, &theirs, &options) < 0) {
    *error = LibraryError("merging the edits failed");
  } else {
    merged.emplace();
    if (result.ptr != nullptr) merged->text.assign(result.ptr, result.len);
    CountConflicts(&*merged);
  }
  git_merge_file_result_free(&result);
  git_libgit2_shutdown();
  return merged;
}

}  // namespace kitbuilder
