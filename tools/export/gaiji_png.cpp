#include <png.h>

#include <csetjmp>

#include "export/export.h"
#include "media/glyph.h"

namespace tomeshelf::exporter {

namespace {

// Sizes tried in turn: the smallest font the book has is enough for a pop-up.
constexpr int32_t kSizes[] = {16, 24, 30, 48};
constexpr int kBitDepth = 8;
constexpr uint8_t kInk = 0x00, kOpaque = 0xFF, kClear = 0x00;

void Append(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

void NoFlush(png_structp) {}

// Kept apart from every C++ object, as longjmp may leave this frame.
bool WritePng(png_bytep* rows, uint32_t width, uint32_t height, std::vector<uint8_t>* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, Append, NoFlush);
  png_set_IHDR(png, info, width, height, kBitDepth, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(png, info, rows);
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// Grey and alpha, 8 bits each: ink black, paper transparent.
bool Encode(const Glyph& glyph, uint32_t width, std::vector<uint8_t>& out) {
  const uint32_t height = glyph.geometry.height;
  std::vector<uint8_t> pixels(size_t{width} * height * 2);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* p = &pixels[(size_t{y} * width + x) * 2];
      p[0] = kInk;
      p[1] = glyph.Ink(y, x) ? kOpaque : kClear;
    }
  }
  std::vector<png_bytep> rows(height);
  for (uint32_t y = 0; y < height; ++y) rows[y] = &pixels[size_t{y} * width * 2];
  return WritePng(rows.data(), width, height, &out);
}

}  // namespace

std::optional<GaijiImage> GaijiPng(GaijiFonts& fonts, uint16_t code, bool half) {
  for (int32_t size : kSizes) {
    Glyph glyph;
    if (LoadGlyph(fonts, code, size, half ? 0 : 1, glyph) != Status::kOk) continue;
    GaijiImage image;
    image.width = glyph.geometry.nominalWidth;
    image.height = glyph.geometry.height;
    if (!Encode(glyph, image.width, image.png)) return std::nullopt;
    return image;
  }
  return std::nullopt;
}

}  // namespace tomeshelf::exporter
