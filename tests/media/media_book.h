// A book whose text file holds pictures, sound and one heading, at known places.
#ifndef TOMESHELF_TESTS_MEDIA_MEDIA_BOOK_H_
#define TOMESHELF_TESTS_MEDIA_MEDIA_BOOK_H_

#include <gtest/gtest.h>

#include "api/library.h"
#include "media_fixture.h"

namespace tomeshelf::testing {

class MediaBookTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kHeadingBlock = 10;
  static constexpr uint32_t kMonoBlock = 20, kMonoOffset = 100;
  static constexpr uint32_t kBmpBlock = 30, kBmpOffset = 10;
  static constexpr uint32_t kJpegBlock = 31, kJpegOffset = 2000;  // runs into the next block
  static constexpr uint32_t kSoundBlock = 100, kSoundEndBlock = 101, kSoundEndOffset = 512;
  static constexpr uint32_t kSoundBytes = 2560;

  void SetUp() override {
    TextFileBuilder text;
    const std::string heading = "HEADING";
    Bytes head(heading.begin(), heading.end());
    head.push_back(0x1F);
    head.push_back(0x0A);
    text.Put(Offset(kHeadingBlock), head);
    text.Put(Offset(kMonoBlock, kMonoOffset), MonoPictureBits(64, 48));
    text.Put(Offset(kBmpBlock, kBmpOffset), ColourPictureData(SmallBmpFile()));
    text.Put(Offset(kJpegBlock, kJpegOffset), ColourPictureData(JpegLikeFile()));
    text.Put(Offset(kSoundBlock), SoundBytes(kSoundBytes));
    BookFiles book;
    book.entry = {0x00, "Media", "DICT", {}};
    book.honmon = text.Build();
    PutBook(platform, book);
    ASSERT_EQ(lib.OpenEpwing(kMemoryRoot.c_str()), 1);
    ASSERT_EQ(lib.epwBooksOpen(), 1);
    lib.book()->Hits().AppendHit(Offset(kHeadingBlock + 1), Offset(kHeadingBlock));
  }

  // A read of the text file somewhere else: the heading of hit 0.
  void ReadElsewhere() {
    std::array<unsigned char, 500> item{};
    WordItemRecord record{};
    record.itemBuffer = item.data();
    ASSERT_EQ(lib.epwGetWordItem(0, &record), 1);
    ASSERT_STREQ(reinterpret_cast<const char*>(item.data()), "HEADING");
  }

  const Bytes& Text() { return platform.files[MemoryTextPath(kMemoryRoot, "DICT")]; }
  Bytes TextAt(uint32_t offset, size_t n) {
    return Bytes(Text().begin() + offset, Text().begin() + offset + n);
  }

  MemoryPlatform platform;
  Library lib{platform};
};

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_MEDIA_MEDIA_BOOK_H_
