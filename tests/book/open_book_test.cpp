#include <gtest/gtest.h>


#include "api/library.h"
#include "support/writer.h"
#include "support/memory_disc.h"
#include "support/memory_platform.h"

namespace tomeshelf {
namespace {

using testing::BookFiles;
using testing::Bytes;
using testing::IndexTableEntry;
using testing::MemoryPlatform;
using testing::TextFileBuilder;

constexpr char kRoot[] = "M:";
constexpr char kBookDir[] = "M:\\DICT";

Bytes TextFile(const std::vector<IndexTableEntry>& entries = {}) {
  TextFileBuilder text;
  for (const auto& e : entries) text.AddIndexEntry(e);
  return text.Build();
}

BookFiles Book(Bytes honmon, std::map<std::string, Bytes> fonts = {}) {
  BookFiles book;
  book.entry = {0x00, "Book", "DICT", {}};
  size_t slot = 0;
  for (const auto& [name, bytes] : fonts) book.entry.fonts[slot++] = name;
  book.honmon = std::move(honmon);
  book.fonts = std::move(fonts);
  return book;
}

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
  const Bytes whole = TextFile({{0x92, 5}, {0x91, 6}, {0x01, 7}});
  const auto check = [](MemoryLibrary& m, const std::string& name) {
    EXPECT_EQ(m.lib.epwBooksOpen(), -1) << name;
    EXPECT_EQ(m.lib.book(), nullptr) << name;
    EXPECT_EQ(m.platform.openFiles, 0) << name;
    EXPECT_EQ(m.lib.epwShowExCode(0xA121, 16, 1, 0, 0, 16, 16, 0, 0, nullptr), -1) << name;
  };
  // Missing, ten bytes, the header alone, the table cut inside its second entry and before its
  // last.
  for (size_t size : {0, 10, 16, 16 + 16 + 8, 16 + 32}) {
    MemoryLibrary m(Book(Bytes(whole.begin(), whole.begin() + size),
                         {{"GA16FULL", testing::FontHeaderOnly(0xA121)}}));
    check(m, "size " + std::to_string(size));
  }
  MemoryLibrary m(Book(whole));
  m.platform.faults.shortReadLimit = 15;
  check(m, "short reads");
}

TEST(OpenBookTest, OpeningAgainOrAFailedCloseClosesTheBookAndItsFonts) {
  MemoryLibrary m(Book(TextFile(), {{"GA16FULL", testing::FontHeaderOnly(0xA121)},
                                    {"GA24FULL", testing::FontHeaderOnly(0xA121)}}));
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
  void SetUp() override {
    TextFileBuilder text;
    text.Put(testing::Offset(text.ReserveBlocks(1)), Bytes(100, 0x41));
    bytes_ = text.Build();
    platform_.files[path_] = bytes_;
  }
  bool ReadOk(OpenBook& book) {
    std::array<uint8_t, 16> out{};
    return book.Read(0, out).has_value();
  }

  MemoryPlatform platform_;
  std::string path_ = testing::MemoryTextPath(kRoot, "DICT");
  Bytes bytes_;
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
  EXPECT_EQ(out[0], 0x41);
  const int64_t reads = platform_.readCalls;
  platform_.files[path_][static_cast<size_t>(at)] = 0x42;
  ASSERT_EQ(book.Read(at, out), out.size());
  EXPECT_EQ(out[0], 0x41);
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
