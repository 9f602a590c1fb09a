// Windows-style name matching on a POSIX file system, and discs whose names a
// case-sensitive mount shows in lower case or with ISO 9660 version suffixes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "api/library.h"
#include "platform/posix/path_resolver.h"
#include "support/writer.h"

namespace tomeshelf {
namespace {

namespace fs = std::filesystem;
using testing::NameCase;

// Runs the test from another working directory and goes back afterwards.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const fs::path& d) : saved_(fs::current_path()) { fs::current_path(d); }
  ~WorkingDirectory() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

TEST(FoldNameTest, NamesCompareAsWindowsComparesThem) {
  const std::pair<const char*, const char*> cases[] = {
      {"GAI16F  ", "gai16f"},     {"Dict.", "dict"},       {"name. . ", "name"},
      {"a b", "a b"},             {".", "."},              {"..", ".."},
      {"CATALOGS;1", "catalogs"}, {"HONMON.;1", "honmon"}, {"A.B;12", "a.b"},
      {"odd;x", "odd;x"},         {"odd;", "odd;"},        {"\xC4\xB0", "\xC4\xB0"},
  };
  for (const auto& [entry, folded] : cases) EXPECT_EQ(FoldEntryName(entry), folded) << entry;
  EXPECT_EQ(FoldName("CATALOGS;1"), "catalogs;1");  // a requested name carries no version
}

TEST(PathResolverTest, FindsNamesWhateverTheirCaseAndPaddingAndNothingElse) {
  testing::TempDir disc;
  for (const char* file : {"Dict/Data/honmon", "GAIJI/GAI16F", "iso/CATALOGS.;1", "iso/HONMON;1",
                           "iso/A.B;1", "iso/odd;x", "twin/README", "twin/readme"}) {
    testing::WriteFile(disc.path() / file, testing::Bytes{1});
  }
  const std::pair<const char*, const char*> cases[] = {
      {"DICT\\DATA\\HONMON", "Dict/Data/honmon"}, {"dIcT\\dAtA\\HoNmOn", "Dict/Data/honmon"},
      {"DICT/DATA\\\\HONMON", "Dict/Data/honmon"}, {"DICT\\DATA\\", "Dict/Data"},
      {"GAIJI\\GAI16F  ", "GAIJI/GAI16F"},         {"gaiji\\gai16f. .", "GAIJI/GAI16F"},
      {"iso\\catalogs", "iso/CATALOGS.;1"},        {"ISO\\HONMON", "iso/HONMON;1"},
      {"iso\\a.b", "iso/A.B;1"},                   {"twin\\README", "twin/README"},
      {"twin\\readme", "twin/readme"},  // the exact name wins over its twin
      {"DICT\\NOPE\\HONMON", nullptr},             {"DICT\\DATA\\HONMON\\MORE", nullptr},
      {"iso\\odd", nullptr},                       {"DICT\\DATA\\HONMO", nullptr},
  };
  for (const auto& [requested, found] : cases) {
    const std::string resolved = ResolveWindowsPath(disc.Windows(requested));
    if (found) {
      EXPECT_EQ(resolved, (disc.path() / found).string()) << requested;
    } else {
      EXPECT_FALSE(fs::exists(resolved)) << requested << " " << resolved;
    }
  }
  WorkingDirectory here(disc.path());
  EXPECT_EQ(ResolveWindowsPath("DICT\\DATA\\HONMON"), "Dict/Data/honmon");
  EXPECT_EQ(ResolveWindowsPath(".\\dict\\data"), "./Dict/Data");
  EXPECT_EQ(ResolveWindowsPath("GAIJI\\..\\iso\\catalogs"), "GAIJI/../iso/CATALOGS.;1");
}

// A whole disc opened through the catalog, as a mount shows its names, from an absolute
// and from a relative root.
class DiscNamesTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(DiscNamesTest, CatalogBookAndFontsAreFound) {
  testing::TempDir disc;
  testing::TextFileBuilder text;
  text.AddIndexEntry({0x91, 3, 1, {0, 0, 0}, 0});
  const testing::Bytes font(1024, 0);
  testing::BookFiles book{{0x00, "Shown title", "DICT", {"GAI16H", "", "", "", "GAI16F"}},
                          text.Build(), {{"GAI16H", font}, {"GAI16F", font}}};
  testing::WriteDisc(disc.path(), {book}, GetParam());
  Library lib;
  char title[TOMESHELF_TITLE_SIZE] = {};
  ASSERT_EQ(lib.IsEpwBook(disc.Windows().c_str(), title), 1);
  EXPECT_STREQ(title, "Shown title");
  ASSERT_EQ(lib.OpenEpwing(disc.Windows().c_str()), 1);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  EXPECT_EQ(lib.book()->IndexTable().at(0).Code(), 0x91);
  // The font names keep the padding the catalog gives them ("GAI16H  ").
  std::array<char, kFontNamesSize + 1> names{};
  ASSERT_TRUE(lib.catalog()->SelectedFontNames(names));
  for (size_t slot : {0u, 4u}) {
    const std::string name(names.data() + slot * kFontNameSize, kFontNameSize);
    Platform& platform = lib.platform();
    const std::string path = lib.catalog()->SelectedGaijiPath() + "\\" + name;
    EXPECT_NE(platform.OpenRead(platform.ResolvePath(path)), nullptr) << name;
  }
  WorkingDirectory here(disc.path().parent_path());
  const std::string root = disc.path().filename().string();
  ASSERT_EQ(lib.OpenEpwing(root.c_str()), 1);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  EXPECT_EQ(lib.book()->TextPath(), root + "\\DICT\\data\\honmon");
}

INSTANTIATE_TEST_SUITE_P(Mounts, DiscNamesTest,
                         ::testing::Values(NameCase::kUpper, NameCase::kLower, NameCase::kIso9660));

}  // namespace
}  // namespace tomeshelf
