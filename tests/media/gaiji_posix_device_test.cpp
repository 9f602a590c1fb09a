// The drawing calls through the POSIX device-context and bitmap objects of the public header.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <vector>

#include "api/library.h"
#include "support/session_book.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

struct Recorder {
  std::vector<int32_t> stretch;  // left, top, width, height, image width and height, header[0]
  std::vector<unsigned char> pixels;
  std::vector<uint32_t> colours;
};

TEST(GaijiPosixDeviceTest, DrawsThroughCallbacksAndHandsOverABitmap) {
  const testing::FontShape full16{true, 16};
  testing::SessionDisc disc;
  Library lib;
  ASSERT_EQ(lib.OpenEpwing(disc.root.c_str()), 1);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  const uint32_t code = disc.book.gaiji + 2;
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
  ASSERT_EQ(lib.epwShowExCode(code, 16, 1, 1, 2, 33, 50, 0xFFFFFF, 0, &dc), 1);
  EXPECT_EQ(rec.stretch, (std::vector<int32_t>{1, 2, 32, 48, 16, 16, 40}));
  ASSERT_EQ(rec.pixels.size(), 16u * 16 * 3);
  size_t ink = 0;
  for (uint32_t i = 0; i < 16 * 16; ++i) {
    const bool on = testing::GlyphInk(full16, 2, i / 16, i % 16);
    ink += on;
    ASSERT_EQ(rec.pixels[((15 - i / 16) * 16 + i % 16) * 3], on ? 0xFF : 0) << i;
  }
  ASSERT_EQ(lib.epwShowExCodePixel(code, 16, 1, 100, 200, 116, 216, 0x123456, &dc), 1);
  EXPECT_EQ(rec.colours, std::vector<uint32_t>(ink, 0x123456));
  TomeshelfBitmapObject object{nullptr, nullptr};
  ASSERT_EQ(lib.epwExCode2Bmp(code, 16, 1, 0, 0, 0, 0, &object), 1);
  ASSERT_NE(object.bitmap, nullptr);
  const TomeshelfBitmap& b = *object.bitmap;
  EXPECT_EQ(std::vector<int32_t>({b.width, b.height, b.stride}), std::vector<int32_t>({16, 16, 2}));
  const auto pattern = testing::GlyphPattern(full16, 2);
  for (size_t i = 0; i < pattern.size(); ++i) {
    ASSERT_EQ(b.bits[i], static_cast<unsigned char>(~pattern[i])) << i;
  }
  TomeshelfFreeBitmap(object.bitmap);
}

}  // namespace
}  // namespace tomeshelf
#endif
