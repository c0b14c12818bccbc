#pragma once
// Output files for tests: kept in memory, with an open, a write, a new directory or a removal
// that fails on request.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/output_files.h"

namespace kitbuilder::testing {

class MemoryOutputFiles : public OutputFiles {
 public:
  WriteOutcome Write(const std::string& path, std::string_view bytes) override {
    writeOrder.push_back(path);
    if (const auto fault = faults.find(path); fault != faults.end()) return fault->second;
    files[path] = std::string(bytes);
    return {};
  }

  std::optional<std::string> ReadExisting(const std::string& path) override {
    const auto found = files.find(path);
    if (found == files.end()) return std::nullopt;
    return found->second;
  }

  WriteOutcome MakeDirectory(const std::string& path) override {
    if (const auto fault = faults.find(path); fault != faults.end()) return fault->second;
    directories.insert(path);
    return {};
  }

  WriteOutcome Remove(const std::string& path) override {
    if (const auto fault = removalFaults.find(path); fault != removalFaults.end()) {
      return fault->second;
    }
    files.erase(path);
    return {};
  }

  std::map<std::string, std::string> files;
  std::map<std::string, WriteOutcome> faults;         ///< path -> the outcome to report instead
  std::map<std::string, WriteOutcome> removalFaults;  ///< the same for Remove
  std::vector<std::string> writeOrder;
  std::set<std::string> directories;
};

}  // namespace kitbuilder::testing
