#include "text/scan.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

#include "support/writer.h"
#include "text/reference.h"

namespace tomeshelf::testing {
namespace {

using Found = std::optional<size_t>;
constexpr Found kNone = std::nullopt;

Bytes Slice(const Bytes& b, size_t i, size_t j) { return Bytes(b.begin() + i, b.begin() + j); }

TEST(ScanTest, FindsArticleBoundariesInAPiece) {
  Bytes notQuiteStart = ArticleStart();
  notQuiteStart[2] = 0x02;
  const Bytes start = ArticleStart(), end = TextEnd();
  // Per piece: FindArticleEnd on a first and on a continuing piece; FindHitArticleEnd with no
  // start seen yet, the flag it leaves, and with a start seen before; FindLastArticleStart.
  const std::vector<std::tuple<Bytes, Found, Found, Found, int32_t, Found, Found>> cases = {
      {Join({start, start}), 4, 0, 4, 1, 0, 4},
      {Join({Chars(3), notQuiteStart, Chars(2)}), kNone, kNone, kNone, 0, kNone, kNone},
      {Join({Chars(2), end, start, Chars(2)}), 4, 4, kNone, 1, 6, 6},
      {Join({Chars(2), Slice(start, 0, 2)}), kNone, kNone, kNone, 0, kNone, kNone},
      {Join({Slice(start, 0, 1), start, Chars(1)}), kNone, 1, kNone, 1, 1, 1},
      // The parameter byte is not skipped: an escape there starts a sequence of its own.
      {Join({ArticleStart(kControl), Slice(end, 1, 2)}), 3, 0, kNone, 1, 0, 0},
      {Join({start, Chars(1), Slice(end, 0, 1)}), kNone, 0, kNone, 1, 0, 0}};
  for (const auto& [piece, firstEnd, nextEnd, hitEnd, seenAfter, hitEndAfterStart, last] : cases) {
    SCOPED_TRACE(::testing::PrintToString(piece));
    EXPECT_EQ(FindArticleEnd(piece, false), firstEnd);
    EXPECT_EQ(FindArticleEnd(piece, true), nextEnd);
    int32_t seen = 0;
    EXPECT_EQ(FindHitArticleEnd(piece, seen), hitEnd);
    EXPECT_EQ(seen, seenAfter);
    seen = 1;
    EXPECT_EQ(FindHitArticleEnd(piece, seen), hitEndAfterStart);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(FindLastArticleStart(piece), last);
  }
}

}  // namespace
}  // namespace tomeshelf::testing
