#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/article_builder.h"
#include "text/reference.h"
#include "text/scan.h"

namespace tomeshelf {
namespace {

using testing::ArticleStart;
using testing::Bytes;
using testing::Chars;
using testing::Join;
using testing::TextEnd;

using Found = std::optional<size_t>;
constexpr Found kNone = std::nullopt;

Bytes Slice(const Bytes& b, size_t from, size_t to) {
  return Bytes(b.begin() + from, b.begin() + to);
}

Bytes NotQuiteArticleStart() {
  Bytes b = ArticleStart();
  b[2] = 0x02;
  return b;
}

struct ScanCase {
  std::string name;
  Bytes piece;
  Found firstPieceEnd;       // FindArticleEnd, first piece
  Found continuingEnd;       // FindArticleEnd, continuing piece
  Found hitEnd;              // FindHitArticleEnd, no start seen yet
  int32_t seenAfter;         // ... and the flag afterwards
  Found hitEndAfterStart;    // FindHitArticleEnd, start seen in an earlier piece
  Found lastStart;           // FindLastArticleStart
};

const std::vector<ScanCase>& ScanCases() {
  static const std::vector<ScanCase> cases = {
      {"SecondMarkerAt500", Join({ArticleStart(), Chars(248), ArticleStart(), Chars(10)}),
       500, 0, 500, 1, 0, 500},
      {"MarkersBackToBack", Join({ArticleStart(), ArticleStart()}), 4, 0, 4, 1, 0, 4},
      {"OnlyOwnStart", Join({ArticleStart(), Chars(5)}), kNone, 0, kNone, 1, 0, 0},
      {"ThirdByteNotOne", Join({Chars(3), NotQuiteArticleStart(), Chars(2)}), kNone, kNone,
       kNone, 0, kNone, kNone},
      {"TextEndBeforeAnyMarker", Join({Chars(2), TextEnd(), ArticleStart(), Chars(2)}), 4, 4,
       kNone, 1, 6, 6},
      {"MarkerCutByPieceEnd", Join({Chars(2), Slice(ArticleStart(), 0, 2)}), kNone, kNone,
       kNone, 0, kNone, kNone},
      {"MarkerCutByPieceStart", Join({Slice(ArticleStart(), 2, 4), Chars(2)}), kNone, kNone,
       kNone, 0, kNone, kNone},
      {"EscapeBeforeMarker", Join({Slice(ArticleStart(), 0, 1), ArticleStart(), Chars(1)}),
       kNone, 1, kNone, 1, 1, 1},
      // The parameter byte is not skipped: an escape there starts a sequence of its own.
      {"ParameterByteIsScanned", Join({ArticleStart(testing::kControl), Slice(TextEnd(), 1, 2)}),
       3, 0, kNone, 1, 0, 0},
      {"TextEndCutByPieceEnd", Join({ArticleStart(), Chars(1), Slice(TextEnd(), 0, 1)}), kNone,
       0, kNone, 1, 0, 0},
      {"EmptyPiece", {}, kNone, kNone, kNone, 0, kNone, kNone},
  };
  return cases;
}

class ScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanTest, FindsArticleBoundaries) {
  const ScanCase& c = GetParam();
  EXPECT_EQ(FindArticleEnd(c.piece, false), c.firstPieceEnd);
  EXPECT_EQ(FindArticleEnd(c.piece, true), c.continuingEnd);
  int32_t seen = 0;
  EXPECT_EQ(FindHitArticleEnd(c.piece, seen), c.hitEnd);
  EXPECT_EQ(seen, c.seenAfter);
  seen = 1;
  EXPECT_EQ(FindHitArticleEnd(c.piece, seen), c.hitEndAfterStart);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(FindLastArticleStart(c.piece), c.lastStart);
}

INSTANTIATE_TEST_SUITE_P(Pieces, ScanTest, ::testing::ValuesIn(ScanCases()),
                         [](const auto& param) { return param.param.name; });

TEST(ScanWindowTest, LastStartInWindowOfBlockSize) {
  Bytes window = Chars(kBlockSize / 2, 3);
  const auto place = [&](size_t at) {
    const Bytes m = ArticleStart();
    std::copy(m.begin(), m.end(), window.begin() + at);
  };
  EXPECT_EQ(FindLastArticleStart(window), kNone);
  place(0);
  EXPECT_EQ(FindLastArticleStart(window), Found(0));
  place(700);
  place(1900);
  EXPECT_EQ(FindLastArticleStart(window), Found(1900));
}

struct BcdCase {
  Bytes bytes;
  int32_t value;
};

TEST(DecodeBcdTest, ReadsDigitsUpToFirstNibbleAboveNine) {
  const std::vector<BcdCase> cases = {
      {testing::Bcd(1234, 4), 1234},
      {testing::Bcd(999, 2), 999},
      {testing::Bcd(99999999, 4), 99999999},
      {testing::Bcd(0, 2), 0},
      {{0x12, 0x3A}, 123},
      {{0xA1}, 0},
      {{0x5B, 0x55}, 5},
      {{0x7C}, 7},
      {{0x0D, 0x11}, 0},
      {{0x4E}, 4},
      {{0x31, 0xF2}, 31},
      {{}, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeBcd(c.bytes.data(), static_cast<int32_t>(c.bytes.size())), c.value)
        << ::testing::PrintToString(c.bytes);
  }
  const Bytes digits = testing::Bcd(1234, 2);
  EXPECT_EQ(DecodeBcd(digits.data(), -1), 0);
}

// References come with no length: lay them at the start of exactly the bytes the search
// may look at, so that any read beyond shows up under the sanitizers.
Bytes Bounded(const Bytes& reference) {
  Bytes out = reference;
  out.resize(kMaxReferenceScan, 0);
  return out;
}

TEST(ReferenceTargetTest, DecodesBlockAndOffset) {
  const Bytes link = Bounded(testing::ReferenceBytes(0x42, 0x62, Chars(1), 1234, 567));
  EXPECT_EQ(FindReferenceTarget(link.data(), kLinkEndCode), std::optional<int32_t>(2525751));
  EXPECT_EQ(FindReferenceTarget(link.data(), kMenuEndCode), std::nullopt);
  const Bytes menu = Bounded(testing::MenuLinkTo(testing::Offset(7, 100)));
  EXPECT_EQ(FindReferenceTarget(menu.data(), kMenuEndCode),
            std::optional<int32_t>(testing::Offset(7, 100)));
}

TEST(ReferenceTargetTest, EndPairIsLookedForFromTheFourthByte) {
  // With an empty label the end pair stands at bytes 2-3, where it is not looked for.
  const Bytes bare = Bounded(testing::ReferenceBytes(0x42, 0x62, {}, 5, 0));
  EXPECT_EQ(FindReferenceTarget(bare.data(), kLinkEndCode), std::nullopt);
}

TEST(ReferenceTargetTest, WholeReferenceMustLieWithinTheBound) {
  for (const auto& [labelChars, found] : {std::pair{2043u, true}, std::pair{2044u, false}}) {
    // Label of 2 * labelChars bytes from byte 2: the six BCD bytes end at 4096 or 4098.
    const Bytes raw = testing::ReferenceBytes(0x42, 0x62, Chars(labelChars), 3, 4);
    Bytes reference(raw.begin(), raw.begin() + std::min(raw.size(), kMaxReferenceScan));
    ASSERT_EQ(reference.size(), kMaxReferenceScan);
    EXPECT_EQ(FindReferenceTarget(reference.data(), kLinkEndCode).has_value(), found)
        << labelChars;
  }
  const Bytes noEnd = Bounded(Join({{testing::kControl, 0x42}, Chars(100)}));
  EXPECT_EQ(FindReferenceTarget(noEnd.data(), kLinkEndCode), std::nullopt);
}

}  // namespace
}  // namespace tomeshelf
