#include <gtest/gtest.h>


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

TEST(OpenBookTest, DamagedOrUnreadableTextFileOpensNothingAndLeavesNothingOpen) {
  const auto check = [](MemoryLibrary& m, const std::string& name) {
    EXPECT_EQ(m.lib.epwBooksOpen(), -1) << name;
    EXPECT_EQ(m.lib.book(), nullptr) << name;
    EXPECT_EQ(m.platform.openFiles, 0) << name;
    EXPECT_EQ(m.lib.epwShowExCode(0xA121, 16, 1, 0, 0, 16, 16, 0, 0, nullptr), -1) << name;
  };
  // Missing, a byte short of the header, the header alone, a byte short of the table.
  for (size_t size : {0, 15, 16, 16 + 16 + 15}) {
    BookFiles cut = kBook;
    cut.honmon.resize(size);
    MemoryLibrary m(cut);
    check(m, "size " + std::to_string(size));
  }
  MemoryLibrary m(kBook);
  m.platform.faults.shortReadLimit = 15;
  check(m, "short reads");
}

TEST(OpenBookTest, OpeningAgainOrAFailedCloseClosesTheBookAndItsFonts) {
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

// OpenBook on its own, on an in-memory text file.
class GuardedReadTest : public ::testing::Test {
 protected:
  void SetUp() override { platform_.files[path_] = bytes_; }
  bool ReadOk(OpenBook& book) {
    std::array<uint8_t, 16> out{};
    return book.Read(0, out).has_value();
  }

  MemoryPlatform platform_;
  std::string path_ = testing::MemoryTextPath(kRoot, "DICT");
  Bytes bytes_ = kBook.honmon;
};

// Without a watch only the lookup and the size guard a read; a watched change is shown failing
// one read by the cases below.
TEST_F(GuardedReadTest, WithoutAWatchLookupAndSizeStillGuardTheRead) {
  platform_.watchStarts = false;
  OpenBook book(platform_);
  ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
  platform_.pendingChanges = 3;  // a watch that failed to start never signals
  EXPECT_TRUE(ReadOk(book));
  platform_.lookupSizeOverride = bytes_.size() + 1;
  EXPECT_FALSE(ReadOk(book));
  platform_.lookupSizeOverride.reset();
  auto saved = platform_.files.extract(path_);
  EXPECT_FALSE(ReadOk(book));
  EXPECT_TRUE(book.TextFileOpen());
  platform_.files.insert(std::move(saved));
  EXPECT_TRUE(ReadOk(book));
}

TEST_F(GuardedReadTest, OffsetsPastTheEndReadNothingAndClosingEndsTheWatch) {
  OpenBook book(platform_);
  ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
  EXPECT_EQ(platform_.watchedDirectories, std::vector<std::string>{"M:\\DICT\\data"});
  std::array<uint8_t, 16> out{};
  EXPECT_EQ(book.Read(static_cast<int32_t>(bytes_.size()) + 100, out), size_t{0});
  EXPECT_EQ(book.Read(static_cast<int32_t>(bytes_.size()) - 4, out), size_t{4});
  // Only a check-first read takes a change when the offset is refused.
  platform_.pendingChanges = 1;
  EXPECT_FALSE(book.Read(-1, out, ReadOrder::kSeekFirst));
  EXPECT_EQ(platform_.pendingChanges, 1);
  EXPECT_FALSE(book.Read(-1, out, ReadOrder::kCheckFirst));
  EXPECT_EQ(platform_.pendingChanges, 0);
  book.CloseFiles();
  platform_.pendingChanges = 1;
  EXPECT_FALSE(book.PollChangeWatch());
  EXPECT_EQ(platform_.pendingChanges, 1);
  EXPECT_FALSE(ReadOk(book));
  EXPECT_TRUE(book.TextPath().empty());
}

// Blocks come from the cache until a check fails; the read after that goes to the file.
TEST_F(GuardedReadTest, FailedCheckEmptiesTheCacheAndCloseDropsIt) {
  OpenBook book(platform_);
  ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
  const int32_t at = static_cast<int32_t>(bytes_.size()) - 2048;
  std::array<uint8_t, 4> out{};
  ASSERT_EQ(book.Read(at, out), out.size());
  EXPECT_EQ(out[0], bytes_[static_cast<size_t>(at)]);
  const int64_t reads = platform_.readCalls;
  platform_.files[path_][static_cast<size_t>(at)] = 0x42;
  ASSERT_EQ(book.Read(at, out), out.size());
  EXPECT_EQ(out[0], bytes_[static_cast<size_t>(at)]);
  EXPECT_EQ(platform_.readCalls, reads);
  platform_.pendingChanges = 1;
  EXPECT_FALSE(book.Read(at, out));
  ASSERT_EQ(book.Read(at, out), out.size());
  EXPECT_EQ(out[0], 0x42);
  platform_.files[path_][static_cast<size_t>(at)] = 0x43;
  book.CloseFiles();
  ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
  ASSERT_EQ(book.Read(at, out), out.size());
  EXPECT_EQ(out[0], 0x43);
}

}  // namespace
}  // namespace tomeshelf
