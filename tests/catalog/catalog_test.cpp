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
using testing::Join;

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

// Each catalog probed and opened: the complete entries it gives, the path each forms from the
// root and its directory field, and what the caller gets of the first entry when it is selected.
TEST_F(CatalogTest, EachCatalogGivesItsCompleteEntriesAndTheFirstSelectedOneReachesTheCaller) {
  std::string title(kTitleSize, 'T');  // the whole 80 bytes, unconverted, an inner zero kept
  title.replace(1, 4, "\xB0\xA1\x00\xFF", 4);
  const auto entry = [&](std::string field, uint8_t type = 0x00) {
    return CatalogEntry{type, title, std::move(field),
                        {"GAI16H", "", "GAI24H", "", "", "", "", "GA48"}};
  };
  const auto one = [&](std::string field) { return CatalogBytes({entry(std::move(field))}); };
  Bytes truncated = CatalogBytes({entry("A", 0x60), entry("B", 0x60), entry("C")});
  truncated.resize(truncated.size() - kCatalogEntrySize / 2);
  // Roots whose names differ only in length.
  const auto root = [](size_t length) { return "D:\\" + std::string(length - 3, 'r'); };
  const std::string longest = root(kMaxRootPath);
  const struct {
    const char* name;
    std::string root;
    Bytes bytes;
    int32_t probe, entries;  // entries -1: the open fails
    std::string lastPath;    // of the last record
    int64_t failReadOnCall = -1;
  } cases[] = {
      {"field padded with spaces", "D:", one("AB CD"), 1, 1, "D:\\ABCD"},  // written as "AB CD   "
      {"spaces first", "D:", one(" A B C D"), 1, 1, "D:\\ABCD"},
      {"root ends in a backslash", "D:\\", one("ABCDEFGH"), 1, 1, "D:\\ABCDEFGH"},
      {"field ends at a zero", "D:", one(std::string("AB\0CD", 5)), 1, 1, "D:\\AB"},
      {"empty field", "D:", one(""), 1, 1, "D:\\"},
      {"only a backslash separates", "D:/", one("DICT"), 1, 1, "D:/\\DICT"},
      {"empty catalog", "D:", CatalogBytes({}), -1, 0, ""},
      {"third entry cut short", "D:", truncated, -1, 2, "D:\\B"},
      {"count beyond the file", "D:", CatalogBytes({entry("A")}, 0xFFFF), 1, 1, "D:\\A"},
      {"failed entry read", "D:", CatalogBytes({entry("A", 0x60), entry("B"), entry("C")}), -1, 1,
       "D:\\A", 3},
      {"empty file", "D:", {}, -1, -1, ""},
      {"header cut short", "D:", Bytes(kCatalogHeaderSize - 1, 0), -1, -1, ""},
      {"root too short", "D", one("A"), -1, -1, ""},
      {"longest root", longest, one("ABCDEFGH"), 1, 1, longest + "\\ABCDEFGH"},  // gaiji: 256
      {"root too long", root(kMaxRootPath + 1), one("A"), 1, -1, ""},
      {"longest probe", root(kMaxProbePath), one("A"), 1, -1, ""},
      {"probe too long", root(kMaxProbePath + 1), one("A"), -1, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform_.files.clear();
    PutCatalog(c.root, c.bytes);
    platform_.readCalls = 0;
    platform_.faults.failReadOnCall = c.failReadOnCall;
    const bool found = c.probe > 0;
    const std::string untouched(TOMESHELF_TITLE_SIZE, static_cast<char>(kUntouched));
    EXPECT_EQ(Probe(c.root), std::make_pair(c.probe, found ? title + '\0' : untouched));
    EXPECT_TRUE(c.root.size() >= 2 || platform_.readCalls == 0);
    platform_.readCalls = 0;
    EXPECT_EQ(lib_.OpenEpwing(c.root.c_str()), c.entries < 0 ? -1 : 1);
    EXPECT_EQ(platform_.openFiles, 0);
    if (c.entries < 0) continue;
    EXPECT_EQ(lib_.catalog()->EntryCount(), c.entries);
    EXPECT_EQ(c.entries > 0 ? Record(c.entries - 1).bookPath : "", c.lastPath);
    EXPECT_EQ(lib_.epwGetBooks(), c.entries > 0 ? 1 : -1);
    std::array<char, TOMESHELF_TITLE_SIZE + 1> buffer;
    buffer.fill(static_cast<char>(kUntouched));
    BookInfo info{0, {}, buffer.data()};
    EXPECT_EQ(lib_.epwGetBookInfo(0, &info), found ? 1 : -1);
    EXPECT_EQ(std::string(buffer.data(), buffer.size() - 1), found ? title + '\0' : untouched);
    EXPECT_EQ(buffer.back(), static_cast<char>(kUntouched));
    EXPECT_EQ(lib_.catalog()->SelectedGaijiPath(), found ? c.lastPath + "\\gaiji" : "");
    std::array<char, kFontNamesSize + 1> names{};
    ASSERT_EQ(lib_.catalog()->SelectedFontNames(names), found);
    const auto field = c.bytes.begin() + kCatalogHeaderSize + kEntryFontNamesAt;
    EXPECT_TRUE(!found || std::string(names.data(), names.size()) ==
                              std::string(field, field + kFontNamesSize) + '\0');
  }
}

// Every entry becomes a record; those of the documented types are selected, and the first
// of them opens when there are 1 to 199.
TEST_F(CatalogTest, DocumentedTypesAreSelectedAndTheFirstOfUpTo199Opens) {
  const std::vector<uint8_t> accepted = {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x70};
  std::vector<std::vector<uint8_t>> catalogs;
  for (int type = 0; type <= 0xFF; ++type) catalogs.push_back({0x60, static_cast<uint8_t>(type)});
  for (size_t n : {199, 200, 250}) catalogs.push_back(Join({{0x01}, Bytes(n, 0x00)}));
  const Bytes text = testing::TextFileBuilder().Build();
  for (const auto& types : catalogs) {
    std::vector<CatalogEntry> books;
    std::vector<int32_t> selected;
    platform_.files.clear();
    for (size_t i = 0; i < types.size(); ++i) {
      const std::string title = std::to_string(i);
      std::string dir = title;  // GCC 12 at -O3 warns falsely on "B" + string
      books.push_back(Book(types[i], title, dir.insert(0, 1, 'B')));
      if (std::count(accepted.begin(), accepted.end(), types[i])) selected.push_back(int32_t(i));
      if (i < 2) platform_.files["D:\\" + dir + "\\data\\honmon"] = text;
    }
    SCOPED_TRACE(::testing::PrintToString(Bytes(types.begin(), types.begin() + 2)));
    PutCatalog(books);
    const auto [probe, title] = Probe("D:");
    EXPECT_EQ(probe, selected.empty() ? -1 : 1);
    EXPECT_TRUE(selected.empty() || title.c_str() == std::to_string(selected[0]));
    ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
    EXPECT_EQ(lib_.catalog()->EntryCount(), int32_t(types.size()));
    selected.resize(std::min<size_t>(selected.size(), kMaxListedSelections));
    EXPECT_EQ(Selected(), selected);
    const bool opens = !selected.empty() && selected.size() < kMaxListedSelections;
    ASSERT_EQ(lib_.epwBooksOpen(), opens ? 1 : -1);
    EXPECT_TRUE(!opens || lib_.book()->TextPath() == "D:\\B1\\data\\honmon");
  }
}

// A record of another type is kept, can be selected and then comes first; only OpenEpwing
// replaces the catalog, and closing it leaves the open book alone.
TEST_F(CatalogTest, UnacceptedRecordIsKeptAndOpensOnceSelected) {
  PutCatalog({Book(0x60, "First", "ONE"), Book(0x00, "Second", "TWO")});
  platform_.files["D:\\ONE\\data\\honmon"] = testing::TextFileBuilder().Build();
  PutCatalog("E:", CatalogBytes({Book(0x00, "Other", "X")}));
  ASSERT_EQ(lib_.OpenEpwing("D:"), 1);
  EXPECT_EQ(lib_.catalog()->SelectedGaijiPath(), "D:\\TWO\\gaiji");
  BookEntry copy;
  EXPECT_FALSE(lib_.catalog()->GetEntry(0, copy));
  EXPECT_EQ(copy.bookPath, "D:\\ONE");  // copied all the same
  char title[TOMESHELF_TITLE_SIZE] = "untouched";
  BookInfo info{0x5A, {}, title};
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
  ASSERT_EQ(lib_.epwBooksOpen(), 1);
  EXPECT_EQ(lib_.book()->TextPath(), "D:\\ONE\\data\\honmon");
  EXPECT_EQ(Probe("E:").first, 1);  // a probe leaves the catalog alone
  EXPECT_EQ(Selected(), (std::vector<int32_t>{0, 1}));
  ASSERT_EQ(lib_.OpenEpwing("E:"), 1);
  EXPECT_EQ(Record(0).bookPath, "E:\\X");
  lib_.CloseEpwing();
  lib_.CloseEpwing();  // twice: nothing more happens, and the book stays open
  EXPECT_EQ(lib_.catalog(), nullptr);
  EXPECT_TRUE(lib_.book()->TextFileOpen());
  lib_.epwBooksClose();
  EXPECT_EQ(platform_.openFiles, 0);
}

}  // namespace
}  // namespace tomeshelf
