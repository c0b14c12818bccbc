#include "engine/generated_file_writer.h"

#include <optional>

#include "engine/build_record.h"
#include "engine/edit_merge.h"

namespace kitbuilder {
namespace {

// What a rebuild writes into one file.
struct FileUpdate {
  std::string text;
  bool keepsBackup = false;
  std::string notice = {};
  bool conflicted = false;
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
  if (!current || *current == generated) return {generated};
  if (lastGenerated && *current == *lastGenerated) return {generated};
  const FileUpdate replaced = {generated, true, "Previous " + name + " kept as " + name + ".bak."};
  if (!lastGenerated) return replaced;
  std::string error;
  const std::optional<MergedEdits> merged = MergeEdits(*lastGenerated, *current, generated, &error);
  // Without a merge the edits are still safe in the backup.
  if (!merged) return replaced;
  // The new settings change nothing that the edited file lacks.
  if (merged->text == *current) return {*current};
  if (merged->conflicts == 0) return {merged->text, true, name + ": your edits were kept."};
  return {merged->text, true, ConflictNotice(name, *merged), true};
}

}  // namespace

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
    result.conflicted = update.conflicted;
  }
  result.generated = {name, std::move(generated)};
  return result;
}

}  // namespace kitbuilder
