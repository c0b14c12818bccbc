#pragma once
// The store of numbered texts that carries every byte of the generated files.
//
// Templates (kind "TXT") are whole files; fragments (kind "STR") are spliced into the main
// skeleton. A fetch passes three stages (locate, load, obtain bytes) and the first failing stage
// decides the result. The embedded store cannot fail at the last two; a test store can.

#include <cstdint>
#include <string>
#include <string_view>

namespace kitbuilder {

enum class FetchStatus { kFound, kNotFound, kNotLoadable, kNoBytes };

struct FetchResult {
  FetchStatus status = FetchStatus::kNotFound;
  std::string_view bytes;  ///< the stored text without its terminating zero byte
};

/// Read-only access to stored texts. Abstract so that tests can hand the composer a store that
/// lacks a text or fails at any stage.
class TextStore {
 public:
  virtual ~TextStore() = default;
  /// `kind` is matched without regard to case ("TXT" and "txt" are the same kind).
  virtual FetchResult Fetch(std::string_view kind, uint16_t id) const = 0;
};

/// The texts compiled into the program from templates/.
const TextStore& EmbeddedStore();

/// Read access to a template's bytes; valid for as long as its store lives.
struct TemplateView {
  std::string_view bytes;
};

/// Looks up the template of kind "TXT" with the low 16 bits of `id`. Returns 0 and fills `view`,
/// or -1 (not found), -2 (not loadable), -3 (bytes not obtainable).
int32_t OpenTemplate(const TextStore& store, int32_t id, TemplateView* view);

/// The fragment of kind "STR" with the low 16 bits of `id`, as a copy. Never fails: a fragment
/// that cannot be fetched yields a one-line failure text naming `id` as passed, for example
/// "LoadStr 170 :hRes Failed\r\n".
std::string LoadFragment(const TextStore& store, int32_t id);

}  // namespace kitbuilder
