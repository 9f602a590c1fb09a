#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "api/library.h"
#include "support/memory_disc.h"

namespace tomeshelf {
namespace {

using testing::Bytes;
using testing::ColourPictureReference;
using testing::MonoPictureReference;
using testing::Offset;
using testing::SoundDataRef;
using testing::SoundDataReference;

const std::string kRoot = "M:\\DISC";
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
  EXPECT_STREQ(caption.data(), "Photo");
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
  EXPECT_EQ(Got(8, 384), testing::MonoPictureBits(64, 48));
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
