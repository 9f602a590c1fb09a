// Four threads drive the exports at once, one of them closing and reopening the book now
// and then. Each call must be whole (the CI runs this under ThreadSanitizer): every result
// is one the call documents, and the library is sound afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/session_book.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

TEST(ThreadsTest, ConcurrentCallsEachRunWhole) {
  const testing::SessionDisc disc;
  const auto& book = disc.book;
  ASSERT_EQ(OpenEpwing(disc.root.c_str()), 1);
  ASSERT_EQ(epwBooksOpen(), 1);
  std::atomic<int> wrong{0};
  auto expect = [&](bool ok) { wrong += !ok; };
  auto status = [](int32_t r) { return r == 1 || r == -1 || r == -2; };
  auto reader = [&](int id) {
    std::vector<unsigned char> buffer(64 * 1024);
    unsigned char item[TOMESHELF_ITEM_SIZE];
    char caption[256];
    uint32_t count = 0;
    for (int round = 0; round < 150; ++round) {
      if (id == 0 && round % 10 == 5) {
        epwBooksClose();
        expect(OpenEpwing(disc.root.c_str()) == 1 && epwBooksOpen() == 1);
        continue;
      }
      auto word = book.word;
      WordProperties props{};
      expect(status(epwGetWordProperties(word.data(), &props)));
      WordItemRecord record{{}, item};
      expect(status(epwGetWordItem(round % 6, &record)));
      const int32_t piece = epwGetWordContent(round % 5, buffer.data(), 100, &count);
      expect(piece >= -1 && piece <= 1 && (piece < 0 || count <= 100));
      const int32_t page = GetWordCont(round % 5, buffer.data(), 300, &count);
      expect(page >= -2 && (page < 0 || count <= 300));
      expect(epwGetNextContentByWord(buffer.data(), 300, &count) >= -2 && count <= 300);
      expect(GetWordContNext(buffer.data(), 300, &count) >= -2 && count <= 300);
      expect(GetContLastNoSet(buffer.data(), 300, &count) >= 0 && count <= 300);
      const int32_t linked = epwGetLinkContent(book.link.data(), buffer.data(), 100, &count);
      expect(linked >= -2 && linked <= 1);
      ImageKind kind = 0;
      if (epwGetImageSize(book.mono.data(), caption) > 0) {
        expect(epwGetImage(book.mono.data(), buffer.data(), &kind) >= -2);
      }
      // A framework object with no device in it: the glyph is found and read, not drawn.
      struct { const void* table; void* device; } noDevice{nullptr, nullptr};
      expect(status(epwShowExCodePixel(book.gaiji, 16, 1, 0, 0, 16, 16, 0, &noDevice)));
    }
  };
  std::vector<std::thread> threads;
  for (int id = 0; id < 4; ++id) threads.emplace_back(reader, id);
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  auto word = book.word;
  WordProperties props{};
  EXPECT_EQ(epwGetWordProperties(word.data(), &props), 1);
  EXPECT_EQ(props.hitCount, 5);
  epwBooksClose();
  CloseEpwing();
}

}  // namespace
}  // namespace tomeshelf
