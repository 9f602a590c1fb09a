// Windows-style name matching on a POSIX file system, and discs whose names a
// case-sensitive mount shows in lower case or with ISO 9660 version suffixes.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "api/library.h"
#include "platform/posix/path_resolver.h"
#include "support/writer.h"

namespace tomeshelf {
namespace {

namespace fs = std::filesystem;
using testing::NameCase;
using testing::TempDir;

// Runs the test from another working directory and goes back afterwards.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const fs::path& dir) : saved_(fs::current_path()) {
    fs::current_path(dir);
  }
  ~WorkingDirectory() { fs::current_path(saved_); }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  fs::path saved_;
};

TEST(FoldNameTest, NamesCompareAsWindowsComparesThem) {
  struct Case {
    const char* entry;
    const char* folded;
  };
  const Case cases[] = {
      {"GAI16F  ", "gai16f"},  {"Dict.", "dict"},      {"name. . ", "name"},
      {"a b", "a b"},          {".", "."},             {"..", ".."},
      {"CATALOGS;1", "catalogs"}, {"HONMON.;1", "honmon"}, {"A.B;12", "a.b"},
      {"odd;x", "odd;x"},      {"odd;", "odd;"},       {"\xC4\xB0", "\xC4\xB0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    EXPECT_EQ(FoldEntryName(c.entry), c.folded);
  }
  // A requested name never carries a version: ";1" is part of it.
  EXPECT_EQ(FoldName("CATALOGS;1"), "catalogs;1");
}

class PathResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"Dict/Data/honmon", "GAIJI/GAI16F", "iso/CATALOGS.;1",
                             "iso/HONMON;1", "iso/A.B;1", "iso/odd;x", "twin/README",
                             "twin/readme"}) {
      testing::WriteFile(disc_.path() / file, testing::Bytes{1});
    }
  }
  std::string Resolve(const std::string& relative) {
    return ResolveWindowsPath(disc_.Windows(relative));
  }
  std::string OnDisc(const std::string& relative) { return (disc_.path() / relative).string(); }

  TempDir disc_;
};

TEST_F(PathResolverTest, FindsNamesWhateverTheirCaseAndPadding) {
  struct Case {
    const char* requested;
    const char* found;
  };
  const Case cases[] = {
      {"DICT\\DATA\\HONMON", "Dict/Data/honmon"},
      {"dict\\data\\honmon", "Dict/Data/honmon"},
      {"dIcT\\dAtA\\HoNmOn", "Dict/Data/honmon"},
      {"DICT/DATA\\\\HONMON", "Dict/Data/honmon"},
      {"DICT\\DATA\\", "Dict/Data"},
      {"GAIJI\\GAI16F  ", "GAIJI/GAI16F"},
      {"gaiji\\gai16f. .", "GAIJI/GAI16F"},
      {"iso\\catalogs", "iso/CATALOGS.;1"},
      {"ISO\\HONMON", "iso/HONMON;1"},
      {"iso\\a.b", "iso/A.B;1"},
      {"twin\\README", "twin/README"},  // the exact name wins over its twin
      {"twin\\readme", "twin/readme"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.requested);
    EXPECT_EQ(Resolve(c.requested), OnDisc(c.found));
  }
}

TEST_F(PathResolverTest, MissingComponentGivesAPathThatIsNotFound) {
  for (const char* requested : {"DICT\\NOPE\\HONMON", "DICT\\DATA\\HONMON\\MORE", "iso\\odd",
                                "DICT\\DATA\\HONMO"}) {
    SCOPED_TRACE(requested);
    const std::string resolved = Resolve(requested);
    EXPECT_FALSE(fs::exists(resolved)) << resolved;
  }
}

TEST_F(PathResolverTest, RelativePathsResolveFromTheWorkingDirectory) {
  WorkingDirectory here(disc_.path());
  EXPECT_EQ(ResolveWindowsPath("DICT\\DATA\\HONMON"), "Dict/Data/honmon");
  EXPECT_EQ(ResolveWindowsPath(".\\dict\\data"), "./Dict/Data");
  EXPECT_EQ(ResolveWindowsPath("GAIJI\\..\\iso\\catalogs"), "GAIJI/../iso/CATALOGS.;1");
}

// A whole disc opened through the catalog, as a mount shows its names.
class DiscNamesTest : public ::testing::TestWithParam<NameCase> {
 protected:
  void SetUp() override {
    testing::BookFiles book;
    book.entry = testing::CatalogEntry{0x00, "Shown title", "DICT",
                                       {"GAI16H", "", "", "", "GAI16F", "", "", ""}};
    testing::TextFileBuilder text;
    text.AddIndexEntry({0x91, 3, 1, {0, 0, 0}, 0});
    book.honmon = text.Build();
    book.fonts = {{"GAI16H", testing::Bytes(1024, 0)}, {"GAI16F", testing::Bytes(1024, 0)}};
    testing::WriteDisc(disc_.path(), {book}, GetParam());
  }
  TempDir disc_;
};

TEST_P(DiscNamesTest, CatalogBookAndFontsAreFound) {
  Library lib;
  char title[TOMESHELF_TITLE_SIZE] = {};
  ASSERT_EQ(lib.IsEpwBook(disc_.Windows().c_str(), title), 1);
  EXPECT_STREQ(title, "Shown title");

  ASSERT_EQ(lib.OpenEpwing(disc_.Windows().c_str()), 1);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  ASSERT_EQ(lib.book()->IndexTable().size(), 1u);
  EXPECT_EQ(lib.book()->IndexTable()[0].Code(), 0x91);

  // The font names keep the padding the catalog gives them ("GAI16H  ").
  std::array<char, kFontNamesSize + 1> names{};
  ASSERT_TRUE(lib.catalog()->SelectedFontNames(names));
  for (size_t slot : {0u, 4u}) {
    const std::string name(names.data() + slot * kFontNameSize, kFontNameSize);
    SCOPED_TRACE(name);
    Platform& platform = lib.platform();
    EXPECT_NE(platform.OpenRead(platform.ResolvePath(lib.catalog()->SelectedGaijiPath() + "\\" + name)),
              nullptr);
  }
  lib.epwBooksClose();
  lib.CloseEpwing();
}

TEST_P(DiscNamesTest, RelativeRootOpensTheSameBook) {
  WorkingDirectory here(disc_.path().parent_path());
  const std::string root = disc_.path().filename().string();
  Library lib;
  ASSERT_EQ(lib.OpenEpwing(root.c_str()), 1);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  EXPECT_EQ(lib.book()->TextPath(), root + "\\DICT\\data\\honmon");
  lib.epwBooksClose();
}

INSTANTIATE_TEST_SUITE_P(Mounts, DiscNamesTest,
                         ::testing::Values(NameCase::kUpper, NameCase::kLower, NameCase::kIso9660),
                         [](const ::testing::TestParamInfo<NameCase>& param) {
                           switch (param.param) {
                             case NameCase::kUpper: return "Upper";
                             case NameCase::kLower: return "Lower";
                             case NameCase::kIso9660: return "Iso9660";
                           }
                           return "Other";
                         });

}  // namespace
}  // namespace tomeshelf
