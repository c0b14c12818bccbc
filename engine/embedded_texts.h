#pragma once
// The stored texts of templates/, compiled into the program by cmake/EmbedTexts.cmake.

#include <cstddef>
#include <cstdint>

namespace kitbuilder {

struct EmbeddedText {
  const char* kind;  ///< "TXT" or "STR"
  uint16_t id;
  const char* bytes;  ///< followed by a zero byte
  std::size_t size;   ///< without the zero byte
};

extern const EmbeddedText kEmbeddedTexts[];
extern const std::size_t kEmbeddedTextCount;

}  // namespace kitbuilder
