#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "api/library.h"
#include "media/glyph.h"
#include "media_fixture.h"

namespace tomeshelf {
namespace {

using testing::AllFontShapes;
using testing::FontShape;
using testing::GlyphInk;
using testing::MemoryPlatform;

constexpr uint16_t kStart = 0xA121;
constexpr uint32_t kGlyphs = 200;
constexpr uint32_t kInk = 0x00AABBCC;    // red CC, green BB, blue AA
constexpr uint32_t kPaper = 0x00102030;  // red 30, green 20, blue 10

uint32_t CodeOf(uint32_t index, uint16_t start = kStart) {
  const uint32_t first = (start >> 8) + index / 94;
  const uint32_t second = (start & 0xFF) + index % 94;
  return first << 8 | second;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

using PixelSet = std::set<std::pair<int32_t, int32_t>>;

class GaijiDrawTest : public ::testing::Test {
 protected:
  // A book carrying the given fonts, each holding kGlyphs glyphs from kStart.
  void Open(const std::vector<FontShape>& shapes = AllFontShapes(), uint32_t glyphs = kGlyphs) {
    testing::BookFiles book;
    book.entry = {0x00, "Gaiji", "DICT", {}};
    book.honmon = testing::TextFileBuilder().Build();
    for (const FontShape& s : shapes) {
      book.entry.fonts[testing::FontField(s)] = testing::FontFileName(s);
      book.fonts[testing::FontFileName(s)] = testing::GaijiFontBytes(s, kStart, glyphs);
    }
    testing::PutBook(platform, book);
    ASSERT_EQ(lib.OpenEpwing(testing::kMemoryRoot.c_str()), 1);
    ASSERT_EQ(lib.epwBooksOpen(), 1);
  }

  std::vector<uint8_t>& FontFile(FontShape s) {
    return platform.files[testing::FontPath(s)];
  }

  int32_t Show(uint32_t code, FontShape s) {
    return lib.epwShowExCode(code, s.size, s.fullWidth, 5, 7, 105, 207, kInk, kPaper, nullptr);
  }
  int32_t Bmp(uint32_t code, FontShape s) {
    return lib.epwExCode2Bmp(code, s.size, s.fullWidth, 0, 0, kInk, kPaper, nullptr);
  }
  PixelSet Pixels() const {
    PixelSet out;
    for (const auto& p : platform.pixels) out.insert({p.x, p.y});
    return out;
  }

  MemoryPlatform platform;
  Library lib{platform};
};

TEST_F(GaijiDrawTest, StretchedImageIsTheBottomUpPatternForEveryFont) {
  Open();
  for (const FontShape& s : AllFontShapes()) {
    SCOPED_TRACE(s.Name());
    platform.stretches.clear();
    ASSERT_EQ(Show(CodeOf(95), s), 1);
    ASSERT_EQ(platform.stretches.size(), 1u);
    const auto& st = platform.stretches[0];
    EXPECT_EQ(std::vector<int32_t>({st.left, st.top, st.width, st.height}),
              std::vector<int32_t>({5, 7, 100, 200}));
    const uint32_t w = s.DrawnWidth(), h = s.size;
    EXPECT_EQ(st.imageWidth, static_cast<int32_t>(w));
    EXPECT_EQ(st.imageHeight, static_cast<int32_t>(h));

    ASSERT_EQ(st.header.size(), 40u);
    EXPECT_EQ(Le32(st.header, 0), 40u);
    EXPECT_EQ(Le32(st.header, 4), w);
    EXPECT_EQ(Le32(st.header, 8), h);  // positive: bottom row first
    EXPECT_EQ(Le32(st.header, 12), 1u | 24u << 16);  // one plane, 24 bits
    EXPECT_EQ(Le32(st.header, 16), 0u);
    EXPECT_EQ(Le32(st.header, 20), w * h * 3);
    for (size_t at = 24; at < 40; at += 4) EXPECT_EQ(Le32(st.header, at), 0u);

    ASSERT_EQ(st.pixels.size(), w * h * 3);
    for (uint32_t r = 0; r < h; ++r) {
      for (uint32_t x = 0; x < w; ++x) {
        const uint8_t* p = st.pixels.data() + ((h - 1 - r) * w + x) * 3;
        const bool ink = GlyphInk(s, 95, r, x);
        ASSERT_EQ(std::vector<uint8_t>(p, p + 3),
                  ink ? std::vector<uint8_t>({0xAA, 0xBB, 0xCC})
                      : std::vector<uint8_t>({0x10, 0x20, 0x30}))
            << "row " << r << " column " << x;
      }
    }
  }
}

TEST_F(GaijiDrawTest, BitmapHoldsComplementedRowsPaddedWithWhite) {
  Open();
  for (const FontShape& s : AllFontShapes()) {
    SCOPED_TRACE(s.Name());
    platform.bitmaps.clear();
    ASSERT_EQ(Bmp(CodeOf(40), s), 1);
    ASSERT_EQ(platform.bitmaps.size(), 1u);
    const MonoBitmap& bm = platform.bitmaps[0];
    EXPECT_EQ(bm.width, static_cast<int32_t>(s.NominalWidth()));
    EXPECT_EQ(bm.height, static_cast<int32_t>(s.size));
    EXPECT_EQ(bm.stride, static_cast<int32_t>(s.Stride()));
    ASSERT_EQ(bm.bits.size(), s.Stride() * s.size);
    const auto pattern = testing::GlyphPattern(s, 40);
    for (uint32_t r = 0; r < s.size; ++r) {
      for (uint32_t k = 0; k < s.Stride(); ++k) {
        const uint8_t want =
            k < s.RowBytes() ? static_cast<uint8_t>(~pattern[r * s.RowBytes() + k]) : 0xFF;
        ASSERT_EQ(bm.bits[r * s.Stride() + k], want) << "row " << r << " byte " << k;
      }
    }
  }
}

TEST_F(GaijiDrawTest, InkPixelsAtNominalAndDoubleSizeAreTheInkBits) {
  Open();
  for (const FontShape& s : AllFontShapes()) {
    for (int32_t scale : {1, 2}) {
      SCOPED_TRACE(s.Name() + " x" + std::to_string(scale));
      platform.pixels.clear();
      const int32_t w = static_cast<int32_t>(s.NominalWidth()) * scale;
      const int32_t h = static_cast<int32_t>(s.size) * scale;
      ASSERT_EQ(lib.epwShowExCodePixel(CodeOf(7), s.size, s.fullWidth, 10, 20, 10 + w, 20 + h, kInk,
                                       nullptr),
                1);
      PixelSet want;
      // Every bit the image shows counts, so 30-dot padding bits land past the right edge.
      for (uint32_t r = 0; r < s.size; ++r) {
        for (uint32_t b = 0; b < s.DrawnWidth(); ++b) {
          if (!GlyphInk(s, 7, r, b)) continue;
          for (int32_t dy = 0; dy < scale; ++dy) {
            for (int32_t dx = 0; dx < scale; ++dx) {
              want.insert({10 + static_cast<int32_t>(b) * scale + dx,
                           20 + static_cast<int32_t>(r) * scale + dy});
            }
          }
        }
      }
      EXPECT_EQ(Pixels(), want);
      EXPECT_EQ(platform.pixels.size(), want.size());
      for (const auto& p : platform.pixels) ASSERT_EQ(p.colour, kInk);
    }
  }
}

TEST_F(GaijiDrawTest, HalfScaleKeepsOddRowsAndColumns) {
  const FontShape full16{true, 16};
  Open({full16});
  ASSERT_EQ(lib.epwShowExCodePixel(CodeOf(3), 16, 1, 0, 0, 8, 8, kInk, nullptr), 1);
  PixelSet want;
  for (uint32_t r = 1; r < 16; r += 2) {
    for (uint32_t b = 1; b < 16; b += 2) {
      if (GlyphInk(full16, 3, r, b)) want.insert({static_cast<int32_t>(b / 2), static_cast<int32_t>(r / 2)});
    }
  }
  EXPECT_EQ(Pixels(), want);
}

TEST_F(GaijiDrawTest, EmptyOrInvertedRectangleSetsNoPixel) {
  Open();
  const std::array<std::array<int32_t, 4>, 4> rects = {{
      {10, 10, 10, 40}, {10, 10, 40, 10}, {40, 10, 10, 40}, {10, 40, 40, 10}}};
  for (const auto& r : rects) {
    EXPECT_EQ(lib.epwShowExCodePixel(CodeOf(0), 48, 1, r[0], r[1], r[2], r[3], kInk, nullptr), 1);
  }
  EXPECT_TRUE(platform.pixels.empty());
}

TEST(GlyphLocationTest, GlyphsFillUnitsAndSkipTheirPadding) {
  struct Case {
    WidthKind width;
    uint32_t key;
    uint32_t index;
    uint64_t offset;
  };
  const Case cases[] = {
      {WidthKind::kFull, 16, 0, 2048},  {WidthKind::kFull, 24, 13, 2984},
      {WidthKind::kFull, 24, 14, 3072}, {WidthKind::kHalf, 32, 16, 3008},
      {WidthKind::kHalf, 32, 17, 3072}, {WidthKind::kFull, 48, 3, 3072},
      {WidthKind::kFull, 48, 5, 3648},  {WidthKind::kHalf, 16, 64, 3072},
  };
  GaijiFont font;
  font.startCode = kStart;
  font.fileSize = 1 << 20;
  for (const Case& c : cases) {
    const auto geometry = GeometryOf(c.width, c.key);
    ASSERT_TRUE(geometry);
    EXPECT_EQ(LocateGlyph(font, CodeOf(c.index), *geometry), c.offset)
        << c.key << " glyph " << c.index;
  }
  EXPECT_FALSE(GeometryOf(WidthKind::kFull, 30));  // 30-dot fonts are keyed 32
  EXPECT_FALSE(GeometryOf(WidthKind::kHalf, 20));
}

TEST_F(GaijiDrawTest, CodesOutsideTheFontAreRefused) {
  const FontShape full16{true, 16};
  Open({full16});
  // 200 glyphs fill 7 units of 32: the file holds glyph slots 0 to 223.
  EXPECT_EQ(Bmp(kStart, full16), 1);
  EXPECT_EQ(Bmp(CodeOf(223), full16), 1);
  for (uint32_t code : {0xA120u, 0xA17Fu, 0xA021u, 0xA1FFu, CodeOf(224), 0xFF21u}) {
    EXPECT_EQ(Bmp(code, full16), -2) << std::hex << code;
    EXPECT_EQ(Show(code, full16), -2) << std::hex << code;
  }
  EXPECT_EQ(platform.bitmaps.size(), 2u);
  EXPECT_TRUE(platform.stretches.empty());
}

TEST_F(GaijiDrawTest, NextRowOfCodesContinuesTheGlyphs) {
  const FontShape full16{true, 16};
  Open({full16});
  ASSERT_EQ(Bmp(0xA221, full16), 1);  // glyph 94
  const auto pattern = testing::GlyphPattern(full16, 94);
  EXPECT_EQ(platform.bitmaps[0].bits[0], static_cast<uint8_t>(~pattern[0]));
  EXPECT_EQ(platform.bitmaps[0].bits[31], static_cast<uint8_t>(~pattern[31]));
}

TEST_F(GaijiDrawTest, GlyphCutShortByTheFileEndIsNotFound) {
  const FontShape full24{true, 24};
  Open({full24});
  lib.epwBooksClose();
  auto& file = FontFile(full24);
  file.resize(testing::GlyphOffset(full24, 30) + full24.GlyphBytes() - 1);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  EXPECT_EQ(Bmp(CodeOf(29), full24), 1);
  EXPECT_EQ(Bmp(CodeOf(30), full24), -2);
  file.resize(file.size() + 1);
  lib.epwBooksClose();
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  EXPECT_EQ(Bmp(CodeOf(30), full24), 1);
}

TEST_F(GaijiDrawTest, ShortGlyphReadIsRefusedAndFailedReadFails) {
  const FontShape full48{true, 48};
  Open({full48});
  platform.faults.shortReadLimit = 100;
  EXPECT_EQ(Show(CodeOf(1), full48), -2);
  platform.faults.shortReadLimit = 0;
  platform.faults.failReadOnCall = platform.readCalls + 1;
  EXPECT_EQ(Show(CodeOf(1), full48), -1);
  EXPECT_TRUE(platform.stretches.empty());
  EXPECT_EQ(Show(CodeOf(1), full48), 1);
}

TEST_F(GaijiDrawTest, SizeNamesWidthKindsAndEmptySlots) {
  Open({{true, 16}, {true, 30}, {false, 30}});
  ASSERT_EQ(lib.epwShowExCode(kStart, 30, 1, 0, 0, 30, 30, kInk, kPaper, nullptr), 1);
  ASSERT_EQ(lib.epwShowExCode(kStart, 32, 1, 0, 0, 30, 30, kInk, kPaper, nullptr), 1);
  ASSERT_EQ(platform.stretches.size(), 2u);
  EXPECT_EQ(platform.stretches[0].pixels, platform.stretches[1].pixels);

  EXPECT_EQ(Bmp(kStart, {true, 40}), -1);   // slot 5 never holds a font
  EXPECT_EQ(Bmp(kStart, {true, 20}), -2);   // slot of the open 16-dot font
  EXPECT_EQ(Bmp(kStart, {false, 20}), -1);  // no half-width 16-dot font
  EXPECT_EQ(Bmp(kStart, {true, 24}), -1);
  EXPECT_EQ(Bmp(kStart, {true, 200}), -1);  // past the last slot
  EXPECT_EQ(lib.epwExCode2Bmp(kStart, 16, 2, 0, 0, 0, 0, nullptr), -2);
  EXPECT_EQ(lib.epwShowExCodePixel(kStart, 16, -1, 0, 0, 9, 9, kInk, nullptr), -2);
  EXPECT_EQ(lib.epwExCode2Bmp(kStart, 0x100 | 16, 0x100 | 1, 0, 0, 0, 0, nullptr), 1);
}

TEST_F(GaijiDrawTest, NoBookOrFailedAttachDrawsNothing) {
  EXPECT_EQ(Show(kStart, {true, 16}), -1);
  EXPECT_EQ(Bmp(kStart, {true, 16}), -1);
  EXPECT_EQ(lib.epwShowExCodePixel(kStart, 16, 1, 0, 0, 9, 9, kInk, nullptr), -1);
  Open({{true, 16}});
  platform.attachFails = true;
  EXPECT_EQ(Bmp(kStart, {true, 16}), -2);
  lib.epwBooksClose();
  EXPECT_EQ(Bmp(kStart, {true, 16}), -1);
  EXPECT_TRUE(platform.bitmaps.empty());
}

}  // namespace
}  // namespace tomeshelf
