#include <gtest/gtest.h>

#include <algorithm>

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

TEST(HitListTest, GrowsWhenFullByAnEighthOfTheCountBetween4And1024) {
  HitList list;
  std::vector<size_t> capacities;
  for (int32_t i = 1; i <= 20000; ++i) {
    const size_t before = list.Capacity();
    list.AppendHit(i, i);
    if (list.Capacity() == before) continue;
    ASSERT_EQ(static_cast<size_t>(list.Count()) - 1, before) << "grew before it was full";
    ASSERT_EQ(list.Capacity() - before, std::clamp<size_t>(before / 8, 4, 1024)) << before;
    capacities.push_back(list.Capacity());
  }
  const std::vector<size_t> first = {4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63, 70};
  EXPECT_EQ(std::vector<size_t>(capacities.begin(), capacities.begin() + first.size()), first);
  EXPECT_EQ(capacities.back() - capacities[capacities.size() - 2], 1024u);
}

TEST(HitListTest, ClearReleasesStorage) {
  HitList list;
  for (int32_t i = 1; i <= 100; ++i) list.AppendHit(i, i);
  list.ClearHits();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0u);
  list.AppendHit(0, 0);
  EXPECT_EQ(list.Count(), 1);
}

}  // namespace
}  // namespace tomeshelf
