#pragma once
// The record of the last build in an output directory: the folder ".kitbuilder/" holds a copy of
// each file exactly as that build generated it, and that build's settings as a settings file,
// which is the board's project file. A rebuild compares a file with its copy to tell the user's
// edits from the tool's own output, whatever bytes a later version of the tool composes.
//
// A copy is only ever the generation behind the file that stands in the directory: it is
// forgotten before its file is replaced and written anew once every file of the build is in
// place, so a build that stops half-way leaves no copy that no longer describes its file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/output_files.h"
#include "engine/writer_result.h"

namespace kitbuilder {

inline constexpr char kRecordFolder[] = ".kitbuilder";
inline constexpr char kRecordedSettingsName[] = "settings.toml";

/// The path of `name` inside the record of `outputDirectory`, which ends in '/'.
std::string RecordPath(const std::string& outputDirectory, const std::string& name);

/// The last build's copy of the file `name`, or nothing when no build recorded one.
std::optional<std::string> RecordedCopy(OutputFiles& files, const std::string& outputDirectory,
                                        const std::string& name);

/// Forgets the record's entry `name` (a file's copy or the settings); the path and the system's
/// error when it stays.
std::optional<WriteError> ForgetRecorded(OutputFiles& files, const std::string& outputDirectory,
                                         const std::string& name);

/// Records a build whose files are all in place: their copies, then `settingsFileText`.
std::optional<WriteError> WriteBuildRecord(OutputFiles& files, const std::string& outputDirectory,
                                           const std::vector<GeneratedFile>& generated,
                                           std::string_view settingsFileText);

}  // namespace kitbuilder
