// Windows-style name matching on a POSIX file system, where a case-sensitive mount may show
// a disc's names in lower case or with ISO 9660 version suffixes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/posix/path_resolver.h"
#include "support/writer.h"

namespace tomeshelf {
namespace {

namespace fs = std::filesystem;

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
  // Relative to the working directory.
  const fs::path saved = fs::current_path();
  fs::current_path(disc.path());
  EXPECT_EQ(ResolveWindowsPath("DICT\\DATA\\HONMON"), "Dict/Data/honmon");
  EXPECT_EQ(ResolveWindowsPath(".\\dict\\data"), "./Dict/Data");
  EXPECT_EQ(ResolveWindowsPath("GAIJI\\..\\iso\\catalogs"), "GAIJI/../iso/CATALOGS.;1");
  fs::current_path(saved);
}

}  // namespace
}  // namespace tomeshelf
