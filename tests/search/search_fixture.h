// Helpers shared by the search suites: keys written as character codes, and a book held
// by the in-memory platform with its word indexes from the index builder.
#ifndef TOMESHELF_TESTS_SEARCH_SEARCH_FIXTURE_H_
#define TOMESHELF_TESTS_SEARCH_SEARCH_FIXTURE_H_

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "book/open_book.h"
#include "search/word_search.h"
#include "support/book_builder.h"
#include "support/index_builder.h"
#include "support/memory_platform.h"

namespace tomeshelf::testing {

inline Bytes Chars(std::initializer_list<uint16_t> codes) {
  Bytes out;
  for (uint16_t c : codes) {
    out.push_back(static_cast<uint8_t>(c >> 8));
    out.push_back(static_cast<uint8_t>(c));
  }
  return out;
}

inline Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// An index table entry whose settings leave the words as they are but for symbol removal.
inline IndexTableEntry PlainIndex(uint8_t code) {
  return IndexTableEntry{code, 0, 0, {0x55, 0x55, 0x55}, 0};
}

inline IndexWord Word(const Bytes& key, uint32_t textBlock, uint32_t headingBlock = 0) {
  return IndexWord{key, Position{textBlock, 0}, Position{headingBlock ? headingBlock : textBlock, 16}};
}

struct SearchResult {
  Status status;
  std::vector<int32_t> texts;  // text offsets of the hits, in order
  Bytes word;                  // the word as the search left it, without its terminator
};

// A book open on the in-memory platform.
class MemoryBook {
 public:
  static constexpr const char* kTextPath = "\\book\\data\\honmon";

  explicit MemoryBook(const Bytes& honmon) {
    platform.files[kTextPath] = honmon;
    opened = book.OpenFiles("\\book");
  }

  SearchResult Search(const Bytes& word) {
    Bytes buffer = word;
    buffer.push_back(0);
    SearchResult r{SearchWord(book, buffer.data()), {}, {}};
    r.word.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(
                                                       std::find(buffer.begin(), buffer.end(), 0) -
                                                       buffer.begin()));
    for (int32_t i = 0; i < book.Hits().Count(); ++i) r.texts.push_back(book.Hits()[i].textOffset);
    return r;
  }

  MemoryPlatform platform;
  OpenBook book{platform};
  Status opened = Status::kIoError;
};

// The text offsets of blocks, as hits report them.
inline std::vector<int32_t> Texts(std::initializer_list<uint32_t> blocks) {
  std::vector<int32_t> out;
  for (uint32_t b : blocks) out.push_back(Position{b, 0}.FileOffset());
  return out;
}

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_SEARCH_SEARCH_FIXTURE_H_
