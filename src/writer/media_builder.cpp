#include "writer/media_builder.h"

#include <algorithm>

namespace tomeshelf::writer {

namespace {

constexpr uint32_t kFontHeader = 2048;
constexpr uint32_t kUnit = 1024;
constexpr uint8_t kEsc = 0x1F;

void AppendLe32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

void Append(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

}  // namespace

uint32_t FontShape::RowBytes() const {
  switch (size) {
    case 16: return fullWidth ? 2 : 1;
    case 24: return fullWidth ? 3 : 2;
    case 30: return fullWidth ? 4 : 2;
    default: return fullWidth ? 6 : 3;
  }
}

uint32_t FontShape::GlyphBytes() const { return RowBytes() * size; }
uint32_t FontShape::PerUnit() const { return kUnit / GlyphBytes(); }

uint32_t FontShape::DrawnWidth() const {
  if (fullWidth) return 8 * RowBytes();
  return size == 30 ? 16 : size / 2;
}

uint32_t FontShape::NominalWidth() const { return fullWidth ? size : size / 2; }
uint32_t FontShape::Stride() const { return (RowBytes() + 1) / 2 * 2; }

std::string FontShape::Name() const {
  return (fullWidth ? "Full" : "Half") + std::to_string(size);
}

std::vector<FontShape> AllFontShapes() {
  std::vector<FontShape> shapes;
  for (bool full : {true, false}) {
    for (uint32_t size : {16u, 24u, 30u, 48u}) shapes.push_back(FontShape{full, size});
  }
  return shapes;
}

bool GlyphInk(FontShape shape, uint32_t index, uint32_t row, uint32_t bit) {
  const uint32_t seed = index * 7 + (shape.fullWidth ? 3 : 0) + shape.size;
  // A diagonal, a column at the row's last bit every third row (padding in the 30-dot and
  // half-width 24-dot fonts), and scattered dots.
  if (bit == (row + seed) % (8 * shape.RowBytes())) return true;
  if (row % 3 == 0 && bit == 8 * shape.RowBytes() - 1) return true;
  return (row * 5 + bit * 3 + seed) % 7 == 0;
}

Bytes GlyphPattern(FontShape shape, uint32_t index) {
  Bytes out(shape.GlyphBytes(), 0);
  for (uint32_t r = 0; r < shape.size; ++r) {
    for (uint32_t b = 0; b < 8 * shape.RowBytes(); ++b) {
      if (GlyphInk(shape, index, r, b)) {
        out[r * shape.RowBytes() + b / 8] |= static_cast<uint8_t>(0x80 >> (b % 8));
      }
    }
  }
  return out;
}

uint32_t GlyphOffset(FontShape shape, uint32_t index) {
  return kFontHeader + index / shape.PerUnit() * kUnit + index % shape.PerUnit() * shape.GlyphBytes();
}

Bytes GaijiFontBytes(FontShape shape, uint16_t startCode, uint32_t glyphs) {
  std::vector<Bytes> patterns;
  for (uint32_t i = 0; i < glyphs; ++i) patterns.push_back(GlyphPattern(shape, i));
  return GaijiFontFile(shape, startCode, patterns);
}

Bytes GaijiFontFile(FontShape shape, uint16_t startCode, const std::vector<Bytes>& glyphs) {
  const auto count = static_cast<uint32_t>(glyphs.size());
  const uint32_t units = (count + shape.PerUnit() - 1) / shape.PerUnit();
  Bytes out(kFontHeader + units * kUnit, 0);
  out[8] = static_cast<uint8_t>(shape.NominalWidth());
  out[9] = static_cast<uint8_t>(shape.size);
  PutBe16(out, 10, startCode);
  PutBe16(out, 12, static_cast<uint16_t>(count));
  for (uint32_t i = 0; i < count; ++i) {
    const Bytes& glyph = glyphs[i];
    std::copy_n(glyph.begin(), std::min<size_t>(glyph.size(), shape.GlyphBytes()),
                out.begin() + static_cast<std::ptrdiff_t>(GlyphOffset(shape, i)));
  }
  return out;
}

Bytes MonoPictureBits(uint32_t first, uint32_t second) {
  Bytes out(static_cast<size_t>(uint64_t{first} * second / 8));
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(i * 37 + 11);
  return out;
}

Bytes MonoPictureReference(uint32_t first, uint32_t second, const std::string& caption,
                           uint32_t block, uint32_t offset) {
  Bytes out{kEsc, 0x44, 0x00, 0x00};
  Append(out, Bcd(first, 4));
  Append(out, Bcd(second, 4));
  Append(out, caption);
  AppendBytes(out, {kEsc, 0x64});
  Append(out, Bcd(block, 4));
  Append(out, Bcd(offset, 2));
  return out;
}

Bytes JpegLikeFile() {
  Bytes out{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01, 0x00,
            0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x08};
  // Entropy-coded bytes, including the escape byte the text uses.
  for (uint32_t i = 0; i < 300; ++i) out.push_back(static_cast<uint8_t>((i * 73 + 0x1F) % 251));
  AppendBytes(out, {0xFF, 0xD9});
  return out;
}

Bytes ColourPictureData(const Bytes& file) {
  Bytes out{'d', 'a', 't', 'a'};
  AppendLe32(out, static_cast<uint32_t>(file.size()));
  Append(out, file);
  return out;
}

Bytes ColourPictureReference(uint32_t block, uint32_t offset, const std::string& caption) {
  Bytes out(14, 0);
  out[0] = kEsc;
  out[1] = 0x4D;
  Append(out, Bcd(block, 4));
  Append(out, Bcd(offset, 2));
  Append(out, caption);
  AppendBytes(out, {kEsc, 0x6D});
  return out;
}

Bytes SoundBytes(size_t n) {
  Bytes out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i * 131 + 7);
  return out;
}

Bytes SoundDataReference(const SoundDataRef& ref) {
  Bytes out{kEsc, 0x4A, 0x00, ref.kindByte, ref.format1, ref.format2};
  Append(out, Bcd(ref.startBlock, 4));
  Append(out, Bcd(ref.startOffset, 2));
  Append(out, Bcd(ref.endBlock, 4));
  Append(out, Bcd(ref.endOffset, 2));
  Append(out, ref.caption);
  AppendBytes(out, {kEsc, 0x6A});
  return out;
}

Bytes SoundValuesReference(const std::array<uint8_t, 5>& values, const std::string& caption) {
  Bytes out{kEsc, 0x48, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::array<size_t, 5> at{2, 4, 5, 8, 9};
  for (size_t v = 0; v < values.size(); ++v) out[at[v]] = Bcd(values[v], 1)[0];
  Append(out, caption);
  AppendBytes(out, {kEsc, 0x68});
  return out;
}

}  // namespace tomeshelf::writer
