#pragma once
// The line ends of a text file, which editors, dos2unix and git's line-end conversion change
// without changing a line: CR LF or LF. A rebuild compares and merges texts by their lines alone
// and writes its result in the line ends of the user's file, so that git shows no churn.

#include <string>
#include <string_view>

namespace kitbuilder {

enum class LineEnds { kCrLf, kLf };

/// The line ends that a rebuild writes over `users` when it generates `generated`: those of the
/// user's file where all of its lines end alike, else those of the generated text (CR LF where
/// that holds both or no line end at all).
LineEnds WrittenLineEnds(std::string_view users, std::string_view generated);

/// `text` with each CR LF made an LF.
std::string WithLfEnds(std::string_view text);

/// `text` with each line end, CR LF or LF, made `ends`.
std::string WithLineEnds(std::string_view text, LineEnds ends);

/// The texts hold the same lines, whatever their line ends.
bool SameLines(std::string_view a, std::string_view b);

}  // namespace kitbuilder
