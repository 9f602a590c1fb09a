// Pictures, sound and gaiji through the exports on in-memory discs. Gaiji: every font shape
// the writer makes drawn three ways against its own pattern, then the edges.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <set>
#include <utility>

#include "api/library.h"
#include "media/gaiji_fonts.h"
#include "support/memory_disc.h"

namespace tomeshelf {
namespace {

using testing::FontShape;
using testing::GlyphInk;
using PixelSet = std::set<std::pair<int32_t, int32_t>>;

const std::string kRoot = "M:\\DISC";
constexpr uint16_t kStart = 0xA121;
constexpr uint32_t kInk = 0x00AABBCC, kPaper = 0x00102030;  // 0x00BBGGRR
constexpr FontShape kFull16{true, 16}, kFull24{true, 24}, kHalf16{false, 16};

uint32_t CodeOf(uint32_t index) {
  return ((kStart >> 8) + index / 94) << 8 | ((kStart & 0xFF) + index % 94);
}

class GaijiTest : public ::testing::Test {
 protected:
  // Bit i of `named` and `present` stands for AllFontShapes()[i], the order of the
  // catalog's font fields. Each font written holds 200 glyphs.
  void Open(unsigned named = 0xFF, unsigned present = 0xFF) {
    testing::BookFiles book{{0x00, "Gaiji", "DICT", {}}, testing::TextFileBuilder().Build(), {}};
    const auto shapes = testing::AllFontShapes();
    for (size_t i = 0; i < shapes.size(); ++i) {
      const std::string name = "GF" + shapes[i].Name();
      if (named >> i & 1) book.entry.fonts[i] = name;
      if (present >> i & 1) book.fonts[name] = GaijiFontBytes(shapes[i], kStart, 200);
    }
    testing::PutMemoryDisc(platform, kRoot, {book});
    ASSERT_EQ(lib.OpenEpwing(kRoot.c_str()), 1);
    ASSERT_EQ(lib.epwBooksOpen(), 1);
  }
  // Replaces a font file; the fonts are read again when the book opens.
  void Reopen(FontShape s, testing::Bytes font) {
    lib.epwBooksClose();
    platform.files[kRoot + "\\DICT\\gaiji\\GF" + s.Name()] = std::move(font);
    ASSERT_EQ(lib.epwBooksOpen(), 1);
  }
  int32_t Bmp(uint32_t code, FontShape s) {
    return lib.epwExCode2Bmp(code, s.size, s.fullWidth, 0, 0, kInk, kPaper, nullptr);
  }
  PixelSet Pixels(uint32_t code, FontShape s, int32_t left, int32_t top, int32_t right,
                  int32_t bottom) {
    platform.pixels.clear();
    EXPECT_EQ(lib.epwShowExCodePixel(code, s.size, s.fullWidth, left, top, right, bottom, kInk,
                                     nullptr), 1);
    PixelSet out;
    for (const auto& p : platform.pixels) out.insert({p.x, p.y + (p.colour == kInk ? 0 : 9999)});
    EXPECT_EQ(out.size(), platform.pixels.size());
    return out;
  }

  testing::MemoryPlatform platform;
  Library lib{platform};
};

TEST_F(GaijiTest, EveryFontDrawsItsPatternExactly) {
  Open();
  for (const FontShape& s : testing::AllFontShapes()) {
    SCOPED_TRACE(s.Name());
    platform.stretches.clear();
    platform.bitmaps.clear();
    const uint32_t w = s.DrawnWidth(), h = s.size;
    // The 24-bit image: bottom row first (positive height), one plane, no compression.
    ASSERT_EQ(lib.epwShowExCode(CodeOf(95), s.size, s.fullWidth, 5, 7, 105, 207, kInk, kPaper,
                                nullptr), 1);
    const auto& st = platform.stretches.at(0);
    EXPECT_EQ(std::vector<int64_t>({st.left, st.top, st.width, st.height, st.imageWidth,
                                     st.imageHeight}),
              std::vector<int64_t>({5, 7, 100, 200, w, h}));
    const uint32_t header[] = {40, w, h, 1u | 24u << 16, 0, w * h * 3, 0, 0, 0, 0};
    const auto* headerBytes = reinterpret_cast<const uint8_t*>(header);
    EXPECT_EQ(st.header, testing::Bytes(headerBytes, headerBytes + 40));
    ASSERT_EQ(st.pixels.size(), w * h * 3);
    for (uint32_t i = 0; i < w * h; ++i) {
      const uint8_t* p = st.pixels.data() + ((h - 1 - i / w) * w + i % w) * 3;
      const bool ink = GlyphInk(s, 95, i / w, i % w);
      ASSERT_EQ(testing::Bytes(p, p + 3), ink ? testing::Bytes({0xAA, 0xBB, 0xCC})
                                              : testing::Bytes({0x10, 0x20, 0x30})) << i;
    }
    // The monochrome bitmap: rows complemented, padded with white to whole 16-bit words.
    ASSERT_EQ(Bmp(CodeOf(40), s), 1);
    const MonoBitmap& bm = platform.bitmaps.at(0);
    EXPECT_EQ(std::vector<int64_t>({bm.width, bm.height, bm.stride}),
              std::vector<int64_t>({s.NominalWidth(), s.size, s.Stride()}));
    ASSERT_EQ(bm.bits.size(), s.Stride() * s.size);
    const auto pattern = testing::GlyphPattern(s, 40);
    for (uint32_t i = 0; i < bm.bits.size(); ++i) {
      const uint32_t r = i / s.Stride(), k = i % s.Stride();
      ASSERT_EQ(bm.bits[i], k < s.RowBytes() ? ~pattern[r * s.RowBytes() + k] & 0xFF : 0xFF)
          << i;
    }
    // Ink pixels at half, the nominal and double size: half keeps the odd rows and columns.
    // Every bit the image shows counts, so the 30-dot fonts' padding bits land past the right
    // edge (at half size, the 15-dot width has no odd columns to keep).
    for (int32_t halves : {1, 2, 4}) {
      if (halves == 1 && s.NominalWidth() % 2) continue;
      const int32_t sw = w * halves / 2, sh = h * halves / 2;
      PixelSet want;
      for (int32_t i = 0; i < sw * sh; ++i) {
        const int32_t x = i % sw, y = i / sw;
        const int32_t row = (2 * y + 1) / halves, bit = (2 * x + 1) / halves;
        if (GlyphInk(s, 7, row, bit)) want.insert({10 + x, 20 + y});
      }
      EXPECT_EQ(Pixels(CodeOf(7), s, 10, 20, 10 + s.NominalWidth() * halves / 2, 20 + sh), want)
          << halves << " halves";
    }
  }
}

// Which codes a font holds (from the start in its bytes ten and eleven, as many as it has
// glyphs, none cut short by the file's end) and which slot a size and width choose. An
// unnamed, missing or headerless font leaves only its slot empty.
TEST_F(GaijiTest, CodesSizesWidthKindsAndSlots) {
  Open(0x7F, 0xFD);  // half-width 48 unnamed, full-width 24 not on the disc
  Reopen(kHalf16, testing::Bytes(13));
  for (const FontShape& s : testing::AllFontShapes()) {
    const bool empty = s.Name() == kHalf16.Name() || s.Name() == kFull24.Name() ||
                       s.Name() == FontShape{false, 48}.Name();
    EXPECT_EQ(Bmp(kStart, s), empty ? -1 : 1) << s.Name();
  }
  EXPECT_EQ(platform.openFiles, 6);  // five fonts and the text file
  // 200 glyphs fill 7 units of 32: the file holds glyph slots 0 to 223.
  for (uint32_t code : {0xA120u, 0xA17Fu, 0xA021u, 0xA1FFu, CodeOf(224), 0xFF21u}) {
    EXPECT_EQ(Bmp(code, kFull16), -2) << std::hex << code;
  }
  EXPECT_EQ(Bmp(CodeOf(223), kFull16), 1);
  ASSERT_EQ(lib.epwShowExCode(kStart, 30, 1, 0, 0, 30, 30, kInk, kPaper, nullptr), 1);
  ASSERT_EQ(lib.epwShowExCode(kStart, 32, 1, 0, 0, 30, 30, kInk, kPaper, nullptr), 1);
  EXPECT_EQ(platform.stretches.at(0).pixels, platform.stretches.at(1).pixels);
  EXPECT_EQ(Bmp(kStart, {true, 40}), -1);   // slot 5 never holds a font
  EXPECT_EQ(Bmp(kStart, {true, 20}), -2);   // slot of the open 16-dot font
  EXPECT_EQ(Bmp(kStart, {false, 20}), -1);  // no half-width 16-dot font
  EXPECT_EQ(Bmp(kStart, {true, 200}), -1);  // past the last slot
  EXPECT_EQ(lib.epwExCode2Bmp(kStart, 16, 2, 0, 0, 0, 0, nullptr), -2);
  EXPECT_EQ(lib.epwShowExCodePixel(kStart, 16, -1, 0, 0, 9, 9, kInk, nullptr), -2);
  EXPECT_EQ(lib.epwExCode2Bmp(kStart, 0x100 | 16, 0x100 | 1, 0, 0, 0, 0, nullptr), 1);
  // Empty or reversed rectangles draw nothing.
  for (const auto& r : {std::array<int32_t, 4>{10, 10, 10, 40}, {10, 10, 40, 10},
                        {40, 10, 10, 40}, {10, 40, 40, 10}}) {
    EXPECT_EQ(Pixels(kStart, kFull16, r[0], r[1], r[2], r[3]), PixelSet()) << r[2] << r[3];
  }
  Reopen(kFull16, GaijiFontBytes(kFull16, 0xB05A, 200));
  ASSERT_EQ(Bmp(0xB05A, kFull16), 1);
  EXPECT_EQ(platform.bitmaps.back().bits[0], (~testing::GlyphPattern(kFull16, 0)[0]) & 0xFF);
  for (uint32_t code : {0xB059u, 0xAF7Eu, 0xB121u}) EXPECT_EQ(Bmp(code, kFull16), -2) << code;
  for (uint32_t cut : {1u, 0u}) {
    testing::Bytes font = GaijiFontBytes(kFull24, kStart, 200);
    font.resize(testing::GlyphOffset(kFull24, 30) + kFull24.GlyphBytes() - cut);
    Reopen(kFull24, font);
    EXPECT_EQ(Bmp(CodeOf(29), kFull24), 1);
    EXPECT_EQ(Bmp(CodeOf(30), kFull24), cut ? -2 : 1);
  }
}

TEST(GaijiFontTableTest, FontPathLongerThan255CharactersIsRefusedAndFailedCloseReported) {
  std::string names(kFontNamesSize, '\0');
  names.replace(0, 8, "GF16FULL");
  testing::MemoryPlatform platform;
  for (size_t dirLength : {246u, 247u}) {  // with "\" and the name: 255 and 256 characters
    const std::string dir = "G:" + std::string(dirLength - 2, 'd');
    platform.files[dir + "\\GF16FULL"] = testing::GaijiFontBytes(kFull16, kStart, 1);
    GaijiFonts fonts;
    fonts.OpenGaijiFonts(platform, dir, names.data());
    EXPECT_EQ(fonts.Slot(WidthKind::kFull, 2) != nullptr, dirLength == 246) << dirLength;
    platform.faults.failClose = true;  // only an open font has a close to fail
    EXPECT_EQ(fonts.CloseGaijiFonts(), dirLength == 247) << dirLength;
  }
}

// Pictures and sound.
using testing::Bytes;
using testing::ColourPictureReference;
using testing::MonoPictureReference;
using testing::Offset;
using testing::SoundDataRef;
using testing::SoundDataReference;

constexpr uint32_t kHeadingBlock = 10, kMonoBlock = 20, kMonoOffset = 100;
constexpr uint32_t kColourBlock = 31, kColourOffset = 2000;  // runs into the next block
constexpr uint32_t kSoundBlock = 100, kLastBlock = 101;

// The first `keep` bytes of a reference, then filler up to the end-code search's bound of
// 4096 bytes: the sanitizer shows any byte read past it.
Bytes Unended(const Bytes& reference, std::ptrdiff_t keep) {
  Bytes out(4096, 'A');
  std::copy(reference.begin(), reference.begin() + keep, out.begin());
  return out;
}

Bytes WithoutEscape(Bytes reference) {
  reference[0] = 0x1E;
  return reference;
}

class MediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::TextFileBuilder text;
    text.Put(Offset(kHeadingBlock), Bytes{'H', 'E', 'A', 'D', 0x1F, 0x0A});
    text.Put(Offset(kMonoBlock, kMonoOffset), testing::MonoPictureBits(64, 48));
    text.Put(Offset(kColourBlock, kColourOffset), testing::ColourPictureData(kFile));
    text.Put(Offset(kSoundBlock), testing::SoundBytes(2560));
    testing::BookFiles book{{0x00, "Media", "DICT", {}}, text.Build(), {}};
    testing::PutMemoryDisc(platform, kRoot, {book});
    ASSERT_EQ(lib.OpenEpwing(kRoot.c_str()), 1);
    ASSERT_EQ(lib.epwBooksOpen(), 1);
    ASSERT_EQ(book.honmon.size(), Offset(kLastBlock + 1));
    lib.book()->Hits().AppendHit(Offset(kHeadingBlock + 1), Offset(kHeadingBlock));
  }
  int32_t Size(const Bytes& ref) {
    caption.fill('\x55');
    return lib.epwGetImageSize(ref.data(), caption.data());
  }
  int32_t Data(const Bytes& ref) {
    buffer.assign(64 * 1024, 0xEE);
    return lib.epwGetImage(ref.data(), buffer.data(), &kind);
  }
  int32_t PcmSize(const SoundDataRef& ref) {
    return lib.epwGetPcmSize(SoundDataReference(ref).data());
  }
  int32_t Cont() {
    buffer.assign(4096, 0xEE);
    return lib.epwGetPcmCont(12345, buffer.data());
  }
  int32_t Prop(const Bytes& ref) {
    std::memset(&prop, 0xEE, sizeof prop);
    return lib.epwGetSoundProp(ref.data(), &prop);
  }
  Bytes Got(size_t from, size_t n) const { return Bytes(&buffer[from], &buffer[from + n]); }

  const Bytes kFile = testing::JpegLikeFile();
  const Bytes kMono = MonoPictureReference(64, 48, "Fig. 1", kMonoBlock, kMonoOffset);
  const Bytes kColour = ColourPictureReference(kColourBlock, kColourOffset, "Photo");
  const SoundDataRef kSound{0x01, 0, 0, kSoundBlock, 0, kLastBlock, 512, "Bell"};
  testing::MemoryPlatform platform;
  Library lib{platform};
  std::array<char, 5000> caption{};
  Bytes buffer;
  ImageKind kind = -1;
  SoundProp prop{};
};

TEST_F(MediaTest, DataCallsReadOnceWhatTheirSizeCallsFoundWhateverCameBetween) {
  ASSERT_EQ(Size(kColour), static_cast<int32_t>(kFile.size()));
  ASSERT_EQ(PcmSize(kSound), 2560);
  std::array<unsigned char, 500> heading{};  // a read of the text file somewhere else
  WordItemRecord record{};
  record.itemBuffer = heading.data();
  ASSERT_EQ(lib.epwGetWordItem(0, &record), 1);
  EXPECT_EQ(Data(kMono), -2);  // a picture of the other kind than the one prepared
  EXPECT_EQ(kind, -1);
  ASSERT_EQ(Data(kColour), static_cast<int32_t>(kFile.size()));
  EXPECT_EQ(kind, 1);
  EXPECT_EQ(Got(0, kFile.size()), kFile);
  EXPECT_EQ(buffer[kFile.size()], 0xEE);
  EXPECT_EQ(Data(kColour), -2);
  ASSERT_EQ(Cont(), 2560);
  EXPECT_EQ(Got(0, 2560), testing::SoundBytes(2560));
  EXPECT_EQ(buffer[2560], 0xEE);
  EXPECT_EQ(Cont(), -2);

  ASSERT_EQ(Size(kMono), 392);
  EXPECT_STREQ(caption.data(), "Fig. 1");
  EXPECT_EQ(caption[7], '\x55');  // nothing copied past the end code
  // Not a picture, or not the one prepared.
  EXPECT_EQ(Data(SoundDataReference(kSound)) + Data(WithoutEscape(kMono)) + Data(kColour), -6);
  ASSERT_EQ(Data(kMono), 384);
  EXPECT_EQ(kind, 0);
  EXPECT_EQ(Got(0, 8), (Bytes{0x40, 0, 0, 0, 0x30, 0, 0, 0}));
  EXPECT_EQ(buffer[392], 0xEE);
}

// Each reference asked for its size with a picture or a sound pending; then the data call
// reads its data if it has a size, else that of the one still pending (-2: none is).
TEST_F(MediaTest, SizesRefusedEmptyOrCutShortAndWhatStaysPending) {
  struct Case {
    Bytes ref;
    bool sound;
    int32_t size;
    std::optional<int32_t> data;
  };
  const auto mono = [](uint32_t first, uint32_t second) {
    return MonoPictureReference(first, second, "", kMonoBlock, 0);
  };
  const auto sound = [](uint32_t block, uint32_t offset, uint32_t endBlock, uint32_t end) {
    return SoundDataReference({0x01, 0, 0, block, offset, endBlock, end, ""});
  };
  const Bytes soundOfKind2 = SoundDataReference({0x02, 0, 0, kSoundBlock, 0, kLastBlock, 512, ""});
  const Case cases[] = {
      // Whole bytes of the product, plus the header; past the result's range refused.
      {mono(3, 5), false, 9, 1}, {mono(1, 7), false, 8, -2}, {mono(0, 48), false, 8, -2},
      {mono(46340, 46340), false, 268424458, {}}, {mono(46341, 46341), false, -2, -2},
      {mono(99999999, 99999999), false, -2, -2}, {SoundDataReference(kSound), false, -2, 384},
      {WithoutEscape(kMono), false, -2, 384},
      {Unended(MonoPictureReference(64, 48, "", 1, 0), 12), false, -2, 384},
      {Unended(ColourPictureReference(1, 0, ""), 20), false, -2, 384},
      {ColourPictureReference(5000, 0, ""), false, -1, 384},  // past the file end
      {MonoPictureReference(64, 48, "", kLastBlock, 2038), false, 392, 10},  // cut by the end
      {sound(kLastBlock, 2000, kLastBlock + 1, 0), true, 48, 48},
      {sound(kLastBlock + 5, 2000, kLastBlock + 6, 0), true, 48, 0},
      {sound(kSoundBlock, 0, kSoundBlock, 0), true, 0, -2},    // empty
      {sound(kSoundBlock, 10, kSoundBlock, 9), true, -2, -2},  // ends before it starts
      {sound(1, 0, 99999999, 0), true, -2, -2},                // too long
      {soundOfKind2, true, -2, 2560}, {testing::SoundValuesReference({}, ""), true, -2, 2560},
      {ColourPictureReference(1, 0, ""), true, -2, 2560},
      {WithoutEscape(SoundDataReference(kSound)), true, -2, 2560}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    if (c.sound) {
      ASSERT_EQ(PcmSize(kSound), 2560);
      EXPECT_EQ(lib.epwGetPcmSize(c.ref.data()), c.size) << i;
      EXPECT_EQ(Cont(), c.data) << i;
      continue;
    }
    ASSERT_EQ(Size(kMono), 392);
    EXPECT_EQ(Size(c.ref), c.size) << i;
    if (c.size == -2) { EXPECT_EQ(caption[0], '\x55') << i; }
    if (c.data) { EXPECT_EQ(Data(c.size > 0 ? c.ref : kMono), c.data) << i; }
  }
}

TEST_F(MediaTest, SoundPropertiesOfEachKind) {
  // The kind is the low half of byte 3. Sound data of another kind gives values from bytes 3,
  // 5, 6, 9 and 10 (the kind, the second format byte, the start's first and last block bytes
  // and its first offset byte), and its caption from byte 13 up to its own end code.
  const Bytes other = SoundDataReference({0x02, 0, 0x45, 12345678, 9012, kLastBlock, 512, "X"});
  struct Case {
    Bytes ref;
    uint8_t kind;
    Bytes values, format, caption;
  };
  const Case cases[] = {
      {SoundDataReference({0xF1, 0x12, 0x34, 1, 0, 2, 0, "Bell"}), 1, Bytes(5, 0xEE),
       {2, 1, 3, 4}, {'B', 'e', 'l', 'l'}},
      {testing::SoundValuesReference({1, 22, 33, 44, 99}, "Chime"), 0, {1, 22, 33, 44, 99},
       Bytes(4, 0xEE), {'C', 'h', 'i', 'm', 'e'}},
      {other, 0, {2, 45, 12, 78, 90}, Bytes(4, 0xEE), Bytes(&other[13], &other.back() - 1)},
      {SoundDataReference({0x01, 0, 0, 1, 0, 2, 0, std::string(250, 'c')}), 1, Bytes(5, 0xEE),
       Bytes(4, 0), Bytes(200, 'c')}};  // the caption cut at 200 bytes
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    ASSERT_EQ(Prop(c.ref), 1) << i;
    EXPECT_EQ(prop.kind, c.kind) << i;
    EXPECT_EQ(Bytes(prop.values, prop.values + 5), c.values) << i;
    EXPECT_EQ(Bytes(prop.format, prop.format + 4), c.format) << i;
    EXPECT_EQ(Bytes(prop.caption, prop.caption + c.caption.size()), c.caption) << i;
    EXPECT_EQ(prop.caption[c.caption.size()], '\0') << i;
  }
  const Bytes refused[] = {ColourPictureReference(1, 0, ""),
                           Unended(SoundDataReference(kSound), 18),
                           WithoutEscape(SoundDataReference(kSound))};
  for (const Bytes& bad : refused) {
    EXPECT_EQ(Prop(bad), -2);
    EXPECT_EQ(prop.kind, 0xEE);  // the record is left as it was
    EXPECT_EQ(static_cast<uint8_t>(prop.caption[0]), 0xEE);
  }
}

}  // namespace
}  // namespace tomeshelf
