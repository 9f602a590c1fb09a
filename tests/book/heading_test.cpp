#include <gtest/gtest.h>

#include <algorithm>

#include "api/library.h"
#include "search/heading.h"
#include "support/writer.h"
#include "support/memory_disc.h"
#include "support/memory_platform.h"

namespace tomeshelf {
namespace {

using testing::BookFiles;
using testing::Bytes;
using testing::MemoryPlatform;
using testing::TextFileBuilder;

constexpr char kRoot[] = "M:";
constexpr uint8_t kFill = 0x41;    // heading text
constexpr uint8_t kStale = 0xEE;   // what the caller's buffer held before
constexpr size_t kGuard = 16;      // bytes watched on each side of the caller's 500

// A book whose only hit has its heading at the start of a block; the file ends where the
// heading's bytes end when the heading is the last thing in it.
class HeadingTest : public ::testing::Test {
 protected:
  void Open(const Bytes& heading, bool atEndOfFile = false) {
    TextFileBuilder text;
    headingOffset_ = testing::Offset(text.ReserveBlocks(2));
    text.Put(headingOffset_, heading);
    BookFiles book;
    book.entry = {0x00, "Book", "DICT", {}};
    book.honmon = text.Build(!atEndOfFile);
    testing::PutMemoryDisc(platform_, kRoot, {book});
    ASSERT_EQ(lib_.OpenEpwing(kRoot), 1);
    ASSERT_EQ(lib_.epwBooksOpen(), 1);
    lib_.book()->Hits().AppendHit(static_cast<int32_t>(headingOffset_),
                                  static_cast<int32_t>(headingOffset_));
    buffer_.assign(kHeadingSize + 2 * kGuard, kStale);
    record_.itemBuffer = buffer_.data() + kGuard;
  }
  int32_t Get(int32_t hit) { return lib_.epwGetWordItem(hit, &record_); }
  // The caller's 500 bytes.
  Bytes Heading() const {
    return Bytes(buffer_.begin() + kGuard, buffer_.begin() + kGuard + kHeadingSize);
  }
  bool GuardsUntouched() const {
    return std::all_of(buffer_.begin(), buffer_.begin() + kGuard,
                       [](uint8_t b) { return b == kStale; }) &&
           std::all_of(buffer_.end() - kGuard, buffer_.end(),
                       [](uint8_t b) { return b == kStale; });
  }

  MemoryPlatform platform_;
  Library lib_{platform_};
  uint32_t headingOffset_ = 0;
  Bytes buffer_;
  WordItemRecord record_{};
};

Bytes Text(size_t n, uint8_t fill = kFill) { return Bytes(n, fill); }

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(HeadingTest, EndsBeforeTheLineBreakSequence) {
  Open(Concat(Text(20), Concat({0x1F, 0x0A}, Text(600, 0x42))));
  ASSERT_EQ(Get(0), 1);
  const Bytes h = Heading();
  EXPECT_EQ(Bytes(h.begin(), h.begin() + 20), Text(20));
  EXPECT_EQ(h[20], 0);
  EXPECT_EQ(h[499], 0);
  EXPECT_TRUE(GuardsUntouched());
}

TEST_F(HeadingTest, WithoutLineBreakHolds499Bytes) {
  Open(Text(700));
  ASSERT_EQ(Get(0), 1);
  const Bytes h = Heading();
  EXPECT_EQ(Bytes(h.begin(), h.begin() + 499), Text(499));
  EXPECT_EQ(h[499], 0);
  EXPECT_TRUE(GuardsUntouched());
}

TEST_F(HeadingTest, LeadingLineBreakGivesEmptyHeading) {
  Open(Concat({0x0A}, Text(600)));
  ASSERT_EQ(Get(0), 1);
  EXPECT_EQ(Heading()[0], 0);
  EXPECT_TRUE(GuardsUntouched());
}

TEST_F(HeadingTest, LineBreakAtTheLastByteCutsAtByte498) {
  Open(Concat(Text(499), {0x0A}));
  ASSERT_EQ(Get(0), 1);
  const Bytes h = Heading();
  EXPECT_EQ(Bytes(h.begin(), h.begin() + 498), Text(498));
  EXPECT_EQ(h[498], 0);
  EXPECT_EQ(h[499], 0);
}

TEST_F(HeadingTest, ShortReadAtEndOfFileEndsAtLastByteRead) {
  Open(Text(30), /*atEndOfFile=*/true);
  ASSERT_EQ(Get(0), 1);
  const Bytes h = Heading();
  EXPECT_EQ(Bytes(h.begin(), h.begin() + 30), Text(30));
  EXPECT_EQ(h[30], 0);
  // The rest is the caller's, apart from the terminator every heading gets.
  EXPECT_EQ(Bytes(h.begin() + 31, h.begin() + 499), Bytes(468, kStale));
  EXPECT_EQ(h[499], 0);
  EXPECT_TRUE(GuardsUntouched());
}

TEST_F(HeadingTest, LineBreakPastTheBytesReadIsNotSeen) {
  // The stale bytes after a short read are not searched, even when they hold 0x0A.
  Open(Text(30), /*atEndOfFile=*/true);
  std::fill(buffer_.begin() + kGuard + 31, buffer_.end() - kGuard, 0x0A);
  ASSERT_EQ(Get(0), 1);
  EXPECT_EQ(Heading()[29], kFill);
  EXPECT_EQ(Heading()[30], 0);
}

TEST_F(HeadingTest, RefusedHitNumberLeavesBufferUntouched) {
  Open(Text(100));
  for (int32_t hit : {-1, 1, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(Get(hit), -2) << hit;
    EXPECT_EQ(Heading(), Bytes(kHeadingSize, kStale)) << hit;
  }
}

TEST_F(HeadingTest, FailedCheckOrReadGivesMinusOneAndBookStaysOpen) {
  Open(Text(100));
  platform_.pendingChanges = 1;
  EXPECT_EQ(Get(0), -1);
  EXPECT_EQ(Heading(), Bytes(kHeadingSize, kStale));
  platform_.faults.failReadOnCall = platform_.readCalls + 1;
  EXPECT_EQ(Get(0), -1);
  EXPECT_NE(lib_.book(), nullptr);
  EXPECT_EQ(Get(0), 1);
}

}  // namespace
}  // namespace tomeshelf
