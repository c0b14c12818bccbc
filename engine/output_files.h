#pragma once
// The seam through which every generated file reaches the disk, so that tests can make an
// open, a write or a close fail without a special file system.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace kitbuilder {

struct WriteOutcome {
  enum class Status {
    kWritten,    ///< the file was created or replaced, written whole and closed
    kNotOpened,  ///< the file could not be created or opened; nothing was written
    kFailed,     ///< the file was opened, but writing or closing it failed
  };
  Status status = Status::kWritten;
  std::string systemError;  ///< the system's error text for kNotOpened and kFailed
};

class OutputFiles {
 public:
  virtual ~OutputFiles() = default;
  /// Creates or replaces the file at `path` with exactly `bytes`.
  virtual WriteOutcome Write(const std::string& path, std::string_view bytes) = 0;
  /// The content of an existing regular file at `path`, or nothing.
  virtual std::optional<std::string> ReadExisting(const std::string& path) = 0;
  /// Creates the directory at `path` unless one is there already; kNotOpened when it cannot.
  virtual WriteOutcome MakeDirectory(const std::string& path) = 0;
  /// Removes the file at `path`, if there is one; kFailed when it stays.
  virtual WriteOutcome Remove(const std::string& path) = 0;
};

/// The descriptor calls that DiskOutputFiles makes to fill a file, so that a test can make a
/// write or a close fail part-way on an ordinary file system.
class DescriptorCalls {
 public:
  virtual ~DescriptorCalls() = default;
  virtual ssize_t Write(int fd, const void* data, size_t size);
  virtual int Sync(int fd);
  virtual int Close(int fd);
};

/// Writes through the operating system without ever leaving a half-written file: the bytes go
/// to a temporary file beside the target (beside a link's target, so the link stays a link),
/// which replaces the target only once it is complete and closed. A target that is not a
/// regular file, such as a device, is written in place.
class DiskOutputFiles : public OutputFiles {
 public:
  enum class Durability {
    kSynced,   ///< the bytes reach the disk before the name: a crash leaves no empty file
    kScratch,  ///< files that live no longer than the process, for which a sync only costs time
  };
  explicit DiskOutputFiles(DescriptorCalls* calls = nullptr,
                           Durability durability = Durability::kSynced);
  WriteOutcome Write(const std::string& path, std::string_view bytes) override;
  std::optional<std::string> ReadExisting(const std::string& path) override;
  WriteOutcome MakeDirectory(const std::string& path) override;
  WriteOutcome Remove(const std::string& path) override;

 private:
  WriteOutcome WriteInPlace(const std::string& path, std::string_view bytes);
  WriteOutcome ReplaceAtomically(const std::string& path, std::string_view bytes, mode_t mode);
  bool Fill(int fd, std::string_view bytes, std::string* error);
  /// Closes `fd`; on failure puts the system's error into `error` unless it is null.
  bool Close(int fd, std::string* error);

  DescriptorCalls defaultCalls_;
  DescriptorCalls* calls_;
  Durability durability_;
};

}  // namespace kitbuilder
