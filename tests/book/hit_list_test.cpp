#include <gtest/gtest.h>

#include "search/hit_list.h"

namespace tomeshelf {
namespace {

std::vector<int32_t> TextOffsets(const HitList& list) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < list.Count(); ++i) out.push_back(list[i].textOffset);
  return out;
}

TEST(HitListTest, DropsOnlyARepeatOfTheHitJustBefore) {
  struct Case {
    const char* name;
    std::vector<int32_t> appended, kept;
  };
  for (const Case& c : std::vector<Case>{
           {"T T U T", {100, 100, 200, 100}, {100, 200, 100}},
           {"zero first", {0, 100, 0, 0}, {0, 100}},
           {"zero after others", {100, 0, 200}, {100, 200}},
           {"zero twice at start", {0, 0}, {0}},
           {"negative offsets", {-5, -5, -6}, {-5, -6}}}) {
    HitList list;
    for (int32_t t : c.appended) list.AppendHit(t, t + 1);
    EXPECT_EQ(TextOffsets(list), c.kept) << c.name;
  }
}

TEST(HitListTest, KeepsHeadingOffsetOfTheHitKept) {
  HitList list;
  list.AppendHit(100, 7);
  list.AppendHit(100, 8);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0].headingOffset, 7);
  EXPECT_EQ(list[0].articleStartSeen, 0);
}

// A search's hits rarely cost an allocation: the storage outlives a clear unless it is large.
TEST(HitListTest, StorageOutlivesAClearUnlessLarge) {
  for (int32_t n : {64, 5000}) {
    HitList list;
    for (int32_t i = 1; i <= n; ++i) list.AppendHit(i, i);
    const size_t capacity = list.Capacity();
    list.ClearHits();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), n == 64 ? capacity : 0u) << n;
    EXPECT_EQ(capacity, n == 64 ? 64u : capacity) << "the first 64 take one allocation";
  }
}

}  // namespace
}  // namespace tomeshelf
