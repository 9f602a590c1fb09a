// The drawing calls through the POSIX device-context and bitmap objects of the public header.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <vector>

#include "api/library.h"
#include "support/book_builder.h"
#include "support/media_builder.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

struct Recorder {
  std::vector<int32_t> stretch;  // left, top, width, height, image width, image height
  std::vector<unsigned char> header, pixels;
  std::vector<std::array<int32_t, 3>> setPixels;  // x, y, colour
};

void RecordStretch(void* user, int32_t left, int32_t top, int32_t width, int32_t height,
                   const TomeshelfImage* image) {
  auto* r = static_cast<Recorder*>(user);
  r->stretch = {left, top, width, height, image->width, image->height};
  r->header.assign(image->header, image->header + 40);
  r->pixels.assign(image->pixels, image->pixels + image->pixelBytes);
}

void RecordPixel(void* user, int32_t x, int32_t y, uint32_t colour) {
  static_cast<Recorder*>(user)->setPixels.push_back({x, y, static_cast<int32_t>(colour)});
}

TEST(GaijiPosixDeviceTest, DrawsThroughCallbacksAndHandsOverABitmap) {
  const testing::FontShape half24{false, 24};
  testing::TempDir disc;
  testing::BookFiles book;
  book.entry = {0x00, "Posix", "DICT", {}};
  book.entry.fonts[5] = "GF24HALF";
  book.honmon = testing::TextFileBuilder().Build();
  book.fonts["GF24HALF"] = testing::GaijiFontBytes(half24, 0xA121, 30);
  testing::WriteDisc(disc.path(), {book}, testing::NameCase::kLower);

  Library lib;
  ASSERT_EQ(lib.OpenEpwing(disc.Windows().c_str()), 1);
  ASSERT_EQ(lib.epwBooksOpen(), 1);

  Recorder rec;
  TomeshelfDrawTarget target{&rec, RecordStretch, RecordPixel};
  TomeshelfDeviceContext dc{nullptr, &target};
  ASSERT_EQ(lib.epwShowExCode(0xA123, 24, 0, 1, 2, 25, 50, 0xFFFFFF, 0, &dc), 1);
  EXPECT_EQ(rec.stretch, (std::vector<int32_t>{1, 2, 24, 48, 12, 24}));
  ASSERT_EQ(rec.pixels.size(), 12u * 24 * 3);  // rows of 36 bytes, no padding
  EXPECT_EQ(rec.header[0], 40);
  for (uint32_t r = 0; r < 24; ++r) {
    for (uint32_t x = 0; x < 12; ++x) {
      ASSERT_EQ(rec.pixels[((23 - r) * 12 + x) * 3], testing::GlyphInk(half24, 2, r, x) ? 0xFF : 0);
    }
  }

  ASSERT_EQ(lib.epwShowExCodePixel(0xA123, 24, 0, 100, 200, 112, 224, 0x123456, &dc), 1);
  size_t ink = 0;
  for (uint32_t r = 0; r < 24; ++r) {
    for (uint32_t x = 0; x < 12; ++x) ink += testing::GlyphInk(half24, 2, r, x);
  }
  ASSERT_EQ(rec.setPixels.size(), ink);
  EXPECT_EQ(rec.setPixels[0][2], 0x123456);

  TomeshelfBitmapObject object{nullptr, nullptr};
  ASSERT_EQ(lib.epwExCode2Bmp(0xA123, 24, 0, 0, 0, 0, 0, &object), 1);
  ASSERT_NE(object.bitmap, nullptr);
  EXPECT_EQ(object.bitmap->width, 12);
  EXPECT_EQ(object.bitmap->height, 24);
  EXPECT_EQ(object.bitmap->stride, 2);
  const auto pattern = testing::GlyphPattern(half24, 2);
  for (size_t i = 0; i < pattern.size(); ++i) {
    ASSERT_EQ(object.bitmap->bits[i], static_cast<unsigned char>(~pattern[i])) << i;
  }
  TomeshelfFreeBitmap(object.bitmap);
}

}  // namespace
}  // namespace tomeshelf
#endif
