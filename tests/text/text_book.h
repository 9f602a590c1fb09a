// A Library on an in-memory disc holding one book whose text file the test wrote.
#ifndef TOMESHELF_TESTS_TEXT_TEXT_BOOK_H_
#define TOMESHELF_TESTS_TEXT_TEXT_BOOK_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "api/library.h"
#include "support/article_builder.h"
#include "support/memory_platform.h"

namespace tomeshelf::testing {

class TextBook {
 public:
  static constexpr const char* kRoot = "Q:\\DISC";
  static constexpr const char* kTextPath = "Q:\\DISC\\DICT\\data\\honmon";

  // Puts the disc in place and opens the book.
  void Open(const TextFileBuilder& text) {
    honmon = text.Build();
    platform.files[std::string(kRoot) + "\\catalogs"] = CatalogBytes({{0x00, "Book", "DICT", {}}});
    platform.files[kTextPath] = honmon;
    ASSERT_EQ(lib.OpenEpwing(kRoot), 1);
    ASSERT_EQ(lib.epwBooksOpen(), 1);
  }

  // The book's own bytes, up to its end.
  Bytes At(uint32_t offset, size_t n) const {
    const size_t end = std::min(honmon.size(), size_t{offset} + n);
    return offset >= end ? Bytes{} : Bytes(honmon.begin() + offset, honmon.begin() + end);
  }

  void AddHit(uint32_t textOffset, uint32_t headingOffset = 0) {
    lib.book()->Hits().AppendHit(static_cast<int32_t>(textOffset),
                                 static_cast<int32_t>(headingOffset));
  }

  MemoryPlatform platform;
  Library lib{platform};
  Bytes honmon;
};

// The first n bytes of a buffer.
inline Bytes Head(const Bytes& buffer, uint32_t n) {
  return Bytes(buffer.begin(), buffer.begin() + std::min<size_t>(n, buffer.size()));
}

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_TEXT_TEXT_BOOK_H_
