#include <gtest/gtest.h>

#include <array>

#include "api/library.h"
#include "support/memory_disc.h"
#include "support/memory_platform.h"
#include "support/session_book.h"

namespace tomeshelf {
namespace {

using testing::BookFiles;
using testing::Bytes;
using testing::MemoryPlatform;

constexpr char kRoot[] = "M:";
constexpr char kBookDir[] = "M:\\DICT";
const BookFiles kBook = testing::MakeSessionBook().files;  // two fonts, two index table entries

// A Library on an in-memory disc of one book, with its catalog open.
struct MemoryLibrary {
  explicit MemoryLibrary(const BookFiles& book) {
    testing::PutMemoryDisc(platform, kRoot, {book});
    EXPECT_EQ(lib.OpenEpwing(kRoot), 1);
  }
  MemoryPlatform platform;
  Library lib{platform};
};

// A text file cut short opens nothing and leaves nothing open; opening again, or a close
// that fails, closes the book and its fonts.
TEST(OpenBookTest, DamagedFileOpensNothingAndOpeningAgainOrAFailedCloseClosesEverything) {
  // Missing, a byte short of the header, the header alone, a byte short of the table.
  for (size_t size : {0, 15, 16, 16 + 16 + 15}) {
    SCOPED_TRACE(size);
    BookFiles cut = kBook;
    cut.honmon.resize(size);
    MemoryLibrary m(cut);
    EXPECT_EQ(m.lib.epwBooksOpen(), -1);
    EXPECT_EQ(m.lib.book(), nullptr);
    EXPECT_EQ(m.platform.openFiles, 0);
    EXPECT_EQ(m.lib.epwShowExCode(0xA121, 16, 1, 0, 0, 16, 16, 0, 0, nullptr), -1);
  }
  MemoryLibrary m(kBook);
  ASSERT_EQ(m.lib.epwBooksOpen(), 1);
  ASSERT_EQ(m.platform.openFiles, 3);
  m.lib.book()->Hits().AppendHit(64, 64);
  ASSERT_EQ(m.lib.epwBooksOpen(), 1);
  EXPECT_EQ(m.platform.openFiles, 3);
  EXPECT_EQ(m.lib.book()->Hits().Count(), 0);
  EXPECT_TRUE(m.platform.messages.empty());
  m.platform.faults.failClose = true;
  m.lib.epwBooksClose();
  EXPECT_EQ(m.lib.book(), nullptr);
  m.lib.epwBooksClose();
  EXPECT_EQ(m.platform.messages, std::vector<std::string>{"The file is not closed"});  // once
  EXPECT_EQ(m.platform.openFiles, 0);
}

// OpenBook on its own. Each read is checked first: the lookup finds the file at its size and
// the watch reports nothing. Blocks come from the cache until a check fails; the read after
// that goes to the file. Closing ends the watch and drops the cache.
TEST(GuardedReadTest, EveryCheckGuardsTheReadAndAFailedOneEmptiesTheCache) {
  MemoryPlatform platform;
  const std::string path = testing::MemoryTextPath(kRoot, "DICT");
  Bytes& file = platform.files[path] = kBook.honmon;
  const auto size = static_cast<int32_t>(file.size()), at = size - 2048;
  OpenBook book(platform);
  ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
  std::array<uint8_t, 16> out{};
  const auto first = [&](int32_t offset) { return book.Read(offset, out) ? int{out[0]} : -1; };
  const int original = file[at];
  EXPECT_EQ(first(at), original);
  const int64_t reads = platform.readCalls;
  file[at] = 0x42;
  EXPECT_EQ(first(at), original);
  EXPECT_EQ(platform.readCalls, reads);
  platform.lookupSizeOverride = file.size() + 1;
  EXPECT_EQ(first(at), -1);
  platform.lookupSizeOverride.reset();
  EXPECT_EQ(first(at), 0x42);
  file[at] = 0x43;
  auto saved = platform.files.extract(path);
  EXPECT_EQ(first(at), -1);
  EXPECT_TRUE(book.TextFileOpen());
  platform.files.insert(std::move(saved));
  EXPECT_EQ(first(at), 0x43);
  EXPECT_EQ(book.Read(size + 100, out), size_t{0});
  EXPECT_EQ(book.Read(size - 4, out), size_t{4});
  // Only a check-first read takes a change when the offset is refused.
  platform.pendingChanges = 1;
  EXPECT_FALSE(book.Read(-1, out, ReadOrder::kSeekFirst));
  EXPECT_EQ(platform.pendingChanges, 1);
  EXPECT_FALSE(book.Read(-1, out, ReadOrder::kCheckFirst));
  EXPECT_EQ(platform.pendingChanges, 0);
  file[at] = 0x44;
  platform.pendingChanges = 1;
  EXPECT_EQ(first(at), -1);
  EXPECT_EQ(first(at), 0x44);
  file[at] = 0x45;
  book.CloseFiles();
  platform.pendingChanges = 1;
  EXPECT_FALSE(book.PollChangeWatch());
  EXPECT_EQ(platform.pendingChanges, 1);
  EXPECT_EQ(first(at), -1);
  EXPECT_TRUE(book.TextPath().empty());
  platform.pendingChanges = 0;
  ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
  EXPECT_EQ(first(at), 0x45);
}

}  // namespace
}  // namespace tomeshelf
