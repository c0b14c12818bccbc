#include "simulator/firmware/build_cache.h"

#include <glib.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "engine/output_files.h"

namespace kitbuilder::simulator {

namespace fs = std::filesystem;

namespace {

/// What a run needs of a build: the image s51 loads, the map that places its symbols and the
/// memory report.
constexpr const char* kKeptFiles[] = {"main.ihx", "main.map", "main.mem"};
constexpr const char* kSourceFiles[] = {"main.c", "define.h", "K3960reg.h", "Makefile"};
/// Where SDCC looks for its headers and libraries besides its own installation.
constexpr const char* kSdccEnvironment[] = {"SDCC_HOME", "SDCC_INCLUDE", "SDCC_LIB"};
/// Names the layout of an entry: a change of what is kept changes every key.
constexpr const char* kLayout = "kitbuilder build cache 1";
/// An entry still being filled under its temporary name after this long was left by a check that
/// died; nothing will rename it.
constexpr auto kAbandoned = std::chrono::minutes(10);
constexpr const char* kFillingPrefix = ".filling-";

/// Each part with its length before it, so that no two lists of parts run together alike.
void Append(std::string* hashed, const std::string& part) {
  *hashed += std::to_string(part.size()) + ":" + part;
}

bool CopyKeptFiles(const fs::path& from, const fs::path& to, std::error_code& error) {
  for (const char* file : kKeptFiles) {
    if (!fs::copy_file(from / file, to / file, fs::copy_options::overwrite_existing, error)) {
      return false;
    }
  }
  return true;
}

uintmax_t EntryBytes(const fs::path& entry) {
  uintmax_t bytes = 0;
  std::error_code error;
  for (const auto& file : fs::directory_iterator(entry, error)) {
    const uintmax_t size = file.file_size(error);
    if (!error) bytes += size;
  }
  return bytes;
}

}  // namespace

std::optional<std::string> BuildKey(const std::string& sources, const std::string& sdcc) {
  if (sdcc.empty()) return std::nullopt;
  std::string hashed;
  Append(&hashed, kLayout);
  Append(&hashed, sdcc);
  for (const char* variable : kSdccEnvironment) {
    const char* value = std::getenv(variable);
    Append(&hashed, value != nullptr ? std::string(variable) + "=" + value : "");
  }
  DiskOutputFiles disk;
  for (const char* file : kSourceFiles) {
    const auto text = disk.ReadExisting((fs::path(sources) / file).string());
    if (!text) return std::nullopt;
    Append(&hashed, file);
    Append(&hashed, *text);
  }
  gchar* digest = g_compute_checksum_for_data(
      G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(hashed.data()), hashed.size());
  if (digest == nullptr) return std::nullopt;
  const std::string key = digest;
  g_free(digest);
  return key;
}

BuildCache::BuildCache(std::string directory, uintmax_t limitBytes)
    : directory_(std::move(directory)), limitBytes_(limitBytes) {}

std::string BuildCache::UserDirectory() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && *cache == '/') return std::string(cache) + "/kitbuilder";
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return std::string(home) + "/.cache/kitbuilder";
  return "";
}

bool BuildCache::Restore(const std::string& key, const std::string& workDir) const {
  if (directory_.empty()) return false;
  const fs::path entry = fs::path(directory_) / key;
  std::error_code error;
  if (!fs::is_directory(entry, error)) return false;
  fs::create_directories(workDir, error);
  if (!CopyKeptFiles(entry, workDir, error)) return false;
  // Its time is its last use: Trim lets the entries go that no check took for longest.
  fs::last_write_time(entry, fs::file_time_type::clock::now(), error);
  return true;
}

std::string BuildCache::Keep(const std::string& key, const std::string& workDir) const {
  if (directory_.empty()) return "";
  std::error_code error;
  fs::create_directories(directory_, error);
  std::string filling = (fs::path(directory_) / kFillingPrefix).string() + "XXXXXX";
  if (error || mkdtemp(filling.data()) == nullptr) {
    return "the build was not kept: cannot write into " + directory_ +
           "; make it writable or set XDG_CACHE_HOME to a directory that is";
  }
  const std::string problem = "the build was not kept in " + directory_ + ": ";
  if (!CopyKeptFiles(workDir, filling, error)) {
    const std::string reason = error.message();
    fs::remove_all(filling, error);
    return problem + reason + "; free some space there or set XDG_CACHE_HOME elsewhere";
  }
  // rename() puts the whole entry in place at once. When another check kept the same build in
  // the meantime, the rename finds its directory there and fails; that entry is as good as ours.
  fs::rename(filling, fs::path(directory_) / key, error);
  if (error) fs::remove_all(filling, error);
  Trim();
  return "";
}

void BuildCache::Trim() const {
  struct Entry {
    fs::file_time_type used;
    fs::path path;
    uintmax_t bytes;
  };
  std::vector<Entry> entries;
  uintmax_t total = 0;
  std::error_code error;
  const auto now = fs::file_time_type::clock::now();
  for (const auto& item : fs::directory_iterator(directory_, error)) {
    const std::string name = item.path().filename().string();
    const auto used = item.last_write_time(error);
    if (error || !item.is_directory(error)) continue;
    if (name.rfind(kFillingPrefix, 0) == 0) {
      if (now - used > kAbandoned) fs::remove_all(item.path(), error);
      continue;
    }
    entries.push_back({used, item.path(), EntryBytes(item.path())});
    total += entries.back().bytes;
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.used < b.used; });
  for (const Entry& entry : entries) {
    if (total <= limitBytes_) break;
    // Another check may be copying from it; it then finds a file missing and builds instead.
    fs::remove_all(entry.path, error);
    total -= entry.bytes;
  }
}

}  // namespace kitbuilder::simulator
