#pragma once
// What one of the file writers reports to the build sequence.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/output_files.h"

namespace kitbuilder {

/// A write or close that failed after the file had been opened: the build stops there and the
/// front end reports the file and the system's error.
struct WriteError {
  std::string path;
  std::string systemError;
};

/// One file of a build as it was generated, before any edit of the user was merged into it.
struct GeneratedFile {
  std::string name;
  std::string bytes;
};

struct WriterResult {
  /// 0 written, -1 template not found, -2 not loadable, -3 bytes not obtainable,
  /// -4 output file not creatable.
  int32_t code = 0;
  std::optional<WriteError> writeError;
  /// What became of the user's edits in the file it replaced, as one line for the front end;
  /// empty when that file held none.
  std::string notice = {};
  /// The user's edits are not all in the file: it holds conflict markers where they met the new
  /// settings, or the merge failed and they are only in the backup.
  bool editsPending = false;
  /// What the writer generated, for the build's record.
  GeneratedFile generated = {};

  bool ok() const { return code == 0 && !writeError; }
};

/// Writes `bytes` as the file at `path` and maps the outcome to the writers' result: -4 when the
/// file cannot be created or opened, a WriteError when writing or closing it fails.
WriterResult WriteWholeFile(OutputFiles& files, const std::string& path, std::string_view bytes);

}  // namespace kitbuilder
