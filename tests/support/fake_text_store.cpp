#include "tests/support/fake_text_store.h"

#include <cctype>

namespace kitbuilder::testing {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

const std::initializer_list<uint16_t> kFragmentIds = {
    166, 167, 168, 169, 171, 172, 173, 175, 176, 177, 178, 179, 180, 181, 182, 183, 185, 186, 187,
    188, 189, 190, 191, 192, 193, 194, 195, 197, 198, 199, 200, 201, 202, 203, 204, 212, 213};

void FakeTextStore::CopyFromEmbedded(const std::string& kind, std::initializer_list<uint16_t> ids) {
  for (uint16_t id : ids) {
    const FetchResult result = EmbeddedStore().Fetch(kind, id);
    if (result.status == FetchStatus::kFound) Set(Upper(kind), id, std::string(result.bytes));
  }
}

FetchResult FakeTextStore::Fetch(std::string_view kind, uint16_t id) const {
  const auto found = texts_.find({Upper(kind), id});
  if (found == texts_.end()) return {FetchStatus::kNotFound, {}};
  return {found->second.status, found->second.bytes};
}

FakeTextStore CopyOfEmbeddedStore() {
  FakeTextStore store;
  store.CopyFromEmbedded("TXT", {160, 161, 211, 220});
  store.CopyFromEmbedded("STR", kFragmentIds);
  return store;
}

}  // namespace kitbuilder::testing
