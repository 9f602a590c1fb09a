// What a hostile disc or a careless caller may hand the library: catalog names that climb
// out of the disc, a book open after the catalog closed. NULL pointers: the fault session.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/library.h"
#include "support/memory_disc.h"
#include "support/session_book.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

const std::string kRoot = "M:\\DISC";

// Opens the books on an in-memory disc; false when the book does not open.
bool Open(testing::MemoryPlatform& platform, Library& lib, const testing::BookFiles& book) {
  testing::PutMemoryDisc(platform, kRoot, {book});
  return lib.OpenEpwing(kRoot.c_str()) == 1 && lib.epwBooksOpen() == 1;
}

// A book or font whose name climbs out of the disc, or is no name, is not opened.
TEST(HostileNameTest, DirectoryOrFontThatClimbsOutOrIsNoNameIsNotOpened) {
  const auto session = testing::MakeSessionBook();
  for (const char* name : {"..", "../../..", "..\\..", ".", ". .", "...", "", "   ", "a/b", "a\\b",
                           "..\\FONT", "../FONT", "  ..  ", "FONT16F"}) {
    const bool good = std::string(name) == "FONT16F";
    testing::MemoryPlatform platform, fontPlatform;
    Library lib(platform), fontLib(fontPlatform);
    const testing::BookFiles away{{0x00, "Away", name, {}}, testing::TextFileBuilder().Build(), {}};
    EXPECT_TRUE(good || !Open(platform, lib, away)) << name;
    EXPECT_TRUE(good || (lib.book() == nullptr && platform.openFiles == 0)) << name;
    testing::BookFiles book = session.files;
    book.entry.fonts[0] = name;
    book.fonts = {{name, session.files.fonts.at("FONT16F")}};
    ASSERT_TRUE(Open(fontPlatform, fontLib, book));
    EXPECT_EQ(fontLib.epwShowExCode(session.gaiji, 16, 1, 0, 0, 16, 16, 0, 0, nullptr), good ? 1 : -1)
        << name;
  }
}

// An open that fails for want of a catalog still closes the book open before.
TEST(SessionStateTest, ClosedCatalogOpensNoBookAndLeavesNoneOpen) {
  testing::MemoryPlatform platform;
  Library lib(platform);
  ASSERT_TRUE(Open(platform, lib, testing::MakeSessionBook().files));
  lib.CloseEpwing();
  EXPECT_EQ(lib.epwBooksOpen(), -1);
  EXPECT_EQ(lib.book(), nullptr);
  EXPECT_EQ(platform.openFiles, 0);
}

}  // namespace
}  // namespace tomeshelf
