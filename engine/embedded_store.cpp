#include <strings.h>

#include "engine/embedded_texts.h"
#include "engine/text_store.h"

namespace kitbuilder {
namespace {

class CompiledInStore : public TextStore {
 public:
  FetchResult Fetch(std::string_view kind, uint16_t id) const override {
    for (std::size_t i = 0; i < kEmbeddedTextCount; ++i) {
      const EmbeddedText& text = kEmbeddedTexts[i];
      if (text.id == id && SameKind(text.kind, kind)) {
        return {FetchStatus::kFound, std::string_view(text.bytes, text.size)};
      }
    }
    return {FetchStatus::kNotFound, {}};
  }

 private:
  static bool SameKind(const char* stored, std::string_view asked) {
    return std::string_view(stored).size() == asked.size() &&
           strncasecmp(stored, asked.data(), asked.size()) == 0;
  }
};

}  // namespace

const TextStore& EmbeddedStore() {
  static const CompiledInStore store;
  return store;
}

}  // namespace kitbuilder
