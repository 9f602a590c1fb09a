// The catalog and the probe, driven through a Library of its own on an in-memory disc.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
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

constexpr unsigned char kUntouched = 0xAA;

CatalogEntry Book(uint8_t type, std::string title, std::string directory = "DICT") {
  return CatalogEntry{type, std::move(title), std::move(directory), {}};
}

class CatalogTest : public ::testing::Test {
 protected:
  // A disc whose CATALOGS lies at root\catalogs, as the library forms the name.
  void PutCatalog(const std::string& root, const Bytes& bytes) {
    platform_.files[(root.empty() || root.back() == '\\' ? root : root + "\\") + "catalogs"] =
        bytes;
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
    return std::vector<int32_t>(slots.begin(), slots.begin() + lib_.catalog()->ListSelected(slots));
  }
  // The probe's result, and the title buffer it filled or left alone.
  std::pair<int32_t, std::string> Probe(const std::string& path) {
    std::string title(TOMESHELF_TITLE_SIZE, static_cast<char>(kUntouched));
    return {lib_.IsEpwBook(path.c_str(), title.data()), title};
  }

  testing::MemoryPlatform platform_;
  Library lib_{platform_};
};

TEST_F(CatalogTest, OnlyTheDocumentedTypeBytesAreAccepted) {
  const std::vector<uint8_t> accepted = {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x70};
  for (int type = 0; type <= 0xFF; ++type) {
    const bool expected = std::find(accepted.begin(), accepted.end(), type) != accepted.end();
    PutCatalog({Book(static_cast<uint8_t>(type), "Title")});
    EXPECT_EQ(Probe("D:").first, expected ? 1 : -1) << type;
    ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
    EXPECT_EQ(lib_.epwGetBooks(), 1);  // every entry becomes a record
    EXPECT_EQ(Record(0).selected, expected ? 1 : 0) << type;
  }
}

TEST_F(CatalogTest, EntryFieldsReachTheRecordAndTheCaller) {
  std::string title(kTitleSize, 'T');  // the whole 80 bytes, unconverted, an inner zero kept
  title.replace(1, 4, "\xB0\xA1\x00\xFF", 4);
  const struct {
    std::string root, field, bookPath;
  } cases[] = {
      {"D:", "AB CD", "D:\\ABCD"},  // written as "AB CD   "
      {"D:", " A B C D", "D:\\ABCD"},
      {"D:\\", "ABCDEFGH", "D:\\ABCDEFGH"},
      {"D:", std::string("AB\0CD", 5), "D:\\AB"},
      {"D:", "", "D:\\"},
      {"D:/", "DICT", "D:/\\DICT"},  // only a backslash counts as separator
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bookPath);
    const CatalogEntry entry{
        0x00, title, c.field, {"GAI16H", "", "GAI24H", "", "", "", "", "GA48"}};
    platform_.files.clear();
    PutCatalog(c.root, CatalogBytes({entry}));
    EXPECT_EQ(Probe(c.root), std::make_pair(1, title + '\0'));
    ASSERT_EQ(lib_.OpenEpwing(c.root.c_str()), 1);
    EXPECT_EQ(Record(0).bookPath, c.bookPath);
    EXPECT_EQ(lib_.catalog()->SelectedGaijiPath(), c.bookPath + "\\gaiji");
    std::array<char, TOMESHELF_TITLE_SIZE + 1> buffer;
    buffer.fill(static_cast<char>(kUntouched));
    BookInfo info{0, {}, buffer.data()};
    ASSERT_EQ(lib_.epwGetBookInfo(0, &info), 1);
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), title + '\0' + char(kUntouched));
    std::array<char, kFontNamesSize + 1> names;
    ASSERT_TRUE(lib_.catalog()->SelectedFontNames(names));
    const Bytes file = CatalogBytes({entry});
    const auto field = file.begin() + kCatalogHeaderSize + kEntryFontNamesAt;
    EXPECT_EQ(std::string(names.data(), names.size()),
              std::string(field, field + kFontNamesSize) + '\0');
  }
}

TEST_F(CatalogTest, UnacceptedFirstEntryIsKeptButNotSelected) {
  PutCatalog({Book(0x60, "First", "ONE"), Book(0x00, "Second", "TWO")});
  EXPECT_EQ(Probe("D:").first, 1);
  EXPECT_STREQ(Probe("D:").second.c_str(), "Second");

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
  EXPECT_STREQ(title, "untouched");
  for (int32_t index : {-1, 2, INT32_MIN, INT32_MAX}) EXPECT_EQ(lib_.epwSelectBook(index), -1);
  ASSERT_EQ(lib_.epwSelectBook(0), 1);
  ASSERT_EQ(lib_.epwSelectBook(0), 1);  // again: nothing changes
  for (int32_t first : {1, 0, -1, INT32_MAX}) {  // record 0, whatever the caller asks
    ASSERT_EQ(lib_.epwGetBookInfo(first, &info), 1);
    EXPECT_EQ(info.bookType, 0x60);
    EXPECT_STREQ(title, "First");
  }
  EXPECT_EQ(Selected(), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(lib_.catalog()->SelectedGaijiPath(), "D:\\ONE\\gaiji");
}

TEST_F(CatalogTest, DamagedCatalogsKeepTheirCompleteEntries) {
  // Three entries declared, the third cut short and the only one accepted.
  Bytes truncated =
      CatalogBytes({Book(0x60, "A", "A"), Book(0x60, "B", "B"), Book(0x00, "C", "C")});
  truncated.resize(truncated.size() - kCatalogEntrySize / 2);
  const Bytes good = CatalogBytes({Book(0x00, "A")});
  const struct {
    const char* name;
    std::string root;
    Bytes bytes;
    int64_t failReadOnCall;
    int32_t probe, entries;  // entries -1: the open fails
  } cases[] = {
      {"empty catalog", "D:", CatalogBytes({}), -1, -1, 0},
      {"entry cut short", "D:", truncated, -1, -1, 2},
      {"count beyond the file", "D:", CatalogBytes({Book(0x00, "A", "A")}, 0xFFFF), -1, 1, 1},
      {"failed entry read", "D:", CatalogBytes({Book(0x60, "A"), Book(0x00, "B"), Book(0x00, "C")}),
       3, -1, 1},
      {"empty file", "D:", {}, -1, -1, -1},
      {"header cut short", "D:", Bytes(good.begin(), good.begin() + kCatalogHeaderSize - 1), -1, -1,
       -1},
      {"header read fails", "D:", good, 1, -1, -1},
      {"root too short", "D", good, -1, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform_.files.clear();
    PutCatalog(c.root, c.bytes);
    platform_.readCalls = 0;
    platform_.faults.failReadOnCall = c.failReadOnCall;
    const auto [probe, title] = Probe(c.root);
    EXPECT_EQ(probe, c.probe);
    EXPECT_TRUE(probe > 0 ||
                title == std::string(TOMESHELF_TITLE_SIZE, static_cast<char>(kUntouched)));
    EXPECT_TRUE(c.root.size() >= 2 || platform_.readCalls == 0);
    platform_.readCalls = 0;
    EXPECT_EQ(lib_.OpenEpwing(c.root.c_str()), c.entries < 0 ? -1 : 1);
    EXPECT_EQ(platform_.openFiles, 0);
    EXPECT_EQ(lib_.catalog() ? lib_.catalog()->EntryCount() : -1, c.entries);
    EXPECT_TRUE(c.entries < 2 || Record(1).bookPath == "D:\\B");
    if (c.entries != 0) continue;
    std::array<char, kFontNamesSize + 1> names{};
    EXPECT_FALSE(lib_.catalog()->SelectedFontNames(names));
    EXPECT_EQ(lib_.catalog()->SelectedGaijiPath(), "");
    EXPECT_EQ(lib_.epwGetBooks(), -1);
    BookInfo info{0, {}, names.data()};
    EXPECT_EQ(lib_.epwGetBookInfo(0, &info), -1);
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
  EXPECT_EQ(Probe(root(kMaxProbePath)).first, 1);
  EXPECT_EQ(Probe(root(kMaxProbePath + 1)).first, -1);
}

// Books with a readable text file each, so that epwBooksOpen can open them.
TEST_F(CatalogTest, SelectedRecordOpensAndOnlyOpenEpwingReplacesTheCatalog) {
  PutCatalog({Book(0x80, "A", "A"), Book(0x00, "B", "B")});
  for (std::string dir : {"A", "B"}) {
    platform_.files["D:\\" + dir + "\\data\\honmon"] = testing::TextFileBuilder().Build();
  }
  PutCatalog("E:", CatalogBytes({Book(0x00, "Other", "X")}));
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  ASSERT_EQ(lib_.epwSelectBook(0), 1);
  ASSERT_EQ(lib_.epwBooksOpen(), 1);
  EXPECT_EQ(lib_.book()->TextPath(), "D:\\A\\data\\honmon");
  EXPECT_EQ(Probe("E:").first, 1);  // a probe leaves the catalog alone
  EXPECT_EQ(Selected(), (std::vector<int32_t>{0, 1}));
  ASSERT_EQ(lib_.OpenEpwing("E:"), 1);
  EXPECT_EQ(Record(0).bookPath, "E:\\X");
  ASSERT_EQ(lib_.OpenEpwing("E:"), 1);
  lib_.CloseEpwing();
  lib_.CloseEpwing();  // twice: nothing more happens, and the book stays open
  EXPECT_EQ(lib_.catalog(), nullptr);
  EXPECT_TRUE(lib_.book()->TextFileOpen());
  lib_.epwBooksClose();
  EXPECT_EQ(platform_.openFiles, 0);
}

TEST_F(CatalogTest, FirstOfUpTo199SelectedBooksOpens) {
  for (const auto& [selected, result] :
       std::vector<std::pair<int, int32_t>>{{0, -1}, {1, 1}, {199, 1}, {200, -1}, {250, -1}}) {
    std::vector<CatalogEntry> books{Book(0x01, "Other", "OTHER")};  // a type not selected
    for (int i = 0; i < selected; ++i) {
      std::string dir = std::to_string(i);  // GCC 12 at -O3 warns falsely on "B" + string
      books.push_back(Book(0x00, "B", dir.insert(0, 1, 'B')));
    }
    platform_.files.clear();
    PutCatalog(books);
    platform_.files["D:\\OTHER\\data\\honmon"] = platform_.files["D:\\B0\\data\\honmon"] =
        testing::TextFileBuilder().Build();
    ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
    EXPECT_EQ(lib_.epwBooksOpen(), result) << selected;
    EXPECT_TRUE(result < 0 || lib_.book()->TextPath() == "D:\\B0\\data\\honmon");
  }
}

}  // namespace
}  // namespace tomeshelf
