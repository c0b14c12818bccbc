#include "engine/generated_file_writer.h"

#include <optional>

#include "engine/build_record.h"
#include "engine/edit_merge.h"
#include "engine/line_ends.h"

namespace kitbuilder {
namespace {

// What a rebuild writes into one file.
struct FileUpdate {
  std::string text;
  bool keepsBackup = false;
  std::string notice = {};
  bool editsPending = false;
};

std::string ConflictNotice(const std::string& name, const MergedEdits& merged) {
  const bool one = merged.conflicts == 1;
  return name + ": " + std::to_string(merged.conflicts) + (one ? " conflict" : " conflicts") +
         " between your edits and the new settings, " + (one ? "at" : "from") + " line " +
         std::to_string(merged.firstConflictLine) + "; your version is in " + name + ".bak";
}

FileUpdate PlanUpdate(const std::string& name, const std::optional<std::string>& current,
                      const std::optional<std::string>& lastGenerated,
                      const std::string& generated) {
  if (!current) return {generated};
  // A file whose lines are the generated ones is unedited, whatever ends its lines, and takes
  // the new generation with its line ends, so that git shows no change but the settings'.
  const std::string fresh = WithLineEnds(generated, WrittenLineEnds(*current, generated));
  if (SameLines(*current, generated)) return {fresh};
  if (lastGenerated && SameLines(*current, *lastGenerated)) return {fresh};
  if (!lastGenerated) return {fresh, true, "Previous " + name + " kept as " + name + ".bak."};
  std::string error;
  const std::optional<MergedEdits> merged = MergeEdits(*lastGenerated, *current, generated, &error);
  // Without a merge the edits are still safe in the backup, but no longer in the file.
  if (!merged) {
    return {fresh, true,
            name + ": your edits could not be merged (" + error + "); " + name +
                " holds the new settings alone, your version is in " + name + ".bak",
            true};
  }
  // The new settings change nothing that the edited file lacks.
  if (SameLines(merged->text, *current)) return {*current};
  if (merged->conflicts == 0) return {merged->text, true, name + ": your edits were kept."};
  return {merged->text, true, ConflictNotice(name, *merged), true};
}

}  // namespace

std::optional<std::string> UnresolvedConflictRefusal(OutputFiles& files,
                                                     const std::string& outputDirectory,
                                                     const std::string& name) {
  const std::optional<std::string> current = files.ReadExisting(outputDirectory + name);
  const int line = current ? UnresolvedConflictLine(*current) : 0;
  if (line == 0) return std::nullopt;
  return name + " still holds the conflict from the last build at line " + std::to_string(line) +
         ": resolve it (keep one side, delete the marker lines) and build again";
}

WriterResult WriteGeneratedFile(OutputFiles& files, const std::string& outputDirectory,
                                const std::string& name, std::string generated) {
  const std::string path = outputDirectory + name;
  const std::optional<std::string> current = files.ReadExisting(path);
  const FileUpdate update =
      PlanUpdate(name, current, RecordedCopy(files, outputDirectory, name), generated);
  if (update.keepsBackup) {
    const WriterResult backup = WriteWholeFile(files, path + ".bak", *current);
    if (!backup.ok()) return backup;
  }
  if (std::optional<WriteError> error = ForgetRecorded(files, outputDirectory, name)) {
    return {0, std::move(error)};
  }
  WriterResult result = WriteWholeFile(files, path, update.text);
  if (result.ok()) {
    result.notice = update.notice;
    result.editsPending = update.editsPending;
  }
  result.generated = {name, std::move(generated)};
  return result;
}

}  // namespace kitbuilder
