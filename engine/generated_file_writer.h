#pragma once
// How a build replaces one generated file without losing what the user wrote into it. The last
// build's copy in the record tells the user's edits from the tool's own output:
//
// - a file as the last build generated it, or as this build generates it, is replaced silently;
// - an edited file is kept as "<name>.bak" and replaced by a merge of the edits with the new
//   text over the last build's copy, with conflict markers where both changed the same lines;
// - a file whose lines are those of the last build's copy or of the new text, with other line
//   ends, is unedited: it is replaced silently by the new text with its line ends;
// - an edited file with no copy to compare against (a directory of an older version, or a
//   deleted record) is kept as "<name>.bak" and replaced by the new text.

#include <optional>
#include <string>

#include "engine/output_files.h"
#include "engine/writer_result.h"

namespace kitbuilder {

/// The refusal to build over the file `name` while it holds the conflict markers of the last
/// build's merge: merged again, it would nest new markers in them, and its backup would replace
/// the user's own version. Nothing when it holds none.
std::optional<std::string> UnresolvedConflictRefusal(OutputFiles& files,
                                                     const std::string& outputDirectory,
                                                     const std::string& name);

/// Writes `generated` as outputDirectory + name by the rule above. If the backup cannot be
/// written, the file is left alone and the result says why.
WriterResult WriteGeneratedFile(OutputFiles& files, const std::string& outputDirectory,
                                const std::string& name, std::string generated);

}  // namespace kitbuilder
