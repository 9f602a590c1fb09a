// The catalog and the probe, driven through a Library of its own on an in-memory disc.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "api/library.h"
#include "support/writer.h"
#include "support/memory_platform.h"

namespace tomeshelf {
namespace {

using testing::Bytes;
using testing::CatalogBytes;
using testing::CatalogEntry;
using testing::MemoryPlatform;

constexpr unsigned char kUntouched = 0xAA;

class CatalogTest : public ::testing::Test {
 protected:
  // A disc whose CATALOGS lies at root\catalogs, as the library forms the name.
  void PutCatalog(const std::string& root, const Bytes& bytes) {
    const std::string dir = root.empty() || root.back() == '\\' ? root : root + "\\";
    platform_.files[dir + "catalogs"] = bytes;
  }
  void PutCatalog(const std::vector<CatalogEntry>& entries) {
    PutCatalog("D:", CatalogBytes(entries));
  }

  BookEntry Record(int32_t index) {
    BookEntry entry;
    lib_.catalog()->GetEntry(index, entry);
    return entry;
  }
  std::vector<int32_t> Selected() {
    std::array<int32_t, kMaxListedSelections> slots{};
    const int32_t n = lib_.catalog()->ListSelected(slots);
    return std::vector<int32_t>(slots.begin(), slots.begin() + n);
  }
  std::string Probe(const std::string& path, int32_t* result) {
    std::array<char, TOMESHELF_TITLE_SIZE> title;
    title.fill(static_cast<char>(kUntouched));
    *result = lib_.IsEpwBook(path.c_str(), title.data());
    return std::string(title.data(), title.size());
  }

  MemoryPlatform platform_;
  Library lib_{platform_};
};

CatalogEntry Book(uint8_t type, std::string title, std::string directory = "DICT") {
  return CatalogEntry{type, std::move(title), std::move(directory), {}};
}

TEST_F(CatalogTest, OnlyTheDocumentedTypeBytesAreAccepted) {
  const std::vector<uint8_t> accepted = {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x70};
  for (int type = 0; type <= 0xFF; ++type) {
    SCOPED_TRACE(type);
    const bool expected =
        std::find(accepted.begin(), accepted.end(), type) != accepted.end();
    PutCatalog({Book(static_cast<uint8_t>(type), "Title")});
    int32_t probe = 0;
    Probe("D:", &probe);
    EXPECT_EQ(probe, expected ? 1 : -1);
    ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
    EXPECT_EQ(lib_.epwGetBooks(), 1);  // every entry becomes a record
    EXPECT_EQ(Record(0).selected, expected ? 1 : 0);
    EXPECT_EQ(Record(0).bookType, type);
  }
}

TEST_F(CatalogTest, DirectoryNameLosesEverySpaceAndEndsAtZero) {
  struct Case {
    std::string field;
    std::string bookPath;
  };
  const Case cases[] = {
      {"AB CD", "D:\\ABCD"},  // written as "AB CD   "
      {" A B C D", "D:\\ABCD"},
      {"ABCDEFGH", "D:\\ABCDEFGH"},
      {std::string("AB\0CD", 5), "D:\\AB"},
      {"", "D:\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bookPath);
    PutCatalog({Book(0x00, "T", c.field)});
    ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
    EXPECT_EQ(Record(0).bookPath, c.bookPath);
    EXPECT_EQ(Record(0).gaijiPath, c.bookPath + "\\gaiji");
  }
}

TEST_F(CatalogTest, RootWithOrWithoutBackslashGivesTheSamePaths) {
  PutCatalog({Book(0x00, "T", "DICT")});
  for (const char* root : {"D:", "D:\\"}) {
    SCOPED_TRACE(root);
    ASSERT_EQ(lib_.OpenEpwing(root), 1);
    EXPECT_EQ(Record(0).bookPath, "D:\\DICT");
    EXPECT_EQ(Record(0).gaijiPath, "D:\\DICT\\gaiji");
    EXPECT_EQ(lib_.catalog()->SelectedGaijiPath(), "D:\\DICT\\gaiji");
    int32_t probe = 0;
    Probe(root, &probe);
    EXPECT_EQ(probe, 1);
  }
}

TEST_F(CatalogTest, OnlyBackslashCountsAsSeparator) {
  // "D:/" is not taken as ending in a separator: the name becomes "D:/\catalogs".
  platform_.files["D:/catalogs"] = CatalogBytes({Book(0x00, "T", "DICT")});
  EXPECT_EQ(lib_.OpenEpwing("D:/"), -1);
  platform_.files["D:/\\catalogs"] = CatalogBytes({Book(0x00, "T", "DICT")});
  ASSERT_EQ(lib_.OpenEpwing("D:/"), 1);
  EXPECT_EQ(Record(0).bookPath, "D:/\\DICT");
}

TEST_F(CatalogTest, FullTitleIsTerminatedAfterEightyBytes) {
  const std::string title(kTitleSize, 'T');
  PutCatalog({Book(0x00, title)});

  int32_t probe = 0;
  const std::string probed = Probe("D:", &probe);
  ASSERT_EQ(probe, 1);
  EXPECT_EQ(probed, title + '\0');

  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  std::array<char, TOMESHELF_TITLE_SIZE + 1> buffer;
  buffer.fill(static_cast<char>(kUntouched));
  BookInfo info{};
  info.title = buffer.data();
  ASSERT_EQ(lib_.epwGetBookInfo(0, &info), 1);
  EXPECT_EQ(std::string(buffer.data(), kTitleSize), title);
  EXPECT_EQ(buffer[kTitleSize], '\0');
  EXPECT_EQ(static_cast<unsigned char>(buffer[kTitleSize + 1]), kUntouched);
}

TEST_F(CatalogTest, TitleBytesPassUnconvertedIncludingInnerZeros) {
  const std::string title = std::string("\xB0\xA1\x00\x7F\xFF", 5) + "rest";
  PutCatalog({Book(0x00, title)});
  int32_t probe = 0;
  const std::string probed = Probe("D:", &probe);
  ASSERT_EQ(probe, 1);
  EXPECT_EQ(probed.substr(0, title.size()), title);
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  EXPECT_EQ(std::string(Record(0).title.data(), title.size()), title);
}

TEST_F(CatalogTest, FontNameFieldIsKeptWholeWithEmptySlots) {
  CatalogEntry entry = Book(0x00, "T");
  entry.fonts = {"GAI16H", "", "GAI24H", "", "GAI16F", "", "", "GAI48F"};
  PutCatalog({entry});
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);

  std::array<char, kFontNamesSize + 1> names;
  names.fill(static_cast<char>(kUntouched));
  ASSERT_TRUE(lib_.catalog()->SelectedFontNames(names));
  const Bytes file = CatalogBytes({entry});
  const size_t field = kCatalogHeaderSize + kEntryFontNamesAt;
  EXPECT_EQ(0, std::memcmp(names.data(), file.data() + field, kFontNamesSize));
  EXPECT_EQ(std::string(names.data() + kFontNameSize * 2, kFontNameSize), "GAI24H  ");
  EXPECT_EQ(std::string(names.data() + kFontNameSize * 7, kFontNameSize), "GAI48F  ");
  EXPECT_EQ(names[kFontNamesSize], '\0');
}

TEST_F(CatalogTest, UnacceptedFirstEntryIsKeptButNotSelected) {
  PutCatalog({Book(0x60, "First", "ONE"), Book(0x00, "Second", "TWO")});

  int32_t probe = 0;
  EXPECT_EQ(Probe("D:", &probe).c_str(), std::string("Second"));
  EXPECT_EQ(probe, 1);

  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  EXPECT_EQ(lib_.catalog()->EntryCount(), 2);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{1}));
  EXPECT_EQ(lib_.catalog()->SelectedGaijiPath(), "D:\\TWO\\gaiji");

  BookEntry copy;
  EXPECT_FALSE(lib_.catalog()->GetEntry(0, copy));
  EXPECT_EQ(copy.bookPath, "D:\\ONE");  // copied all the same

  char title[TOMESHELF_TITLE_SIZE] = "untouched";
  BookInfo info{0x5A, {}, title};
  EXPECT_EQ(lib_.epwGetBookInfo(0, &info), -1);
  EXPECT_EQ(info.bookType, 0x5A);
  EXPECT_STREQ(title, "untouched");

  ASSERT_EQ(lib_.epwSelectBook(0), 1);
  ASSERT_EQ(lib_.epwGetBookInfo(0, &info), 1);
  EXPECT_EQ(info.bookType, 0x60);
  EXPECT_STREQ(title, "First");
  EXPECT_EQ(Selected(), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(lib_.catalog()->SelectedGaijiPath(), "D:\\ONE\\gaiji");
}

TEST_F(CatalogTest, BookInfoAlwaysReportsRecordZero) {
  std::vector<CatalogEntry> books;
  for (int i = 0; i < 10; ++i) books.push_back(Book(0x00, "Book " + std::to_string(i)));
  PutCatalog(books);
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  char title[TOMESHELF_TITLE_SIZE];
  BookInfo info{};
  info.title = title;
  for (int32_t first : {7, 0, -1, INT32_MAX}) {
    ASSERT_EQ(lib_.epwGetBookInfo(first, &info), 1);
    EXPECT_STREQ(title, "Book 0");
  }
}

TEST_F(CatalogTest, SelectBookRefusesIndexesOutsideTheList) {
  PutCatalog({Book(0x60, "A"), Book(0x60, "B"), Book(0x60, "C")});
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  for (int32_t index : {-1, 3, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(lib_.epwSelectBook(index), -1);
    EXPECT_TRUE(Selected().empty());
  }
  EXPECT_EQ(lib_.epwSelectBook(2), 1);
  EXPECT_EQ(lib_.epwSelectBook(2), 1);  // again: nothing changes
  EXPECT_EQ(Selected(), (std::vector<int32_t>{2}));
}

TEST_F(CatalogTest, ListSelectedStopsAtTwoHundred) {
  std::vector<CatalogEntry> books(250, Book(0x00, "B"));
  PutCatalog(books);
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  std::array<int32_t, kMaxListedSelections> slots{};
  ASSERT_EQ(lib_.catalog()->ListSelected(slots), kMaxListedSelections);
  for (int32_t i = 0; i < kMaxListedSelections; ++i) EXPECT_EQ(slots[i], i);
}

TEST_F(CatalogTest, EmptyCatalogOpensButHoldsNothing) {
  PutCatalog({});
  int32_t probe = 0;
  const std::string untouched(TOMESHELF_TITLE_SIZE, static_cast<char>(kUntouched));
  EXPECT_EQ(Probe("D:", &probe), untouched);
  EXPECT_EQ(probe, -1);

  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  ASSERT_NE(lib_.catalog(), nullptr);
  EXPECT_EQ(lib_.epwGetBooks(), -1);
  char title[TOMESHELF_TITLE_SIZE];
  BookInfo info{};
  info.title = title;
  EXPECT_EQ(lib_.epwGetBookInfo(0, &info), -1);
  EXPECT_EQ(lib_.epwSelectBook(0), -1);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(lib_.catalog()->SelectedGaijiPath(), "");
  std::array<char, kFontNamesSize + 1> names{};
  EXPECT_FALSE(lib_.catalog()->SelectedFontNames(names));
  EXPECT_EQ(lib_.epwBooksOpen(), -1);
}

TEST_F(CatalogTest, TruncatedCatalogKeepsItsCompleteEntries) {
  // Three entries declared; the third is cut short, and it is the only usable one.
  Bytes bytes = CatalogBytes({Book(0x60, "A", "A"), Book(0x60, "B", "B"), Book(0x00, "C", "C")});
  bytes.resize(bytes.size() - kCatalogEntrySize / 2);
  PutCatalog("D:", bytes);

  int32_t probe = 0;
  Probe("D:", &probe);
  EXPECT_EQ(probe, -1);

  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  EXPECT_EQ(lib_.catalog()->EntryCount(), 2);
  EXPECT_EQ(Record(1).bookPath, "D:\\B");
  EXPECT_EQ(platform_.openFiles, 0);
}

TEST_F(CatalogTest, CountBeyondTheFileKeepsWhatIsThere) {
  PutCatalog("D:", CatalogBytes({Book(0x00, "A", "A")}, 0xFFFF));
  int32_t probe = 0;
  Probe("D:", &probe);
  EXPECT_EQ(probe, 1);  // the first entry answers before the missing ones matter
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  EXPECT_EQ(lib_.catalog()->EntryCount(), 1);
}

TEST_F(CatalogTest, UnreadableHeaderFailsBoth) {
  struct Case {
    const char* name;
    Bytes bytes;
    int64_t failReadOnCall;
  };
  const Bytes good = CatalogBytes({Book(0x00, "A")});
  const Case cases[] = {
      {"empty file", {}, -1},
      {"header cut short", Bytes(good.begin(), good.begin() + kCatalogHeaderSize - 1), -1},
      {"header read fails", good, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PutCatalog("D:", c.bytes);
    platform_.readCalls = 0;
    platform_.faults.failReadOnCall = c.failReadOnCall;
    int32_t probe = 0;
    Probe("D:", &probe);
    EXPECT_EQ(probe, -1);
    platform_.readCalls = 0;
    EXPECT_EQ(lib_.OpenEpwing("D:"), -1);
    EXPECT_EQ(lib_.catalog(), nullptr);
    EXPECT_EQ(platform_.openFiles, 0);
  }
}

TEST_F(CatalogTest, FailedEntryReadStopsTheList) {
  PutCatalog({Book(0x60, "A", "A"), Book(0x00, "B", "B"), Book(0x00, "C", "C")});
  platform_.faults.failReadOnCall = 3;  // header, entry 0, then entry 1 fails
  int32_t probe = 0;
  Probe("D:", &probe);
  EXPECT_EQ(probe, -1);
  platform_.readCalls = 0;
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  EXPECT_EQ(lib_.catalog()->EntryCount(), 1);
  EXPECT_EQ(platform_.openFiles, 0);
}

TEST_F(CatalogTest, ShortPathsAreRefusedWithoutFileAccess) {
  PutCatalog("D", CatalogBytes({Book(0x00, "A")}));
  PutCatalog("", CatalogBytes({Book(0x00, "A")}));
  for (const char* path : {"D", ""}) {
    SCOPED_TRACE(path);
    int32_t probe = 0;
    Probe(path, &probe);
    EXPECT_EQ(probe, -1);
    EXPECT_EQ(lib_.OpenEpwing(path), -1);
    EXPECT_EQ(lib_.catalog(), nullptr);
    EXPECT_EQ(platform_.readCalls, 0);
  }
}

TEST_F(CatalogTest, PathLengthLimits) {
  // Roots whose names differ only in length; each holds a catalog.
  const auto root = [](size_t length) { return "D:\\" + std::string(length - 3, 'r'); };
  for (size_t length : {kMaxRootPath, kMaxRootPath + 1, kMaxProbePath, kMaxProbePath + 1}) {
    PutCatalog(root(length), CatalogBytes({Book(0x00, "A", "ABCDEFGH")}));
  }
  EXPECT_EQ(lib_.OpenEpwing(root(kMaxRootPath).c_str()), 1);
  EXPECT_EQ(Record(0).gaijiPath.size() + 1, 256u);  // the longest gaiji path fits 256 bytes
  EXPECT_EQ(lib_.OpenEpwing(root(kMaxRootPath + 1).c_str()), -1);
  EXPECT_EQ(lib_.catalog(), nullptr);

  int32_t probe = 0;
  Probe(root(kMaxProbePath), &probe);
  EXPECT_EQ(probe, 1);
  Probe(root(kMaxProbePath + 1), &probe);
  EXPECT_EQ(probe, -1);
}

TEST_F(CatalogTest, OpenEpwingReplacesTheCatalog) {
  PutCatalog("D:", CatalogBytes({Book(0x00, "A", "A")}));
  PutCatalog("E:", CatalogBytes({Book(0x00, "B", "B"), Book(0x00, "C", "C")}));
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  ASSERT_EQ(lib_.OpenEpwing("E:"), 1);
  EXPECT_EQ(lib_.catalog()->EntryCount(), 2);
  EXPECT_EQ(Record(0).bookPath, "E:\\B");
  EXPECT_EQ(lib_.OpenEpwing("F:"), -1);
  EXPECT_EQ(lib_.catalog(), nullptr);
  EXPECT_EQ(lib_.epwGetBooks(), -1);
}

TEST_F(CatalogTest, CloseEpwingTwiceIsQuiet) {
  PutCatalog({Book(0x00, "A")});
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  lib_.CloseEpwing();
  EXPECT_EQ(lib_.catalog(), nullptr);
  lib_.CloseEpwing();
  EXPECT_EQ(lib_.catalog(), nullptr);
  EXPECT_EQ(lib_.epwGetBooks(), -1);
  EXPECT_EQ(lib_.epwSelectBook(0), -1);
}

// A disc of books with a readable text file each, so that epwBooksOpen can open them.
class CatalogOpenTest : public CatalogTest {
 protected:
  void PutBooks(const std::vector<CatalogEntry>& entries) {
    PutCatalog(entries);
    for (const CatalogEntry& e : entries) {
      platform_.files["D:\\" + e.directory + "\\data\\honmon"] = testing::TextFileBuilder().Build();
    }
  }
  std::string OpenedPath() {
    EXPECT_EQ(lib_.epwBooksOpen(), 1);
    const std::string path = lib_.book() ? lib_.book()->TextPath() : "";
    lib_.epwBooksClose();
    return path;
  }
};

TEST_F(CatalogOpenTest, TheLowestSelectedRecordIsOpened) {
  PutBooks({Book(0x00, "A", "A"), Book(0x00, "B", "B"), Book(0x00, "C", "C")});
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(lib_.epwSelectBook(2), 1);
  EXPECT_EQ(OpenedPath(), "D:\\A\\data\\honmon");
}

TEST_F(CatalogOpenTest, SelectingAnUnacceptedFirstRecordMakesItTheOneOpened) {
  PutBooks({Book(0x80, "A", "A"), Book(0x00, "B", "B")});
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  EXPECT_EQ(OpenedPath(), "D:\\B\\data\\honmon");
  ASSERT_EQ(lib_.epwSelectBook(0), 1);
  EXPECT_EQ(OpenedPath(), "D:\\A\\data\\honmon");
}

TEST_F(CatalogOpenTest, ProbeLeavesCatalogAndBookAlone) {
  PutBooks({Book(0x60, "A", "A"), Book(0x00, "B", "B")});
  PutCatalog("E:", CatalogBytes({Book(0x00, "Other", "X")}));
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  ASSERT_EQ(lib_.epwBooksOpen(), 1);
  const Catalog* catalog = lib_.catalog();
  const OpenBook* book = lib_.book();

  int32_t probe = 0;
  EXPECT_EQ(Probe("E:", &probe).c_str(), std::string("Other"));
  EXPECT_EQ(probe, 1);
  Probe("Z:", &probe);
  EXPECT_EQ(probe, -1);

  EXPECT_EQ(lib_.catalog(), catalog);
  EXPECT_EQ(lib_.book(), book);
  EXPECT_EQ(lib_.catalog()->EntryCount(), 2);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{1}));
  EXPECT_EQ(lib_.book()->TextPath(), "D:\\B\\data\\honmon");
  EXPECT_EQ(platform_.openFiles, 1);  // only the book's text file
}

TEST_F(CatalogOpenTest, BookStaysOpenAfterCloseEpwing) {
  PutBooks({Book(0x00, "A", "A")});
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  ASSERT_EQ(lib_.epwBooksOpen(), 1);
  lib_.CloseEpwing();
  EXPECT_EQ(lib_.catalog(), nullptr);
  ASSERT_NE(lib_.book(), nullptr);
  EXPECT_TRUE(lib_.book()->TextFileOpen());
  lib_.epwBooksClose();
  EXPECT_EQ(platform_.openFiles, 0);
}

}  // namespace
}  // namespace tomeshelf
