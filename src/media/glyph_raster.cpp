#include "media/glyph_raster.h"

#include "base/bytes.h"

namespace tomeshelf {

namespace {

// BITMAPINFOHEADER fields (little-endian).
constexpr size_t kBiSize = 0;
constexpr size_t kBiWidth = 4;
constexpr size_t kBiHeight = 8;
constexpr size_t kBiPlanes = 12;
constexpr size_t kBiBitCount = 14;
constexpr size_t kBiCompression = 16;
constexpr size_t kBiSizeImage = 20;
constexpr uint16_t kOnePlane = 1;
constexpr uint16_t kTrueColourBits = 24;
constexpr uint32_t kUncompressed = 0;  // BI_RGB

constexpr uint32_t kChannelBits = 8;
constexpr uint8_t kWhiteByte = 0xFF;  // eight paper bits
constexpr uint32_t kChannelMask = 0xFF;

void PutColour(uint8_t* p, uint32_t colour) {
  p[0] = static_cast<uint8_t>((colour >> (2 * kChannelBits)) & kChannelMask);  // blue
  p[1] = static_cast<uint8_t>((colour >> kChannelBits) & kChannelMask);        // green
  p[2] = static_cast<uint8_t>(colour & kChannelMask);                          // red
}

}  // namespace

int32_t Extent(int32_t from, int32_t to) {
  return static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
}

DibImage DibRaster::Image() const {
  return DibImage{width, height, header, std::span<const uint8_t>(pixels.data(), pixelBytes)};
}

void BuildDib(const Glyph& glyph, uint32_t ink, uint32_t paper, DibRaster& out) {
  const GlyphGeometry& g = glyph.geometry;
  const size_t rowBytes = size_t{g.drawnWidth} * kDibBytesPerPixel;
  out.width = static_cast<int32_t>(g.drawnWidth);
  out.height = static_cast<int32_t>(g.height);
  out.pixelBytes = rowBytes * g.height;

  for (uint32_t r = 0; r < g.height; ++r) {
    uint8_t* row = out.pixels.data() + size_t{g.height - 1 - r} * rowBytes;  // bottom row first
    for (uint32_t x = 0; x < g.drawnWidth; ++x) {
      PutColour(row + size_t{x} * kDibBytesPerPixel, glyph.Ink(r, x) ? ink : paper);
    }
  }

  out.header.fill(0);
  WriteLe32(out.header.data() + kBiSize, static_cast<uint32_t>(kDibHeaderSize));
  WriteLe32(out.header.data() + kBiWidth, g.drawnWidth);
  WriteLe32(out.header.data() + kBiHeight, g.height);
  WriteLe16(out.header.data() + kBiPlanes, kOnePlane);
  WriteLe16(out.header.data() + kBiBitCount, kTrueColourBits);
  WriteLe32(out.header.data() + kBiCompression, kUncompressed);
  WriteLe32(out.header.data() + kBiSizeImage, static_cast<uint32_t>(out.pixelBytes));
}

MonoBitmap MonoRaster::Bitmap() const {
  const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(height);
  return MonoBitmap{width, height, stride, std::span<const uint8_t>(bits.data(), bytes)};
}

void BuildMono(const Glyph& glyph, MonoRaster& out) {
  const GlyphGeometry& g = glyph.geometry;
  out.width = static_cast<int32_t>(g.nominalWidth);
  out.height = static_cast<int32_t>(g.height);
  out.stride = static_cast<int32_t>(g.stride);
  out.bits.fill(kWhiteByte);
  for (uint32_t r = 0; r < g.height; ++r) {
    for (uint32_t k = 0; k < g.rowBytes; ++k) {
      out.bits[size_t{r} * g.stride + k] =
          static_cast<uint8_t>(~glyph.bytes[size_t{r} * g.rowBytes + k]);
    }
  }
}

void ForEachInkPixel(const Glyph& glyph, int32_t left, int32_t top, int32_t right,
                     int32_t bottom, const std::function<void(int32_t, int32_t)>& setPixel) {
  const GlyphGeometry& g = glyph.geometry;
  // 64-bit products: the scaled edges are the 32-bit quotients for every rectangle a device
  // can hold, and no product can overflow.
  const int64_t w = Extent(left, right);
  const int64_t h = Extent(top, bottom);
  const int64_t nominalWidth = g.nominalWidth;
  const int64_t height = g.height;
  for (uint32_t r = 0; r < g.height; ++r) {
    const int64_t yEnd = h * (r + 1) / height;
    for (int64_t y = h * r / height; y < yEnd; ++y) {
      for (uint32_t b = 0; b < g.drawnWidth; ++b) {
        if (!glyph.Ink(r, b)) continue;
        const int64_t xEnd = w * (b + 1) / nominalWidth;
        for (int64_t x = w * b / nominalWidth; x < xEnd; ++x) {
          setPixel(static_cast<int32_t>(left + x), static_cast<int32_t>(top + y));
        }
      }
    }
  }
}

}  // namespace tomeshelf
