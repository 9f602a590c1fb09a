#include <gtest/gtest.h>

#include "search/hit_list.h"

namespace tomeshelf {
namespace {

TEST(HitListTest, DropsOnlyARepeatOfTheHitJustBeforeAndKeepsTheFirstHeading) {
  struct Case {
    std::vector<int32_t> appended, kept;
  };
  for (const Case& c : std::vector<Case>{{{100, 100, 200, 100}, {100, 200, 100}},
                                         {{0, 100, 0, 0}, {0, 100}},
                                         {{100, 0, 200}, {100, 200}},
                                         {{0, 0}, {0}},
                                         {{-5, -5, -6}, {-5, -6}}}) {
    HitList list;
    for (size_t i = 0; i < c.appended.size(); ++i)
      list.AppendHit(c.appended[i], static_cast<int32_t>(i));
    std::vector<int32_t> texts;
    for (int32_t i = 0; i < list.Count(); ++i) texts.push_back(list[i].textOffset);
    EXPECT_EQ(texts, c.kept) << ::testing::PrintToString(c.appended);
    EXPECT_EQ(list[0].headingOffset, 0);
    EXPECT_EQ(list[0].articleStartSeen, 0);
  }
}

// A search's hits rarely cost an allocation: the storage outlives a clear unless it is large.
TEST(HitListTest, StorageOutlivesAClearUnlessLarge) {
  for (int32_t n : {64, 5000}) {
    HitList list;
    for (int32_t i = 1; i <= n; ++i) list.AppendHit(i, i);
    const size_t capacity = list.Capacity();
    list.ClearHits();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), n == 64 ? 64u : 0u) << n;
    EXPECT_GE(capacity, static_cast<size_t>(n));
  }
}

}  // namespace
}  // namespace tomeshelf
