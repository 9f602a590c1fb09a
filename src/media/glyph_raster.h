// The three pictures of a glyph: a bottom-up 24-bit image, a monochrome bitmap, and its ink
// pixels scaled to a rectangle. They are built here; devices get them from the platform.
#ifndef TOMESHELF_MEDIA_GLYPH_RASTER_H_
#define TOMESHELF_MEDIA_GLYPH_RASTER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "media/glyph.h"
#include "platform/platform.h"

namespace tomeshelf {

inline constexpr size_t kDibHeaderSize = 40;
inline constexpr size_t kDibBytesPerPixel = 3;
inline constexpr size_t kMaxGlyphSide = 48;
inline constexpr size_t kDibPixelBufferSize = kMaxGlyphSide * kMaxGlyphSide * kDibBytesPerPixel;
// The monochrome rows, and one spare byte that stays paper.
inline constexpr size_t kMonoBufferSize = kGlyphReadSize + 1;

// The glyph as a bottom-up image of drawnWidth x height pixels (blue, green, red) behind
// its BITMAPINFOHEADER. Lives on the caller's stack for one drawing call.
struct DibRaster {
  std::array<uint8_t, kDibHeaderSize> header{};
  std::array<uint8_t, kDibPixelBufferSize> pixels{};
  int32_t width = 0;
  int32_t height = 0;
  size_t pixelBytes = 0;

  DibImage Image() const;
};

// Colours are 0x00BBGGRR: ink for 1 bits, paper for 0 bits.
void BuildDib(const Glyph& glyph, uint32_t ink, uint32_t paper, DibRaster& out);

// The glyph as nominalWidth x height bits in rows of `stride` bytes, complemented so that
// ink is 0 (black) and paper 1 (white); bytes past each row's glyph bytes stay 1 bits.
struct MonoRaster {
  std::array<uint8_t, kMonoBufferSize> bits{};
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;

  MonoBitmap Bitmap() const;
};

void BuildMono(const Glyph& glyph, MonoRaster& out);

// Calls setPixel(x, y) for every device pixel an ink bit covers when the glyph's nominal
// size is scaled onto the rectangle. An empty or inverted rectangle covers nothing. The
// padding bits of the 30-dot rows fall at and past the right edge.
void ForEachInkPixel(const Glyph& glyph, int32_t left, int32_t top, int32_t right,
                     int32_t bottom, const std::function<void(int32_t, int32_t)>& setPixel);

// right - left in 32-bit arithmetic, wrapping as the device's own coordinates do.
int32_t Extent(int32_t from, int32_t to);

}  // namespace tomeshelf

#endif  // TOMESHELF_MEDIA_GLYPH_RASTER_H_
