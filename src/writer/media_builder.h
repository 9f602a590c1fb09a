// Media for the book builder: gaiji font files with known glyph patterns, picture data,
// sound data, and the reference bytes that name each, written from the format as
// documented and sharing no code with the library.
#ifndef TOMESHELF_WRITER_MEDIA_BUILDER_H_
#define TOMESHELF_WRITER_MEDIA_BUILDER_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "writer/book_builder.h"

namespace tomeshelf::writer {

// ---- Gaiji fonts ----

struct FontShape {
  bool fullWidth = true;
  uint32_t size = 16;  // 16, 24, 30 or 48 dots: the glyph height

  uint32_t RowBytes() const;      // bytes per glyph row
  uint32_t GlyphBytes() const;    // RowBytes() * size
  uint32_t PerUnit() const;       // glyphs in each 1024-byte unit
  uint32_t DrawnWidth() const;    // pixels of the 24-bit image (30-dot padding included)
  uint32_t NominalWidth() const;  // the character's own width
  uint32_t Stride() const;        // bytes per row of the monochrome bitmap
  std::string Name() const;       // e.g. "Full30"
};

// The eight fonts a book may carry: full-width 16, 24, 30, 48, then half-width.
std::vector<FontShape> AllFontShapes();

// The builder's pattern: whether bit `bit` (0 = leftmost, row padding bits included) of row
// `row` of glyph `index` is ink. Every glyph differs, and padding bits are set in some rows.
bool GlyphInk(FontShape shape, uint32_t index, uint32_t row, uint32_t bit);
// The GlyphBytes() bytes of a glyph: rows top first, most significant bit leftmost.
Bytes GlyphPattern(FontShape shape, uint32_t index);
// File offset of glyph `index` in a font file of this shape.
uint32_t GlyphOffset(FontShape shape, uint32_t index);
// A font file: a 2048-byte header with the start code at bytes 10-11 (big-endian), then
// `glyphs` glyphs of the pattern in whole 1024-byte units (the rest of the last unit zero).
Bytes GaijiFontBytes(FontShape shape, uint16_t startCode, uint32_t glyphs);
// A font file of the given glyphs (GlyphBytes() each; an empty one is left blank), the
// header also holding the nominal width (byte 8), height (byte 9) and count (bytes 12-13).
Bytes GaijiFontFile(FontShape shape, uint16_t startCode, const std::vector<Bytes>& glyphs);

// ---- Pictures ----

// The floor(first * second / 8) bytes of a monochrome picture's bit image.
Bytes MonoPictureBits(uint32_t first, uint32_t second);
// 0x1F 0x44, two bytes, both dimensions (8 BCD digits each), the caption, 0x1F 0x64, and the
// data's block (8 digits) and offset (4 digits).
Bytes MonoPictureReference(uint32_t first, uint32_t second, const std::string& caption,
                           uint32_t block, uint32_t offset);
// A small JFIF-shaped byte string, the escape byte among its bytes.
Bytes JpegLikeFile();
// A colour picture as the text file stores it: 4 bytes, the file's length (little-endian),
// the file.
Bytes ColourPictureData(const Bytes& file);
// 0x1F 0x4D, 12 bytes, block (8 digits) and offset (4 digits), caption, 0x1F 0x6D.
Bytes ColourPictureReference(uint32_t block, uint32_t offset, const std::string& caption);

// ---- Sound ----

Bytes SoundBytes(size_t n);

struct SoundDataRef {
  uint8_t kindByte = 0x01;  // byte 3: low half = sound kind
  uint8_t format1 = 0;      // byte 4
  uint8_t format2 = 0;      // byte 5
  uint32_t startBlock = 0, startOffset = 0, endBlock = 0, endOffset = 0;
  std::string caption;
};
// 0x1F 0x4A, a byte, the kind byte, two format bytes, start and end (block 8 digits, offset
// 4 digits each), caption, 0x1F 0x6A.
Bytes SoundDataReference(const SoundDataRef& ref);
// 0x1F 0x48 with five 2-digit BCD values at bytes 2, 4, 5, 8, 9, caption, 0x1F 0x68.
Bytes SoundValuesReference(const std::array<uint8_t, 5>& values, const std::string& caption);

}  // namespace tomeshelf::writer

#endif  // TOMESHELF_WRITER_MEDIA_BUILDER_H_
