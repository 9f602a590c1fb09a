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

}  // namespace
}  // namespace tomeshelf
