#pragma once
// A fresh directory under /tmp for one test, removed with everything in it when the test ends.

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <set>
#include <string>

namespace kitbuilder::testing {

class ScratchDirectory {
 public:
  ScratchDirectory() {
    char pattern[] = "/tmp/kitbuilder-test-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~ScratchDirectory() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  /// Absolute, without a trailing separator.
  const std::string& Path() const { return path_; }
  /// The directory as an output directory string: with its trailing separator.
  std::string Output() const { return path_ + "/"; }
  std::string operator/(const std::string& name) const { return Output() + name; }
  bool Exists(const std::string& name) const {
    struct stat info;
    return lstat((Output() + name).c_str(), &info) == 0;
  }
  std::set<std::string> Names() const { return NamesIn(path_); }

  static std::set<std::string> NamesIn(const std::string& directory) {
    std::set<std::string> names;
    if (DIR* dir = opendir(directory.c_str())) {
      while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.insert(name);
      }
      closedir(dir);
    }
    return names;
  }

 private:
  std::string path_;
};

}  // namespace kitbuilder::testing
