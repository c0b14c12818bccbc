#pragma once
// The images SDCC built for earlier checks, kept in the user's cache directory so that a firmware
// built once from the same files with the same SDCC is not built again. An entry is a directory
// named for the build's key; it appears whole or not at all (it is filled under a temporary name
// and renamed), so two checks at once never see half an entry, and the least recently used
// entries go once the cache grows past its bound. The cache only saves time: whatever fails in
// it, the check builds as it would without it.

#include <cstdint>
#include <optional>
#include <string>

namespace kitbuilder::simulator {

/// The build's key: a hash of every input that decides what SDCC makes of the firmware in
/// `sources` (main.c, define.h, K3960reg.h and the Makefile with its options), of which SDCC
/// builds it (`sdcc`, as SdccIdentity names it) and of the environment SDCC takes its headers and
/// libraries from. Nothing when a file cannot be read or `sdcc` is empty.
std::optional<std::string> BuildKey(const std::string& sources, const std::string& sdcc);

class BuildCache {
 public:
  static constexpr uintmax_t kDefaultLimitBytes = uintmax_t{64} << 20;

  /// A cache in `directory`, made when the first entry is kept; "" keeps nothing.
  explicit BuildCache(std::string directory, uintmax_t limitBytes = kDefaultLimitBytes);

  /// $XDG_CACHE_HOME/kitbuilder, else $HOME/.cache/kitbuilder; "" when neither is set.
  static std::string UserDirectory();

  const std::string& directory() const { return directory_; }

  /// Copies the image, map and memory report of the entry `key` into `workDir`; false when
  /// there is no such entry, or it went while it was copied.
  bool Restore(const std::string& key, const std::string& workDir) const;

  /// Keeps the image, map and memory report that a build left in `workDir` as the entry `key`,
  /// then trims the cache to its bound; "" or what kept them out, with the remedy.
  std::string Keep(const std::string& key, const std::string& workDir) const;

 private:
  void Trim() const;

  std::string directory_;
  uintmax_t limitBytes_;
};

}  // namespace kitbuilder::simulator
