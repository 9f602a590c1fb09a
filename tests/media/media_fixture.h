// Books with media, placed in a MemoryPlatform where the library looks for them.
#ifndef TOMESHELF_TESTS_MEDIA_MEDIA_FIXTURE_H_
#define TOMESHELF_TESTS_MEDIA_MEDIA_FIXTURE_H_

#include <algorithm>
#include <string>

#include "support/book_builder.h"
#include "support/media_builder.h"
#include "support/memory_disc.h"
#include "support/memory_platform.h"

namespace tomeshelf::testing {

inline const std::string kMemoryRoot = "M:\\DISC";

// The catalog's font name fields, in their order: full-width 16, 24, 30, 48, then half.
inline std::string FontFileName(FontShape shape) {
  std::string size = std::to_string(shape.size);
  return "GF" + size + (shape.fullWidth ? "FULL" : "HALF");
}

inline size_t FontField(FontShape shape) {
  const size_t bySize = shape.size == 16 ? 0 : shape.size == 24 ? 1 : shape.size == 30 ? 2 : 3;
  return (shape.fullWidth ? 0 : 4) + bySize;
}

// The first `keep` bytes of a reference, then filler up to the end-code search's bound of
// 4096 bytes, with no end code anywhere.
inline Bytes Unended(const Bytes& reference, size_t keep) {
  Bytes out(4096, 'A');
  std::copy(reference.begin(), reference.begin() + static_cast<std::ptrdiff_t>(keep), out.begin());
  return out;
}

// Where a font of the book in directory DICT lies on the in-memory disc.
inline std::string FontPath(FontShape shape) {
  return kMemoryRoot + "\\DICT\\gaiji\\" + FontFileName(shape);
}

// Puts one book on the in-memory disc.
inline void PutBook(MemoryPlatform& platform, const BookFiles& book) {
  PutMemoryDisc(platform, kMemoryRoot, {book});
}

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_MEDIA_MEDIA_FIXTURE_H_
