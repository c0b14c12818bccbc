#pragma once
// A text store for tests: texts set by hand, each able to fail at a chosen fetch stage.

#include <initializer_list>
#include <map>
#include <string>
#include <utility>

#include "engine/text_store.h"

namespace kitbuilder::testing {

class FakeTextStore : public TextStore {
 public:
  void Set(const std::string& kind, uint16_t id, std::string bytes) {
    texts_[{kind, id}] = {FetchStatus::kFound, std::move(bytes)};
  }
  void Fail(const std::string& kind, uint16_t id, FetchStatus stage) {
    texts_[{kind, id}].status = stage;
  }
  void Remove(const std::string& kind, uint16_t id) { texts_.erase({kind, id}); }

  /// Copies the texts of the compiled-in store with the given ids into this store.
  void CopyFromEmbedded(const std::string& kind, std::initializer_list<uint16_t> ids);

  FetchResult Fetch(std::string_view kind, uint16_t id) const override;

 private:
  struct Entry {
    FetchStatus status = FetchStatus::kNotFound;
    std::string bytes;
  };
  std::map<std::pair<std::string, uint16_t>, Entry> texts_;
};

/// Every fragment id that the composer may ask for.
extern const std::initializer_list<uint16_t> kFragmentIds;

/// A store with every embedded text, fragments and templates, ready to be altered by a test.
FakeTextStore CopyOfEmbeddedStore();

}  // namespace kitbuilder::testing
