// The drawing calls through the POSIX device-context and bitmap objects of the public header.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <vector>

#include "api/library.h"
#include "support/writer.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

struct Recorder {
  std::vector<int32_t> stretch;  // left, top, width, height, image width and height, header[0]
  std::vector<unsigned char> pixels;
  std::vector<uint32_t> colours;
};

TEST(GaijiPosixDeviceTest, DrawsThroughCallbacksAndHandsOverABitmap) {
  const testing::FontShape half24{false, 24};
  testing::TempDir disc;
  testing::BookFiles book{{0x00, "Posix", "DICT", {}}, testing::TextFileBuilder().Build(), {}};
  book.entry.fonts[5] = "GF24HALF";
  book.fonts["GF24HALF"] = testing::GaijiFontBytes(half24, 0xA121, 30);
  testing::WriteDisc(disc.path(), {book}, testing::NameCase::kLower);
  Library lib;
  ASSERT_EQ(lib.OpenEpwing(disc.Windows().c_str()), 1);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  Recorder rec;
  TomeshelfDrawTarget target{
      &rec,
      [](void* user, int32_t left, int32_t top, int32_t width, int32_t height,
         const TomeshelfImage* image) {
        auto* r = static_cast<Recorder*>(user);
        r->stretch = {left, top, width, height, image->width, image->height, image->header[0]};
        r->pixels.assign(image->pixels, image->pixels + image->pixelBytes);
      },
      [](void* user, int32_t, int32_t, uint32_t colour) {
        static_cast<Recorder*>(user)->colours.push_back(colour);
      }};
  TomeshelfDeviceContext dc{nullptr, &target};
  ASSERT_EQ(lib.epwShowExCode(0xA123, 24, 0, 1, 2, 25, 50, 0xFFFFFF, 0, &dc), 1);
  EXPECT_EQ(rec.stretch, (std::vector<int32_t>{1, 2, 24, 48, 12, 24, 40}));
  ASSERT_EQ(rec.pixels.size(), 12u * 24 * 3);  // rows of 36 bytes, no padding
  size_t ink = 0;
  for (uint32_t i = 0; i < 12 * 24; ++i) {
    const bool on = testing::GlyphInk(half24, 2, i / 12, i % 12);
    ink += on;
    ASSERT_EQ(rec.pixels[((23 - i / 12) * 12 + i % 12) * 3], on ? 0xFF : 0) << i;
  }
  ASSERT_EQ(lib.epwShowExCodePixel(0xA123, 24, 0, 100, 200, 112, 224, 0x123456, &dc), 1);
  EXPECT_EQ(rec.colours, std::vector<uint32_t>(ink, 0x123456));
  TomeshelfBitmapObject object{nullptr, nullptr};
  ASSERT_EQ(lib.epwExCode2Bmp(0xA123, 24, 0, 0, 0, 0, 0, &object), 1);
  ASSERT_NE(object.bitmap, nullptr);
  const TomeshelfBitmap& b = *object.bitmap;
  EXPECT_EQ(std::vector<int32_t>({b.width, b.height, b.stride}), std::vector<int32_t>({12, 24, 2}));
  const auto pattern = testing::GlyphPattern(half24, 2);
  for (size_t i = 0; i < pattern.size(); ++i) {
    ASSERT_EQ(b.bits[i], static_cast<unsigned char>(~pattern[i])) << i;
  }
  TomeshelfFreeBitmap(object.bitmap);
}

}  // namespace
}  // namespace tomeshelf
#endif
