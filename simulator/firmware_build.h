#pragma once
// The firmware a check runs, written where SDCC builds it: the generated files for the
// settings, with the user's own main.c over the generated one if there is one, in a directory
// of the check's own that is gone afterwards.

#include <optional>
#include <string>

#include "engine/generation_settings.h"
#include "engine/text_store.h"

namespace kitbuilder::simulator {

/// A directory of the check's own under the system's temporary directory, removed with the
/// object; its path is empty when none could be made.
class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const std::string& path() const { return path_; }
  /// What to tell the user when the path is empty: where it was to be made and the remedy.
  static std::string Refusal();

 private:
  std::string path_;
};

/// Writes the SDCC firmware for `settings` into `directory`, and `firmwareFile` (in either
/// compiler's dialect) over its main.c if given; "" or the reason it could not.
std::string WriteFirmware(const GenerationSettings& settings,
                          const std::optional<std::string>& firmwareFile, const TextStore& store,
                          const std::string& directory);

}  // namespace kitbuilder::simulator
