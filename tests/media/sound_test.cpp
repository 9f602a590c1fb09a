#include <gtest/gtest.h>

#include <cstring>

#include "media_book.h"

namespace tomeshelf {
namespace {

using testing::Bytes;
using testing::Offset;
using testing::SoundDataRef;
using testing::SoundDataReference;

class SoundTest : public testing::MediaBookTest {
 protected:
  SoundDataRef Whole() const {
    SoundDataRef r;
    r.startBlock = kSoundBlock;
    r.endBlock = kSoundEndBlock;
    r.endOffset = kSoundEndOffset;
    r.caption = "Bell";
    return r;
  }
  int32_t Prop(const Bytes& ref) {
    std::memset(&prop, 0xEE, sizeof prop);
    return lib.epwGetSoundProp(ref.data(), &prop);
  }
  int32_t Cont() {
    buffer.assign(4096, 0xEE);
    return lib.epwGetPcmCont(12345, buffer.data());
  }
  Bytes Got(size_t n) const { return Bytes(buffer.begin(), buffer.begin() + n); }

  SoundProp prop{};
  Bytes buffer;
};

TEST_F(SoundTest, SoundDataIsTheBytesBetweenStartAndEnd) {
  ASSERT_EQ(lib.epwGetPcmSize(SoundDataReference(Whole()).data()), 2560);
  ASSERT_EQ(Cont(), 2560);
  EXPECT_EQ(Offset(kSoundBlock), 202752u);
  EXPECT_EQ(Got(2560), TextAt(202752, 2560));
  EXPECT_EQ(Got(2560), testing::SoundBytes(kSoundBytes));
  EXPECT_EQ(buffer[2560], 0xEE);
}

TEST_F(SoundTest, DataCallReadsWhereTheSizeCallPointedWhateverCameBetween) {
  SoundDataRef part = Whole();
  part.startOffset = 100;
  part.endBlock = kSoundBlock;
  part.endOffset = 300;
  ASSERT_EQ(lib.epwGetPcmSize(SoundDataReference(part).data()), 200);
  ReadElsewhere();
  std::array<char, 64> caption{};
  std::vector<uint8_t> picture(8 + 384);
  ImageKind kind = 0;
  const Bytes mono = testing::MonoPictureReference(64, 48, "", kMonoBlock, kMonoOffset);
  ASSERT_EQ(lib.epwGetImageSize(mono.data(), caption.data()), 392);
  ASSERT_EQ(lib.epwGetImage(mono.data(), picture.data(), &kind), 384);
  ASSERT_EQ(Cont(), 200);
  EXPECT_EQ(Got(200), TextAt(Offset(kSoundBlock, 100), 200));
}

TEST_F(SoundTest, DataCallNeedsAFreshSizeCall) {
  EXPECT_EQ(Cont(), -2);
  ASSERT_EQ(lib.epwGetPcmSize(SoundDataReference(Whole()).data()), 2560);
  ASSERT_EQ(Cont(), 2560);
  EXPECT_EQ(Cont(), -2);
  EXPECT_EQ(buffer[0], 0xEE);
}

TEST_F(SoundTest, EmptyOrBackwardSoundLeavesNothingPending) {
  const Bytes whole = SoundDataReference(Whole());
  SoundDataRef same = Whole();
  same.endBlock = same.startBlock;
  same.endOffset = same.startOffset;
  SoundDataRef backward = Whole();
  backward.startOffset = 10;
  backward.endBlock = kSoundBlock;
  backward.endOffset = 9;
  SoundDataRef tooLong = Whole();
  tooLong.startBlock = 1;
  tooLong.endBlock = 99999999;

  ASSERT_EQ(lib.epwGetPcmSize(whole.data()), 2560);
  EXPECT_EQ(lib.epwGetPcmSize(SoundDataReference(same).data()), 0);
  EXPECT_EQ(Cont(), -2);
  for (const SoundDataRef& bad : {backward, tooLong}) {
    ASSERT_EQ(lib.epwGetPcmSize(whole.data()), 2560);
    EXPECT_EQ(lib.epwGetPcmSize(SoundDataReference(bad).data()), -2);
    EXPECT_EQ(Cont(), -2);
  }
}

TEST_F(SoundTest, OnlySoundDataOfKindOneHasASize) {
  const Bytes whole = SoundDataReference(Whole());
  SoundDataRef kind2 = Whole();
  kind2.kindByte = 0x02;
  Bytes noEscape = whole;
  noEscape[0] = 0x1E;
  ASSERT_EQ(lib.epwGetPcmSize(whole.data()), 2560);
  for (const Bytes& bad : {SoundDataReference(kind2), testing::SoundValuesReference({}, ""),
                           testing::ColourPictureReference(1, 0, ""), noEscape}) {
    EXPECT_EQ(lib.epwGetPcmSize(bad.data()), -2);
  }
  EXPECT_EQ(Cont(), 2560);  // the refused references changed nothing
}

TEST_F(SoundTest, ChangedDiscFailsTheDataCallAndKeepsTheSound) {
  ASSERT_EQ(lib.epwGetPcmSize(SoundDataReference(Whole()).data()), 2560);
  platform.pendingChanges = 1;
  EXPECT_EQ(Cont(), -1);
  EXPECT_EQ(Cont(), 2560);
}

TEST_F(SoundTest, SoundPastTheFileEndGivesWhatWasThere) {
  SoundDataRef r = Whole();
  r.startBlock = kSoundEndBlock;
  r.startOffset = 2000;
  r.endBlock = kSoundEndBlock + 1;
  r.endOffset = 0;
  ASSERT_EQ(lib.epwGetPcmSize(SoundDataReference(r).data()), 48);
  EXPECT_EQ(Cont(), 48);  // the file ends with block 101
  r.startBlock = kSoundEndBlock + 5;
  r.endBlock = kSoundEndBlock + 6;
  ASSERT_EQ(lib.epwGetPcmSize(SoundDataReference(r).data()), 48);
  EXPECT_EQ(Cont(), 0);
  EXPECT_EQ(Cont(), -2);
}

TEST_F(SoundTest, PropertiesOfSoundDataCarryTheFormatHalves) {
  SoundDataRef r = Whole();
  r.kindByte = 0xF1;  // the high half is not read
  r.format1 = 0x12;
  r.format2 = 0x34;
  ASSERT_EQ(Prop(SoundDataReference(r)), 1);
  EXPECT_EQ(prop.kind, 1);
  EXPECT_EQ(Bytes(prop.format, prop.format + 4), (Bytes{2, 1, 3, 4}));
  EXPECT_STREQ(prop.caption, "Bell");
  EXPECT_EQ(Bytes(prop.values, prop.values + 5), Bytes(5, 0xEE));  // the other kind's bytes
}

TEST_F(SoundTest, LongCaptionIsCutAt200Bytes) {
  SoundDataRef r = Whole();
  r.caption = std::string(250, 'c');
  ASSERT_EQ(Prop(SoundDataReference(r)), 1);
  EXPECT_EQ(std::string(prop.caption), std::string(200, 'c'));
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(&prop)[210], 0);
}

TEST_F(SoundTest, SoundDataOfAnotherKindGivesValuesAndEndsAtItsOwnEndCode) {
  SoundDataRef r = Whole();
  r.kindByte = 0x02;
  r.format2 = 0x45;
  r.startBlock = 12345678;
  r.startOffset = 9012;
  r.caption = "X";
  const Bytes ref = SoundDataReference(r);
  ASSERT_EQ(Prop(ref), 1);
  EXPECT_EQ(prop.kind, 0);
  // Bytes 3, 5, 6, 9 and 10: the kind, the second format byte, the start's first and last
  // block bytes and its first offset byte.
  EXPECT_EQ(Bytes(prop.values, prop.values + 5), (Bytes{2, 45, 12, 78, 90}));
  EXPECT_EQ(Bytes(prop.format, prop.format + 4), Bytes(4, 0xEE));
  // The caption is read from byte 13 and stops before the 0x1F 0x6A of this reference.
  const Bytes caption(ref.begin() + 13, ref.end() - 2);
  EXPECT_EQ(Bytes(prop.caption, prop.caption + caption.size()), caption);
  EXPECT_EQ(caption.back(), 'X');
  EXPECT_EQ(prop.caption[caption.size()], '\0');
}

TEST_F(SoundTest, PropertiesOfTheSecondKindAreItsFiveValues) {
  ASSERT_EQ(Prop(testing::SoundValuesReference({1, 22, 33, 44, 99}, "Chime")), 1);
  EXPECT_EQ(prop.kind, 0);
  EXPECT_EQ(Bytes(prop.values, prop.values + 5), (Bytes{1, 22, 33, 44, 99}));
  EXPECT_STREQ(prop.caption, "Chime");
  EXPECT_EQ(Bytes(prop.format, prop.format + 4), Bytes(4, 0xEE));
}

TEST_F(SoundTest, PropertiesRefuseOtherReferencesAndLeaveTheRecord) {
  const Bytes unended = testing::Unended(SoundDataReference(Whole()), 18);
  Bytes noEscape = SoundDataReference(Whole());
  noEscape[0] = 0x1E;
  for (const Bytes& bad : {testing::ColourPictureReference(1, 0, ""), noEscape, unended}) {
    EXPECT_EQ(Prop(bad), -2);
    EXPECT_EQ(prop.kind, 0xEE);
    EXPECT_EQ(static_cast<uint8_t>(prop.caption[0]), 0xEE);
  }
}

TEST_F(SoundTest, NoBookGivesMinusOne) {
  const Bytes ref = SoundDataReference(Whole());
  ASSERT_EQ(lib.epwGetPcmSize(ref.data()), 2560);
  lib.epwBooksClose();
  EXPECT_EQ(Prop(ref), -1);
  EXPECT_EQ(lib.epwGetPcmSize(ref.data()), -1);
  EXPECT_EQ(Cont(), -1);
}

}  // namespace
}  // namespace tomeshelf
