#pragma once
// Output files for tests: kept in memory, with an open or a write that fails on request.

#include <map>
#include <optional>
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

  std::map<std::string, std::string> files;
  std::map<std::string, WriteOutcome> faults;  ///< path -> the outcome to report instead
  std::vector<std::string> writeOrder;
};

}  // namespace kitbuilder::testing
