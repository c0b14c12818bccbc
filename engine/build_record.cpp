#include "engine/build_record.h"

namespace kitbuilder {
namespace {

std::optional<WriteError> ErrorOf(const WriteOutcome& outcome, const std::string& path) {
  if (outcome.status == WriteOutcome::Status::kWritten) return std::nullopt;
  return WriteError{path, outcome.systemError};
}

}  // namespace

std::string RecordPath(const std::string& outputDirectory, const std::string& name) {
  return outputDirectory + kRecordFolder + "/" + name;
}

std::optional<std::string> RecordedCopy(OutputFiles& files, const std::string& outputDirectory,
                                        const std::string& name) {
  return files.ReadExisting(RecordPath(outputDirectory, name));
}

std::optional<WriteError> ForgetRecorded(OutputFiles& files, const std::string& outputDirectory,
                                         const std::string& name) {
  const std::string path = RecordPath(outputDirectory, name);
  return ErrorOf(files.Remove(path), path);
}

std::optional<WriteError> WriteBuildRecord(OutputFiles& files, const std::string& outputDirectory,
                                           const std::vector<GeneratedFile>& generated,
                                           std::string_view settingsFileText) {
  const std::string folder = outputDirectory + kRecordFolder;
  if (auto error = ErrorOf(files.MakeDirectory(folder), folder + "/")) return error;
  for (const GeneratedFile& file : generated) {
    const std::string path = RecordPath(outputDirectory, file.name);
    if (auto error = ErrorOf(files.Write(path, file.bytes), path)) return error;
  }
  const std::string path = RecordPath(outputDirectory, kRecordedSettingsName);
  return ErrorOf(files.Write(path, settingsFileText), path);
}

}  // namespace kitbuilder
