#pragma once
// Carries a user's edits of a generated file over to a new generation of it: a three-way merge,
// line by line as git merges, of the text the last build generated (the base), the user's file
// and the newly generated text. Where both changed the same lines the result holds git's
// conflict markers, the user's side first:
//
//   <<<<<<< your edits
//       K3960_WriteReg( PLL1_REG, 7 );   // our test channel
//   =======
//       K3960_WriteReg( PLL1_REG, 12 );        // set radio channel
//   >>>>>>> new settings
//
// Lines are merged with their line ends set aside, since an editor or git may have changed every
// line end of the user's file and nothing else; the result, markers included, ends its lines as
// WrittenLineEnds says.

#include <optional>
#include <string>
#include <string_view>

namespace kitbuilder {

struct MergedEdits {
  std::string text;
  int conflicts = 0;
  /// The 1-based line of the first conflict's "<<<<<<<" marker; 0 without conflicts.
  int firstConflictLine = 0;
};

/// Merges `edited` and `generated` over their common base `lastGenerated`. Nothing, with
/// libgit2's reason in `error`, when the merge library fails.
std::optional<MergedEdits> MergeEdits(std::string_view lastGenerated, std::string_view edited,
                                      std::string_view generated, std::string* error);

/// The 1-based line of the first marker line that a merge of MergeEdits left in `text`, "<<<<<<<
/// your edits" or ">>>>>>> new settings"; 0 when it holds none.
int UnresolvedConflictLine(std::string_view text);

}  // namespace kitbuilder
