#include "engine/output_directory.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace kitbuilder {

std::string NormalizeOutputDirectory(const std::string& path) {
  const std::string withSeparator = path + '/';
  std::string result;
  result.reserve(withSeparator.size());
  for (std::size_t i = 0; i < withSeparator.size(); ++i) {
    result += withSeparator[i];
    if (withSeparator[i] == '/' && i + 1 < withSeparator.size() && withSeparator[i + 1] == '/') {
      ++i;  // the pair becomes one; the scan goes on behind it, so pairs never overlap
    }
  }
  return result;
}

std::string CurrentOutputDirectory() {
  // No fixed limit: grow the buffer until the path fits.
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return NormalizeOutputDirectory(buffer.data());
}

}  // namespace kitbuilder
