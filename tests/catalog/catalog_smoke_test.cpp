#include <gtest/gtest.h>

#include "api/library.h"
#include "support/writer.h"

namespace tomeshelf {
namespace {

using testing::BookFiles;
using testing::NameCase;
using testing::TempDir;

TEST(CatalogSmokeTest, OpensLowerCaseDiscAndReportsTitle) {
  TempDir disc;
  BookFiles book;
  book.entry = {0x00, "Sample", "DICT", {}};
  testing::TextFileBuilder text;
  book.honmon = text.Build();
  testing::WriteDisc(disc.path(), {book}, NameCase::kLower);

  Library lib;
  ASSERT_EQ(lib.OpenEpwing(disc.Windows().c_str()), 1);
  EXPECT_EQ(lib.epwGetBooks(), 1);
  char title[81];
  BookInfo info{};
  info.title = title;
  ASSERT_EQ(lib.epwGetBookInfo(0, &info), 1);
  EXPECT_STREQ(title, "Sample");
  EXPECT_EQ(lib.epwBooksOpen(), 1);
  lib.epwBooksClose();
}

}  // namespace
}  // namespace tomeshelf
