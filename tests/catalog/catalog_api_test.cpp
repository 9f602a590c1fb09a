// The catalog through the exported functions, on a disc written to the file system.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "api/library.h"
#include "support/writer.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

using testing::BookFiles;
using testing::CatalogEntry;
using testing::TempDir;

BookFiles Book(uint8_t type, const std::string& title, const std::string& directory) {
  BookFiles book;
  book.entry = CatalogEntry{type, title, directory, {}};
  book.honmon = testing::TextFileBuilder().Build();
  return book;
}

// The exports share one process-wide state; every test leaves it empty.
class CatalogApiTest : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    epwBooksClose();
    CloseEpwing();
  }
  std::string Root() const { return disc_.Windows(); }

  TempDir disc_;
};

TEST_F(CatalogApiTest, CallerDrivesCatalogToOpenBook) {
  testing::WriteDisc(disc_.path(), {Book(0x60, "Index only", "IDX"), Book(0x00, "Dictionary", "DICT")});

  char probed[TOMESHELF_TITLE_SIZE] = {};
  ASSERT_EQ(IsEpwBook(Root().c_str(), probed), TOMESHELF_OK);
  EXPECT_STREQ(probed, "Dictionary");

  ASSERT_EQ(OpenEpwing(Root().c_str()), TOMESHELF_OK);
  EXPECT_EQ(epwGetBooks(), TOMESHELF_OK);
  char title[TOMESHELF_TITLE_SIZE] = {};
  BookInfo info{};
  info.title = title;
  EXPECT_EQ(epwGetBookInfo(1, &info), TOMESHELF_FAILED);  // record 0 is not selected
  EXPECT_EQ(epwSelectBook(2), TOMESHELF_FAILED);
  ASSERT_EQ(epwBooksOpen(), TOMESHELF_OK);
  EXPECT_EQ(ProcessLibrary().book()->TextPath(), Root() + "\\DICT\\data\\honmon");

  epwBooksClose();
  ASSERT_EQ(epwSelectBook(0), TOMESHELF_OK);
  ASSERT_EQ(epwGetBookInfo(1, &info), TOMESHELF_OK);
  EXPECT_EQ(info.bookType, 0x60);
  EXPECT_STREQ(title, "Index only");
  ASSERT_EQ(epwBooksOpen(), TOMESHELF_OK);
  EXPECT_EQ(ProcessLibrary().book()->TextPath(), Root() + "\\IDX\\data\\honmon");
}

TEST_F(CatalogApiTest, MissingDiscLeavesNoCatalogAndTitleUntouched) {
  const std::string missing = Root() + "\\nothing-here";
  char title[TOMESHELF_TITLE_SIZE] = "untouched";
  EXPECT_EQ(IsEpwBook(missing.c_str(), title), TOMESHELF_FAILED);
  EXPECT_STREQ(title, "untouched");
  EXPECT_EQ(OpenEpwing(missing.c_str()), TOMESHELF_FAILED);
  EXPECT_EQ(ProcessLibrary().catalog(), nullptr);
  EXPECT_EQ(epwGetBooks(), TOMESHELF_FAILED);
}

TEST_F(CatalogApiTest, DirectoryNamedAsCatalogsIsNotACatalog) {
  std::filesystem::create_directories(disc_.path() / "CATALOGS");
  char title[TOMESHELF_TITLE_SIZE] = "untouched";
  EXPECT_EQ(IsEpwBook(Root().c_str(), title), TOMESHELF_FAILED);
  EXPECT_EQ(OpenEpwing(Root().c_str()), TOMESHELF_FAILED);
}

}  // namespace
}  // namespace tomeshelf
