#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "settings/settings_text.h"

namespace kitbuilder::settings {
namespace {

/// A settings file holds a few hundred bytes; the limit keeps a device such as /dev/zero, given
/// by mistake, from being read without end.
constexpr std::size_t kLargestSettingsFile = 64 * 1024;

class OpenFile {
 public:
  explicit OpenFile(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (fd_ >= 0) close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

std::string SystemError(int error) {
  return std::generic_category().message(error);
}

std::variant<std::string, Refusal> ReadFileText(const std::string& path) {
  if (path.empty())
    return Refusal{"settings file \"\" is not allowed; allowed: the path of a file"};
  const OpenFile file(path);
  if (file.fd() < 0) return Refusal{path + ": cannot be read: " + SystemError(errno)};
  struct stat status {};
  if (fstat(file.fd(), &status) == 0 && S_ISDIR(status.st_mode)) {
    return Refusal{path + ": is a directory; allowed: a settings file"};
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(file.fd(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Refusal{path + ": cannot be read: " + SystemError(errno)};
    if (got == 0) return text;
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > kLargestSettingsFile) {
      return Refusal{path +
                     ": is larger than 64 KiB; allowed: a settings file of one line per "
                     "setting"};
    }
  }
}

}  // namespace

std::variant<SettingTexts, Refusal> ReadSettingsFileTexts(const std::string& path) {
  std::variant<std::string, Refusal> text = ReadFileText(path);
  if (const Refusal* refusal = std::get_if<Refusal>(&text)) return *refusal;
  return ReadSettingsText(std::get<std::string>(text), path);
}

std::variant<GenerationSettings, Refusal> ReadSettingsFile(const std::string& path) {
  std::variant<SettingTexts, Refusal> texts = ReadSettingsFileTexts(path);
  if (const Refusal* refusal = std::get_if<Refusal>(&texts)) return *refusal;
  return InterpretSettings(std::get<SettingTexts>(texts));
}

std::optional<WriteError> WriteSettingsFile(OutputFiles& files, const std::string& path,
                                            const GenerationSettings& settings) {
  const WriteOutcome outcome = files.Write(path, SettingsFileText(settings));
  if (outcome.status == WriteOutcome::Status::kWritten) return std::nullopt;
  return WriteError{path, outcome.systemError};
}

}  // namespace kitbuilder::settings
