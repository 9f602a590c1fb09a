#include "media/glyph.h"

#include <span>

namespace tomeshelf {

namespace {

constexpr uint32_t kByteMask = 0xFF;
constexpr uint32_t kBitsPerByte = 8;
constexpr uint32_t kTopBit = 0x80;

struct GeometryRow {
  WidthKind width;
  uint32_t key;
  GlyphGeometry geometry;
};

// Height, row bytes, drawn width, nominal width, bitmap stride.
constexpr std::array<GeometryRow, 8> kGeometries = {{
    {WidthKind::kFull, 16, {16, 2, 16, 16, 2}},
    {WidthKind::kFull, 24, {24, 3, 24, 24, 4}},
    {WidthKind::kFull, 32, {30, 4, 32, 30, 4}},
    {WidthKind::kFull, 48, {48, 6, 48, 48, 6}},
    {WidthKind::kHalf, 16, {16, 1, 8, 8, 2}},
    {WidthKind::kHalf, 24, {24, 2, 12, 12, 2}},
    {WidthKind::kHalf, 32, {30, 2, 16, 15, 2}},
    {WidthKind::kHalf, 48, {48, 3, 24, 24, 4}},
}};

}  // namespace

std::optional<GlyphGeometry> GeometryOf(WidthKind width, uint32_t key) {
  for (const auto& row : kGeometries) {
    if (row.width == width && row.key == key) return row.geometry;
  }
  return std::nullopt;
}

std::optional<uint64_t> LocateGlyph(const GaijiFont& font, uint32_t code,
                                    const GlyphGeometry& geometry) {
  const uint32_t first = (code >> kBitsPerByte) & kByteMask;
  const uint32_t second = code & kByteMask;
  const uint32_t startFirst = uint32_t{font.startCode} >> kBitsPerByte;
  const uint32_t startSecond = uint32_t{font.startCode} & kByteMask;
  if (first < startFirst || second < startSecond || second > kLastCell) return std::nullopt;

  const uint64_t index = uint64_t{first - startFirst} * kCellsPerRow + (second - startSecond);
  const uint64_t perUnit = geometry.GlyphsPerUnit();
  const uint64_t offset = kFontHeaderSize + index / perUnit * kGlyphUnitSize +
                          index % perUnit * geometry.GlyphBytes();
  // The file's size bounds the codes: only glyphs held whole by the file are found.
  if (offset + geometry.GlyphBytes() > font.fileSize) return std::nullopt;
  return offset;
}

bool Glyph::Ink(uint32_t row, uint32_t bit) const {
  const uint8_t byte = bytes[row * geometry.rowBytes + bit / kBitsPerByte];
  return (byte & (kTopBit >> (bit % kBitsPerByte))) != 0;
}

Status LoadGlyph(GaijiFonts& fonts, uint32_t code, int32_t size, int32_t widthKind, Glyph& out) {
  const uint32_t kind = static_cast<uint32_t>(widthKind) & kByteMask;
  if (kind != static_cast<uint32_t>(WidthKind::kHalf) &&
      kind != static_cast<uint32_t>(WidthKind::kFull)) {
    return Status::kRefused;
  }
  const auto width = static_cast<WidthKind>(kind);
  const uint32_t key = SizeKey(static_cast<uint32_t>(size) & kByteMask);
  GaijiFont* font = fonts.Slot(width, SlotOf(key));
  if (!font) return Status::kNoState;

  const auto geometry = GeometryOf(width, key);
  if (!geometry) return Status::kRefused;
  const auto offset = LocateGlyph(*font, code, *geometry);
  if (!offset) return Status::kRefused;

  out.geometry = *geometry;
  out.bytes.fill(0);
  const auto got = font->file->ReadAt(*offset, std::span<uint8_t>(out.bytes));
  if (!got) return Status::kIoError;
  if (*got < geometry->GlyphBytes()) return Status::kRefused;
  return Status::kOk;
}

}  // namespace tomeshelf
