#include "engine/output_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kitbuilder {

WriteOutcome DiskOutputFiles::Write(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return {WriteOutcome::Status::kNotOpened, std::strerror(errno)};

  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      const std::string error = std::strerror(errno);
      close(fd);
      return {WriteOutcome::Status::kFailed, error};
    }
    written += static_cast<std::size_t>(n);
  }
  if (close(fd) != 0) return {WriteOutcome::Status::kFailed, std::strerror(errno)};
  return {};
}

}  // namespace kitbuilder
