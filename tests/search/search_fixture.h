// Helpers shared by the search suites: keys written as character codes, and a book held
// by the in-memory platform with its word indexes from the index builder.
#ifndef TOMESHELF_TESTS_SEARCH_SEARCH_FIXTURE_H_
#define TOMESHELF_TESTS_SEARCH_SEARCH_FIXTURE_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "book/open_book.h"
#include "search/word_search.h"
#include "support/writer.h"
#include "support/memory_platform.h"

namespace tomeshelf::testing {

inline Bytes Chars(std::initializer_list<uint16_t> codes) {
  Bytes out;
  for (uint16_t c : codes) {
    out.push_back(uint8_t(c >> 8));
    out.push_back(uint8_t(c));
  }
  return out;
}

template <typename T>
std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct SearchResult {
  Status status;
  std::vector<int32_t> texts;  // text offsets of the hits, in order
  Bytes word;                  // the word as the search left it, without its terminator
};

// A book open on the in-memory platform.
class MemoryBook {
 public:
  explicit MemoryBook(const Bytes& honmon) {
    platform.files["\\book\\data\\honmon"] = honmon;
    opened = book.OpenFiles("\\book");
  }

  SearchResult Search(Bytes word) {
    word.push_back(0);
    SearchResult r{SearchWord(book, word.data()), {}, {}};
    r.word.assign(word.begin(), std::find(word.begin(), word.end(), 0));
    for (int32_t i = 0; i < book.Hits().Count(); ++i) r.texts.push_back(book.Hits()[i].textOffset);
    return r;
  }

  MemoryPlatform platform;
  OpenBook book{platform};
  Status opened = Status::kIoError;
};

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_SEARCH_SEARCH_FIXTURE_H_
