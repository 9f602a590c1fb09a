// Searches an arbitrary text file with an arbitrary word. Input: one byte n, n bytes of
// word (a terminator is added), then the text file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "book/open_book.h"
#include "search/word_search.h"
#include "support/memory_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t n = data[0];
  if (size < 1 + n) return 0;
  std::vector<uint8_t> word(data + 1, data + 1 + n);
  word.push_back(0);

  tomeshelf::testing::MemoryPlatform platform;
  platform.files["\\book\\data\\honmon"].assign(data + 1 + n, data + size);
  tomeshelf::OpenBook book(platform);
  if (book.OpenFiles("\\book") != tomeshelf::Status::kOk) return 0;
  tomeshelf::SearchWord(book, word.data());
  return 0;
}
