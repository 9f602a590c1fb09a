#include <gtest/gtest.h>

#include <climits>

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

TEST(BlockAddressTest, FileOffsetWrapsIn32Bits) {
  struct Case {
    uint32_t block, offset;
    int32_t fileOffset;
  };
  for (const Case& c : std::vector<Case>{{1, 0, 0},
                                         {2, 16, 2064},
                                         {3, 2047, 2 * 2048 + 2047},
                                         {0, 0, -2048},
                                         {0x100001, 0, INT32_MIN}}) {
    EXPECT_EQ((BlockAddress{c.block, c.offset}.FileOffset()), c.fileOffset)
        << c.block << "/" << c.offset;
  }
}

TEST(OpenBookTest, IndexTableIsKeptWholeInFileOrder) {
  // Codes the library never uses, and a repeated code, are kept all the same.
  const std::vector<IndexTableEntry> entries = {
      {0x92, 5}, {0x05, 9}, {0x01, 7}, {0x92, 11}, {0xFF, 0xFFFFFFFF}};
  MemoryLibrary m(Book(TextFile(entries)));
  ASSERT_EQ(m.lib.epwBooksOpen(), 1);
  const auto& table = m.lib.book()->IndexTable();
  ASSERT_EQ(table.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(table[i].Code(), entries[i].code) << i;
    EXPECT_EQ(table[i].StartBlock(), entries[i].startBlock) << i;
  }
}

TEST(OpenBookTest, EmptyIndexTableOpens) {
  MemoryLibrary m(Book(TextFile()));
  ASSERT_EQ(m.lib.epwBooksOpen(), 1);
  EXPECT_TRUE(m.lib.book()->IndexTable().empty());
  EXPECT_TRUE(m.lib.book()->TextFileOpen());
}

TEST(OpenBookTest, DamagedTextFileOpensNothingAndLeavesNothingOpen) {
  const Bytes whole = TextFile({{0x92, 5}, {0x91, 6}, {0x01, 7}});
  struct Case {
    const char* name;
    size_t size;
  };
  for (const Case& c : std::vector<Case>{{"ten bytes", 10},
                                         {"header only, three entries promised", 16},
                                         {"table cut inside its second entry", 16 + 16 + 8},
                                         {"table cut before its last entry", 16 + 32}}) {
    MemoryLibrary m(Book(Bytes(whole.begin(), whole.begin() + c.size),
                         {{"GA16FULL", testing::FontHeaderOnly(0xA121)}}));
    EXPECT_EQ(m.lib.epwBooksOpen(), -1) << c.name;
    EXPECT_EQ(m.lib.book(), nullptr) << c.name;
    EXPECT_EQ(m.platform.openFiles, 0) << c.name;
    EXPECT_EQ(m.lib.epwShowExCode(0xA121, 16, 1, 0, 0, 16, 16, 0, 0, nullptr), -1) << c.name;
  }
}

TEST(OpenBookTest, EveryFailedReadAtOpenLeavesNothingOpen) {
  const BookFiles book = Book(TextFile({{0x92, 5}, {0x91, 6}, {0x01, 7}}));
  int64_t readsInOpen = 0;
  {
    MemoryLibrary m(book);
    const int64_t before = m.platform.readCalls;
    ASSERT_EQ(m.lib.epwBooksOpen(), 1);
    readsInOpen = m.platform.readCalls - before;
  }
  ASSERT_EQ(readsInOpen, 4);  // the header, then one read per entry
  for (int64_t k = 1; k <= readsInOpen; ++k) {
    MemoryLibrary m(book);
    m.platform.faults.failReadOnCall = m.platform.readCalls + k;
    EXPECT_EQ(m.lib.epwBooksOpen(), -1) << k;
    EXPECT_EQ(m.lib.book(), nullptr) << k;
    EXPECT_EQ(m.platform.openFiles, 0) << k;
  }
}

TEST(OpenBookTest, ShortReadsAtOpenFail) {
  MemoryLibrary m(Book(TextFile({{0x92, 5}})));
  m.platform.faults.shortReadLimit = 15;
  EXPECT_EQ(m.lib.epwBooksOpen(), -1);
  EXPECT_EQ(m.platform.openFiles, 0);
}

TEST(OpenBookTest, MissingTextFileOpensNothing) {
  MemoryLibrary m(Book(Bytes{}, {{"GA16FULL", testing::FontHeaderOnly(0xA121)}}));
  EXPECT_EQ(m.lib.epwBooksOpen(), -1);
  EXPECT_EQ(m.lib.book(), nullptr);
  EXPECT_EQ(m.platform.openFiles, 0);
}

TEST(OpenBookTest, FailedCloseShowsMessageOnceAndClosesAllTheSame) {
  MemoryLibrary m(Book(TextFile()));
  ASSERT_EQ(m.lib.epwBooksOpen(), 1);
  m.platform.faults.failClose = true;
  m.lib.epwBooksClose();
  EXPECT_EQ(m.lib.book(), nullptr);
  EXPECT_EQ(m.platform.messages, std::vector<std::string>{"The file is not closed"});
  m.lib.epwBooksClose();
  EXPECT_EQ(m.platform.messages.size(), 1u);
  EXPECT_EQ(m.platform.openFiles, 0);
}

TEST(OpenBookTest, OpeningAgainClosesTheOpenBookAndItsFontsFirst) {
  MemoryLibrary m(Book(TextFile(), {{"GA16FULL", testing::FontHeaderOnly(0xA121)},
                                    {"GA24FULL", testing::FontHeaderOnly(0xA121)}}));
  ASSERT_EQ(m.lib.epwBooksOpen(), 1);
  ASSERT_EQ(m.platform.openFiles, 3);
  m.lib.book()->Hits().AppendHit(64, 64);
  ASSERT_EQ(m.lib.epwBooksOpen(), 1);
  EXPECT_EQ(m.platform.openFiles, 3);
  EXPECT_EQ(m.lib.book()->Hits().Count(), 0);
  EXPECT_TRUE(m.platform.messages.empty());
  m.lib.epwBooksClose();
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

TEST_F(GuardedReadTest, ChangeFailsExactlyTheNextRead) {
  OpenBook book(platform_);
  ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
  EXPECT_EQ(platform_.watchedDirectories, std::vector<std::string>{"M:\\DICT\\data"});
  EXPECT_TRUE(ReadOk(book));
  platform_.pendingChanges = 3;
  EXPECT_FALSE(ReadOk(book));
  EXPECT_TRUE(ReadOk(book));
  EXPECT_TRUE(ReadOk(book));
}

TEST_F(GuardedReadTest, LookupAndSizeGuardEveryRead) {
  for (bool watchStarts : {true, false}) {
    platform_.watchStarts = watchStarts;
    OpenBook book(platform_);
    ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
    // A watch that failed to start never signals; lookup and size still guard.
    platform_.pendingChanges = 1;
    EXPECT_EQ(ReadOk(book), !watchStarts);
    platform_.lookupSizeOverride = bytes_.size() + 1;
    EXPECT_FALSE(ReadOk(book));
    EXPECT_FALSE(ReadOk(book));
    platform_.lookupSizeOverride.reset();
    EXPECT_TRUE(ReadOk(book));
    auto saved = platform_.files.extract(path_);
    EXPECT_FALSE(ReadOk(book));
    EXPECT_TRUE(book.TextFileOpen());
    platform_.files.insert(std::move(saved));
    EXPECT_TRUE(ReadOk(book));
  }
}

TEST_F(GuardedReadTest, CloseFilesEndsTheWatch) {
  OpenBook book(platform_);
  ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
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

TEST_F(GuardedReadTest, ReadPastTheEndPassesTheCheckAndDeliversNothing) {
  OpenBook book(platform_);
  ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
  std::array<uint8_t, 16> out{};
  EXPECT_EQ(book.Read(static_cast<int32_t>(bytes_.size()) + 100, out), size_t{0});
  EXPECT_EQ(book.Read(static_cast<int32_t>(bytes_.size()) - 4, out), size_t{4});
}

TEST_F(GuardedReadTest, NegativeOffsetFailsAndOnlyCheckFirstConsumesAChange) {
  OpenBook book(platform_);
  ASSERT_EQ(book.OpenFiles(kBookDir), Status::kOk);
  std::array<uint8_t, 16> out{};
  platform_.pendingChanges = 1;
  EXPECT_FALSE(book.Read(-1, out, ReadOrder::kSeekFirst));
  EXPECT_EQ(platform_.pendingChanges, 1);
  EXPECT_FALSE(book.Read(-1, out, ReadOrder::kCheckFirst));
  EXPECT_EQ(platform_.pendingChanges, 0);
}

// Selection on a real disc: the first of 1 to 199 selected books opens.
TEST(BookSelectionTest, OpensFirstOfUpTo199SelectedBooks) {
  struct Case {
    int selected;
    int32_t result;
  };
  for (const Case& c : std::vector<Case>{{0, -1}, {1, 1}, {199, 1}, {200, -1}}) {
    testing::TempDir disc;
    // Entry 0 is of a type the library does not select; the selected ones follow it.
    std::vector<BookFiles> books(1);
    books[0].entry = {0x01, "Other", "OTHER", {}};
    books[0].honmon = TextFile({{0x05, 1}});
    for (int i = 0; i < c.selected; ++i) {
      BookFiles b;
      b.entry = {0x00,
                 std::string("Book ").append(std::to_string(i)),
                 std::string("B").append(std::to_string(i)),
                 {}};
      if (i == 0) b.honmon = TextFile({{0x92, 3}, {0x01, 4}});
      books.push_back(b);
    }
    testing::WriteDisc(disc.path(), books);
    Library lib;
    ASSERT_EQ(lib.OpenEpwing(disc.Windows().c_str()), 1);
    EXPECT_EQ(lib.epwBooksOpen(), c.result) << c.selected;
    if (c.result == 1) {
      ASSERT_EQ(lib.book()->IndexTable().size(), 2u);
      EXPECT_EQ(lib.book()->IndexTable()[0].Code(), 0x92);
    } else {
      EXPECT_EQ(lib.book(), nullptr);
    }
    lib.epwBooksClose();
  }
}

}  // namespace
}  // namespace tomeshelf
