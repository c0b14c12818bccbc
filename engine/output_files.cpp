#include "engine/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace kitbuilder {
namespace {

std::string Directory(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links to the name that finally stands for the file, even when that file does
// not exist yet; the link itself is never replaced.
std::string FinalName(const std::string& path) {
  std::string name = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return name;
    std::vector<char> target(static_cast<std::size_t>(info.st_size) + 256);
    const ssize_t length = readlink(name.c_str(), target.data(), target.size());
    if (length < 0) return name;
    const std::string link(target.data(), static_cast<std::size_t>(length));
    name = link.front() == '/' ? link : Directory(name) + "/" + link;
  }
  return name;
}

mode_t ModeForNewFiles() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

ssize_t DescriptorCalls::Write(int fd, const void* data, size_t size) {
  return ::write(fd, data, size);
}

int DescriptorCalls::Sync(int fd) {
  return fsync(fd);
}

int DescriptorCalls::Close(int fd) {
  return ::close(fd);
}

DiskOutputFiles::DiskOutputFiles(DescriptorCalls* calls, Durability durability)
    : calls_(calls != nullptr ? calls : &defaultCalls_), durability_(durability) {}

WriteOutcome DiskOutputFiles::Write(const std::string& path, std::string_view bytes) {
  const std::string target = FinalName(path);
  struct stat info;
  if (stat(target.c_str(), &info) != 0) {
    if (errno != ENOENT) return {WriteOutcome::Status::kNotOpened, std::strerror(errno)};
    return ReplaceAtomically(target, bytes, ModeForNewFiles());
  }
  if (!S_ISREG(info.st_mode)) return WriteInPlace(target, bytes);
  // A file the user may not write stays refused, as an in-place open would refuse it.
  if (access(target.c_str(), W_OK) != 0) {
    return {WriteOutcome::Status::kNotOpened, std::strerror(errno)};
  }
  return ReplaceAtomically(target, bytes, info.st_mode & 07777);
}

std::optional<std::string> DiskOutputFiles::ReadExisting(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info;
  std::optional<std::string> content;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    content.emplace();
    char buffer[16384];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) content->append(buffer, n);
    if (n < 0) content.reset();
  }
  close(fd);
  return content;
}

WriteOutcome DiskOutputFiles::MakeDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0777) == 0) return {};
  const int error = errno;
  struct stat info;
  if (error == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return {};
  return {WriteOutcome::Status::kNotOpened, std::strerror(error)};
}

WriteOutcome DiskOutputFiles::Remove(const std::string& path) {
  // A missing file, or a missing directory above it, is already what removing asks for.
  if (unlink(path.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR) return {};
  return {WriteOutcome::Status::kFailed, std::strerror(errno)};
}

bool DiskOutputFiles::Fill(int fd, std::string_view bytes, std::string* error) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = calls_->Write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = std::strerror(n < 0 ? errno : EIO);
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return true;
}

bool DiskOutputFiles::Close(int fd, std::string* error) {
  if (calls_->Close(fd) == 0) return true;
  *error = std::strerror(errno);
  return false;
}

WriteOutcome DiskOutputFiles::WriteInPlace(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return {WriteOutcome::Status::kNotOpened, std::strerror(errno)};
  std::string error;
  const bool filled = Fill(fd, bytes, &error);
  const bool closed = Close(fd, filled ? &error : nullptr);
  if (!filled || !closed) return {WriteOutcome::Status::kFailed, error};
  return {};
}

WriteOutcome DiskOutputFiles::ReplaceAtomically(const std::string& path, std::string_view bytes,
                                                mode_t mode) {
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string temporary = directory + "." + path.substr(slash + 1) + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return {WriteOutcome::Status::kNotOpened, std::strerror(errno)};

  std::string error;
  bool complete = fchmod(fd, mode) == 0;
  if (!complete) error = std::strerror(errno);
  complete = complete && Fill(fd, bytes, &error);
  // The bytes reach the disk before the name does, so a crash cannot leave an empty file.
  if (complete && durability_ == Durability::kSynced && calls_->Sync(fd) != 0) {
    error = std::strerror(errno);
    complete = false;
  }
  complete = Close(fd, complete ? &error : nullptr) && complete;
  if (complete && rename(temporary.c_str(), path.c_str()) != 0) {
    error = std::strerror(errno);
    complete = false;
  }
  if (!complete) {
    unlink(temporary.c_str());
    return {WriteOutcome::Status::kFailed, error};
  }
  return {};
}

}  // namespace kitbuilder
