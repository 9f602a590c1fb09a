// Finding an external character's glyph in its font file and reading it.
#ifndef TOMESHELF_MEDIA_GLYPH_H_
#define TOMESHELF_MEDIA_GLYPH_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "base/status.h"
#include "media/gaiji_fonts.h"

namespace tomeshelf {

inline constexpr uint32_t kFontHeaderSize = 2048;
inline constexpr uint32_t kGlyphUnitSize = 1024;
inline constexpr uint32_t kCellsPerRow = 94;
inline constexpr uint32_t kLastCell = 0x7E;
// Every glyph read takes this many bytes: the largest glyph, full-width 48 dots.
inline constexpr size_t kGlyphReadSize = 288;

// The shape of the glyphs of one font.
struct GlyphGeometry {
  uint32_t height = 0;        // rows
  uint32_t rowBytes = 0;      // bytes per row
  uint32_t drawnWidth = 0;    // bits of a row that become pixels (padding columns included)
  uint32_t nominalWidth = 0;  // width of the character itself
  uint32_t stride = 0;        // row bytes of the monochrome bitmap: rowBytes made even

  uint32_t GlyphBytes() const { return rowBytes * height; }
  uint32_t GlyphsPerUnit() const { return kGlyphUnitSize / GlyphBytes(); }
};

// The geometry for a size key (16, 24, 32 for the 30-dot fonts, 48); nullopt for any other.
std::optional<GlyphGeometry> GeometryOf(WidthKind width, uint32_t key);

// The file offset of a code's glyph, or nullopt when the code lies outside the font: before
// its start code, a cell past 0x7E, or a glyph whose bytes do not all lie inside the file.
std::optional<uint64_t> LocateGlyph(const GaijiFont& font, uint32_t code,
                                    const GlyphGeometry& geometry);

struct Glyph {
  GlyphGeometry geometry;
  std::array<uint8_t, kGlyphReadSize> bytes{};

  // Bit `bit` of row `row`, counted from the left; 1 is ink.
  bool Ink(uint32_t row, uint32_t bit) const;
};

// Finds and reads the glyph of a code for the drawing calls: size and width kind as the
// caller passed them (their low 8 bits count). kRefused for a width kind that is neither 0
// nor 1, a size that is not 16, 24, 30, 32 or 48, or a code outside the font; kNoState
// when the slot of the size is empty; kIoError when the read fails. A read that delivers
// fewer bytes than the glyph needs means the file no longer holds the glyph: kRefused.
Status LoadGlyph(GaijiFonts& fonts, uint32_t code, int32_t size, int32_t widthKind, Glyph& out);

}  // namespace tomeshelf

#endif  // TOMESHELF_MEDIA_GLYPH_H_
