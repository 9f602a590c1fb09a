#include <gtest/gtest.h>

#include <cstring>

#include "media_book.h"

namespace tomeshelf {
namespace {

using testing::Bytes;
using testing::ColourPictureReference;
using testing::MonoPictureReference;
using testing::Offset;

class PictureTest : public testing::MediaBookTest {
 protected:
  int32_t Size(const Bytes& ref) {
    caption.fill('\x55');
    return lib.epwGetImageSize(ref.data(), caption.data());
  }
  int32_t Data(const Bytes& ref) {
    buffer.assign(64 * 1024, 0xEE);
    kind = -1;
    return lib.epwGetImage(ref.data(), buffer.data(), &kind);
  }
  Bytes Got(size_t n) const { return Bytes(buffer.begin(), buffer.begin() + n); }

  std::array<char, 5000> caption{};
  Bytes buffer;
  ImageKind kind = -1;
};

TEST_F(PictureTest, MonochromePictureComesBehindItsDimensions) {
  const Bytes ref = MonoPictureReference(64, 48, "Fig. 1", kMonoBlock, kMonoOffset);
  ASSERT_EQ(Size(ref), 392);
  EXPECT_STREQ(caption.data(), "Fig. 1");
  EXPECT_EQ(caption[7], '\x55');  // nothing copied past the end code
  ASSERT_EQ(Data(ref), 384);
  EXPECT_EQ(kind, 0);
  EXPECT_EQ(Got(8), (Bytes{0x40, 0, 0, 0, 0x30, 0, 0, 0}));
  EXPECT_EQ(Bytes(buffer.begin() + 8, buffer.begin() + 392), testing::MonoPictureBits(64, 48));
  EXPECT_EQ(buffer[392], 0xEE);
}

TEST_F(PictureTest, MonochromeSizeIsTheWholeBytesOfTheProductPlusHeader) {
  struct Case {
    uint32_t first, second;
    int32_t size;
  };
  for (const Case& c : {Case{3, 5, 9}, Case{1, 7, 8}, Case{0, 48, 8}, Case{46340, 46340, 268424458}}) {
    EXPECT_EQ(Size(MonoPictureReference(c.first, c.second, "", kMonoBlock, 0)), c.size)
        << c.first << " x " << c.second;
  }
  // Nothing is pending after a picture of no bytes.
  const Bytes empty = MonoPictureReference(0, 48, "", kMonoBlock, 0);
  ASSERT_EQ(Size(empty), 8);
  EXPECT_EQ(Data(empty), -2);
}

TEST_F(PictureTest, DimensionsWhoseProductOverflowsAreRefusedLeavingNothingPending) {
  const Bytes good = MonoPictureReference(64, 48, "", kMonoBlock, kMonoOffset);
  for (auto [first, second] : {std::pair{65536u, 65536u}, std::pair{99999999u, 99999999u},
                               std::pair{46341u, 46341u}}) {
    ASSERT_EQ(Size(good), 392);
    EXPECT_EQ(Size(MonoPictureReference(first, second, "", kMonoBlock, 0)), -2);
    EXPECT_EQ(Data(good), -2) << first << " x " << second;
  }
}

TEST_F(PictureTest, ColourPicturesAreTheStoredFilesByteForByte) {
  struct Case {
    uint32_t block, offset;
    Bytes file;
  };
  for (const Case& c : {Case{kBmpBlock, kBmpOffset, testing::SmallBmpFile()},
                        Case{kJpegBlock, kJpegOffset, testing::JpegLikeFile()}}) {
    const Bytes ref = ColourPictureReference(c.block, c.offset, "Photo");
    ASSERT_EQ(Size(ref), static_cast<int32_t>(c.file.size()));
    EXPECT_STREQ(caption.data(), "Photo");
    ASSERT_EQ(Data(ref), static_cast<int32_t>(c.file.size()));
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(Got(c.file.size()), c.file);
    EXPECT_EQ(buffer[c.file.size()], 0xEE);
  }
}

TEST_F(PictureTest, DataCallReadsWhereTheSizeCallFoundTheData) {
  const Bytes colour = ColourPictureReference(kJpegBlock, kJpegOffset, "");
  const Bytes mono = MonoPictureReference(64, 48, "", kMonoBlock, kMonoOffset);
  ASSERT_GT(Size(colour), 0);
  ReadElsewhere();
  ASSERT_EQ(Data(colour), static_cast<int32_t>(testing::JpegLikeFile().size()));
  EXPECT_EQ(Got(testing::JpegLikeFile().size()), testing::JpegLikeFile());

  ASSERT_EQ(Size(mono), 392);
  ReadElsewhere();
  ASSERT_EQ(Data(mono), 384);
  EXPECT_EQ(Bytes(buffer.begin() + 8, buffer.begin() + 392), testing::MonoPictureBits(64, 48));
}

TEST_F(PictureTest, DataCallNeedsAFreshSizeCall) {
  const Bytes ref = ColourPictureReference(kBmpBlock, kBmpOffset, "");
  EXPECT_EQ(Data(ref), -2);
  ASSERT_GT(Size(ref), 0);
  EXPECT_GT(Data(ref), 0);
  EXPECT_EQ(Data(ref), -2);
  EXPECT_EQ(buffer[0], 0xEE);
}

TEST_F(PictureTest, ReferencesOfOtherKindsAreRefused) {
  const Bytes good = ColourPictureReference(kBmpBlock, kBmpOffset, "");
  ASSERT_GT(Size(good), 0);
  Bytes sound = testing::SoundDataReference({});
  Bytes noEscape = good;
  noEscape[0] = 0x1E;
  for (const Bytes& bad : {sound, noEscape}) {
    EXPECT_EQ(Size(bad), -2);
    EXPECT_EQ(caption[0], '\x55');
    EXPECT_EQ(Data(bad), -2);
  }
  EXPECT_EQ(Data(good), static_cast<int32_t>(testing::SmallBmpFile().size()));
}

TEST_F(PictureTest, EmptyCaptionIsJustTheTerminator) {
  ASSERT_EQ(Size(MonoPictureReference(8, 8, "", kMonoBlock, 0)), 16);
  EXPECT_EQ(caption[0], '\0');
  EXPECT_EQ(caption[1], '\x55');
  ASSERT_GT(Size(ColourPictureReference(kBmpBlock, kBmpOffset, "")), 0);
  EXPECT_EQ(caption[0], '\0');
  EXPECT_EQ(caption[1], '\x55');
}

TEST_F(PictureTest, ReferenceWithoutItsEndCodeIsRefusedAndReadNoFurther) {
  const Bytes good = MonoPictureReference(64, 48, "", kMonoBlock, kMonoOffset);
  // Each is exactly as long as the bound: the sanitizer shows any byte read past it.
  for (const Bytes& ref : {testing::Unended(MonoPictureReference(64, 48, "", 1, 0), 12),
                           testing::Unended(ColourPictureReference(1, 0, ""), 20)}) {
    ASSERT_EQ(Size(good), 392);
    EXPECT_EQ(Size(ref), -2);
    EXPECT_EQ(caption[0], '\x55');
    EXPECT_EQ(Data(good), 384);  // the earlier picture is still pending
  }
}

TEST_F(PictureTest, ColourLengthPastTheFileEndFails) {
  const Bytes good = MonoPictureReference(64, 48, "", kMonoBlock, kMonoOffset);
  ASSERT_EQ(Size(good), 392);
  EXPECT_EQ(Size(ColourPictureReference(5000, 0, "")), -1);
  EXPECT_EQ(Data(good), 384);
}

TEST_F(PictureTest, ChangedDiscFailsTheDataCallAndKeepsThePictureForARetry) {
  const Bytes ref = ColourPictureReference(kBmpBlock, kBmpOffset, "");
  ASSERT_GT(Size(ref), 0);
  platform.pendingChanges = 1;
  EXPECT_EQ(Data(ref), -1);
  EXPECT_EQ(Data(ref), static_cast<int32_t>(testing::SmallBmpFile().size()));
  EXPECT_EQ(Got(testing::SmallBmpFile().size()), testing::SmallBmpFile());
}

TEST_F(PictureTest, ReadCutShortByTheFileEndGivesWhatItDelivered) {
  const Bytes ref = MonoPictureReference(64, 48, "", kSoundEndBlock, 2038);
  ASSERT_EQ(Text().size(), Offset(kSoundEndBlock + 1));
  ASSERT_EQ(Size(ref), 392);
  EXPECT_EQ(Data(ref), 10);
  EXPECT_EQ(Data(ref), -2);
}

TEST_F(PictureTest, NoBookGivesMinusOne) {
  const Bytes ref = ColourPictureReference(kBmpBlock, kBmpOffset, "");
  ASSERT_GT(Size(ref), 0);
  lib.epwBooksClose();
  EXPECT_EQ(Size(ref), -1);
  EXPECT_EQ(Data(ref), -1);
}

}  // namespace
}  // namespace tomeshelf
