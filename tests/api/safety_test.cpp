// What a careless caller or a hostile disc may hand the library: NULL pointers, catalog
// names that climb out of the disc, a book open after the catalog closed or reopened, a
// picture data call of the other kind than its size call.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "api/library.h"
#include "support/memory_disc.h"
#include "support/session_book.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

using testing::Bytes;

const std::string kRoot = "M:\\DISC";

TEST(NullPointerTest, EveryPointerAnExportNeedsIsRefusedAndNothingChanges) {
  const testing::SessionDisc disc;
  const auto& book = disc.book;
  const std::string& root = disc.root;
  ASSERT_EQ(OpenEpwing(root.c_str()), 1);
  ASSERT_EQ(epwBooksOpen(), 1);
  Bytes word = book.word;
  WordProperties props{};
  ASSERT_EQ(epwGetWordProperties(word.data(), &props), 1);

  unsigned char b[4096];
  uint32_t n = 0;
  char text[256];
  const unsigned char* ref = book.link.data();
  BookInfo noTitle{0, {}, nullptr};
  WordItemRecord noItem{{}, nullptr};
  WordProperties p{};
  SoundProp sp{};
  ImageKind kind = 0;
  const std::vector<std::function<int32_t()>> calls = {
      [] { return OpenEpwing(nullptr); },
      [&] { return epwGetBookInfo(0, nullptr); },
      [&] { return epwGetBookInfo(0, &noTitle); },
      [&] { return IsEpwBook(nullptr, text); },
      [&] { return IsEpwBook(root.c_str(), nullptr); },
      [&] { return epwGetWordProperties(nullptr, &p); },
      [&] { return epwGetWordProperties(word.data(), nullptr); },
      [&] { return epwGetWordItem(0, nullptr); },
      [&] { return epwGetWordItem(0, &noItem); },
      [&] { return epwGetWordContent(0, nullptr, 10, &n); },
      [&] { return epwGetWordContent(0, b, 10, nullptr); },
      [&] { return epwGetNextContentByWord(nullptr, 10, &n); },
      [&] { return epwGetLastContentByWord(b, 10, nullptr); },
      [&] { return epwGetLinkContent(nullptr, b, 10, &n); },
      [&] { return epwGetLinkContent(ref, nullptr, 10, &n); },
      [&] { return GetWordCont(0, nullptr, 10, &n); },
      [&] { return GetWordContNext(b, 10, nullptr); },
      [&] { return GetWordContLast(nullptr, 10, &n); },
      [&] { return GetContLastNoSet(b, 10, nullptr); },
      [&] { return GetLinkContent(nullptr, b, 10, &n); },
      [&] { return GetLinkContByPt(0, b, 10, nullptr); },
      [&] { return epwGetImageSize(nullptr, text); },
      [&] { return epwGetImageSize(book.mono.data(), nullptr); },
      [&] { return epwGetImage(nullptr, b, &kind); },
      [&] { return epwGetImage(book.mono.data(), b, nullptr); },
      [&] { return epwGetSoundProp(nullptr, &sp); },
      [&] { return epwGetSoundProp(book.sound.data(), nullptr); },
      [&] { return epwGetPcmSize(nullptr); },
      [&] { return epwGetPcmCont(0, nullptr); },
      [&] { return epwShowExCode(book.gaiji, 16, 1, 0, 0, 16, 16, 0, 0, nullptr); },
      [&] { return epwExCode2Bmp(book.gaiji, 16, 1, 0, 0, 0, 0, nullptr); },
      [&] { return epwShowExCodePixel(book.gaiji, 16, 1, 0, 0, 16, 16, 0, nullptr); },
  };
  Library& lib = ProcessLibrary();
  const Catalog* catalog = lib.catalog();
  const OpenBook* open = lib.book();
  ReadingState before = lib.reading();
  for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i](), -2) << "call " << i;
  EXPECT_EQ(lib.catalog(), catalog);
  EXPECT_EQ(lib.book(), open);
  EXPECT_EQ(std::memcmp(&before, &lib.reading(), sizeof before), 0);
  EXPECT_EQ(lib.book()->Hits().Count(), props.hitCount);
  EXPECT_GT(GetMenuHead(), 0);
  epwBooksClose();
  CloseEpwing();
}

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

// After a reopen the readers start afresh: positions left by an unfinished article or page
// pointed into the book that was open before.
TEST(SessionStateTest, ClosedCatalogOpensNoBookPictureOfTheOtherKindIsRefusedReopenReadsAfresh) {
  testing::MemoryPlatform platform;
  Library lib(platform);
  const auto book = testing::MakeSessionBook();
  ASSERT_TRUE(Open(platform, lib, book.files));
  std::vector<uint8_t> buffer(64 * 1024);
  char caption[256];
  for (const auto& [prepared, other] :
       {std::pair{book.mono, book.colour}, {book.colour, book.mono}}) {
    const int32_t size = lib.epwGetImageSize(prepared.data(), caption);
    ASSERT_GT(size, 0);
    ImageKind kind = 7;
    EXPECT_EQ(lib.epwGetImage(other.data(), buffer.data(), &kind), -2);
    EXPECT_EQ(kind, 7);  // and the picture stays pending
    const int32_t got = lib.epwGetImage(prepared.data(), buffer.data(), &kind);
    EXPECT_EQ(got + (kind == TOMESHELF_IMAGE_MONOCHROME ? 8 : 0), size);
  }
  Bytes word = book.word;
  WordProperties props{};
  uint32_t n = 0;
  ASSERT_EQ(lib.epwGetWordProperties(word.data(), &props), 1);
  ASSERT_EQ(lib.epwGetWordContent(2, buffer.data(), 16, &n), 0);
  ASSERT_EQ(lib.epwGetLinkContent(book.link.data(), buffer.data(), 16, &n), 0);
  ASSERT_GT(lib.GetWordCont(2, buffer.data(), 16, &n), 0);
  lib.CloseEpwing();
  EXPECT_EQ(lib.epwBooksOpen(), -1);
  EXPECT_EQ(lib.book(), nullptr);
  EXPECT_EQ(lib.GetMenuHead(), -1);
  EXPECT_EQ(platform.openFiles, 0);
  ASSERT_TRUE(Open(platform, lib, book.files));
  const ReadingState fresh{};
  EXPECT_EQ(std::memcmp(&lib.reading(), &fresh, sizeof fresh), 0);
}

}  // namespace
}  // namespace tomeshelf
