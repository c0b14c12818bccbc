#include "engine/text_store.h"

#include <cstdio>

namespace kitbuilder {
namespace {

// The failure texts keep the id as the caller passed it, before its low 16 bits are taken.
std::string FailureText(const char* stage, int32_t id) {
  char text[64];
  std::snprintf(text, sizeof text, "LoadStr %d :%s Failed\r\n", static_cast<int>(id), stage);
  return text;
}

}  // namespace

int32_t OpenTemplate(const TextStore& store, int32_t id, TemplateView* view) {
  const FetchResult result = store.Fetch("TXT", static_cast<uint16_t>(id));
  switch (result.status) {
    case FetchStatus::kFound:
      view->bytes = result.bytes;
      return 0;
    case FetchStatus::kNotFound:
      return -1;
    case FetchStatus::kNotLoadable:
      return -2;
    case FetchStatus::kNoBytes:
      return -3;
  }
  return -1;
}

std::string LoadFragment(const TextStore& store, int32_t id) {
  const FetchResult result = store.Fetch("STR", static_cast<uint16_t>(id));
  switch (result.status) {
    case FetchStatus::kFound:
      // Read as a zero-terminated string, as the stored text promises to be.
      return std::string(result.bytes.data(), result.bytes.find('\0') == std::string_view::npos
                                                  ? result.bytes.size()
                                                  : result.bytes.find('\0'));
    case FetchStatus::kNotFound:
      return FailureText("hRes", id);
    case FetchStatus::kNotLoadable:
      return FailureText("hResData", id);
    case FetchStatus::kNoBytes:
      return FailureText("lpBuffer", id);
  }
  return FailureText("hRes", id);
}

}  // namespace kitbuilder
