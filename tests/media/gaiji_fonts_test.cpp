#include <gtest/gtest.h>

#include "api/library.h"
#include "media/gaiji_fonts.h"
#include "media_fixture.h"

namespace tomeshelf {
namespace {

using testing::FontShape;
using testing::MemoryPlatform;

constexpr FontShape kFull16{true, 16};
constexpr FontShape kHalf16{false, 16};
constexpr FontShape kFull24{true, 24};

class GaijiFontsTest : public ::testing::Test {
 protected:
  // Names every given font in the catalog; only those in `present` are written.
  void Open(const std::vector<FontShape>& named, const std::vector<FontShape>& present,
            uint16_t start = 0xA121) {
    testing::BookFiles book;
    book.entry = {0x00, "Fonts", "DICT", {}};
    book.honmon = testing::TextFileBuilder().Build();
    for (const FontShape& s : named) book.entry.fonts[testing::FontField(s)] = testing::FontFileName(s);
    for (const FontShape& s : present) {
      book.fonts[testing::FontFileName(s)] = testing::GaijiFontBytes(s, start, 10);
    }
    testing::PutBook(platform, book);
    ASSERT_EQ(lib.OpenEpwing(testing::kMemoryRoot.c_str()), 1);
    ASSERT_EQ(lib.epwBooksOpen(), 1);
  }
  int32_t Bmp(uint32_t code, FontShape s) {
    return lib.epwExCode2Bmp(code, s.size, s.fullWidth, 0, 0, 0, 0, nullptr);
  }

  MemoryPlatform platform;
  Library lib{platform};
};

TEST_F(GaijiFontsTest, MissingFontLeavesOnlyItsSlotEmpty) {
  auto all = testing::AllFontShapes();
  std::vector<FontShape> present;
  for (const FontShape& s : all) {
    if (!(s.fullWidth && s.size == 24)) present.push_back(s);
  }
  Open(all, present);
  EXPECT_EQ(Bmp(0xA121, kFull24), -1);
  for (const FontShape& s : present) EXPECT_EQ(Bmp(0xA121, s), 1) << s.Name();
  EXPECT_EQ(platform.openFiles, 8);  // seven fonts and the text file
}

TEST_F(GaijiFontsTest, EmptyNameFieldsNameNoFont) {
  Open({kFull16, kHalf16}, testing::AllFontShapes());
  EXPECT_EQ(Bmp(0xA121, kFull16), 1);
  EXPECT_EQ(Bmp(0xA121, kHalf16), 1);
  for (uint32_t size : {24u, 30u, 48u}) {
    EXPECT_EQ(Bmp(0xA121, {true, size}), -1);
    EXPECT_EQ(Bmp(0xA121, {false, size}), -1);
  }
}

TEST_F(GaijiFontsTest, StartCodeComesFromBytesTenAndEleven) {
  Open({kFull16}, {kFull16}, 0xB05A);
  ASSERT_EQ(Bmp(0xB05A, kFull16), 1);
  EXPECT_EQ(platform.bitmaps[0].bits[0], static_cast<uint8_t>(~testing::GlyphPattern(kFull16, 0)[0]));
  EXPECT_EQ(Bmp(0xB059, kFull16), -2);
  EXPECT_EQ(Bmp(0xAF7E, kFull16), -2);
  EXPECT_EQ(Bmp(0xB121, kFull16), -2);  // second byte below the start's
  EXPECT_EQ(Bmp(0xB05B, kFull16), 1);
}

TEST_F(GaijiFontsTest, FontShorterThanItsHeaderLeavesTheSlotEmpty) {
  Open({kFull16, kHalf16}, {kFull16, kHalf16});
  lib.epwBooksClose();
  platform.files[testing::FontPath(kHalf16)].resize(13);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  EXPECT_EQ(Bmp(0xA121, kHalf16), -1);
  EXPECT_EQ(Bmp(0xA121, kFull16), 1);
}

TEST(GaijiFontTableTest, ReopeningClosesTheFontsOpenBefore) {
  MemoryPlatform platform;
  std::string names(kFontNamesSize, '\0');
  names.replace(0, 8, "GF16FULL");
  platform.files["G:\\gaiji\\GF16FULL"] = testing::GaijiFontBytes(kFull16, 0xA121, 1);
  GaijiFonts fonts;
  fonts.OpenGaijiFonts(platform, "G:\\gaiji", names.data());
  fonts.OpenGaijiFonts(platform, "G:\\gaiji\\", names.data());  // no second separator
  EXPECT_EQ(platform.openFiles, 1);
  EXPECT_NE(fonts.Slot(WidthKind::kFull, 2), nullptr);
  EXPECT_TRUE(fonts.CloseGaijiFonts());
  EXPECT_EQ(platform.openFiles, 0);
  EXPECT_EQ(fonts.Slot(WidthKind::kFull, 2), nullptr);
}

TEST(GaijiFontTableTest, FontPathLongerThan255CharactersIsRefused) {
  MemoryPlatform platform;
  std::string names(kFontNamesSize, '\0');
  names.replace(0, 8, "GF16FULL");
  for (size_t dirLength : {246u, 247u}) {  // with "\" and the name: 255 and 256 characters
    const std::string dir = "G:" + std::string(dirLength - 2, 'd');
    platform.files[dir + "\\GF16FULL"] = testing::GaijiFontBytes(kFull16, 0xA121, 1);
    GaijiFonts fonts;
    fonts.OpenGaijiFonts(platform, dir, names.data());
    EXPECT_EQ(fonts.Slot(WidthKind::kFull, 2) != nullptr, dirLength == 246) << dirLength;
  }
}

}  // namespace
}  // namespace tomeshelf
