#pragma once
// The seam through which every generated file reaches the disk, so that tests can make an
// open, a write or a close fail without a special file system.

#include <string>
#include <string_view>

namespace kitbuilder {

struct WriteOutcome {
  enum class Status {
    kWritten,    ///< the file was created or truncated, written whole and closed
    kNotOpened,  ///< the file could not be created or opened; nothing was written
    kFailed,     ///< the file was opened, but writing or closing it failed
  };
  Status status = Status::kWritten;
  std::string systemError;  ///< the system's error text for kNotOpened and kFailed
};

class OutputFiles {
 public:
  virtual ~OutputFiles() = default;
  /// Creates or truncates the file at `path` and writes exactly `bytes`.
  virtual WriteOutcome Write(const std::string& path, std::string_view bytes) = 0;
};

/// Writes through the operating system.
class DiskOutputFiles : public OutputFiles {
 public:
  WriteOutcome Write(const std::string& path, std::string_view bytes) override;
};

}  // namespace kitbuilder
