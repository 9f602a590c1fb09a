#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <utility>

#include "api/library.h"
#include "support/writer.h"
#include "support/memory_disc.h"
#include "search/heading.h"
#include "text/reference.h"
#include "text/scan.h"

namespace tomeshelf::testing {
namespace {

constexpr uint32_t kSize = 256;

// A Library on an in-memory disc holding one book whose text file the test wrote, and the
// buffer its readers fill.
struct TextBook {
  void Open(const Bytes& text) {
    honmon = text;
    PutMemoryDisc(platform, "Q:\\DISC", {{{0x00, "Book", "DICT", {}}, honmon, {}}});
    ASSERT_EQ(lib.OpenEpwing("Q:\\DISC"), 1);
    ASSERT_EQ(lib.epwBooksOpen(), 1);
  }
  // The book's own bytes, up to its end.
  Bytes At(size_t from, size_t n) const { return Between(from, from + n); }
  Bytes Between(size_t from, size_t to) const {
    to = std::min(to, honmon.size());
    return Bytes(honmon.begin() + std::min(from, to), honmon.begin() + to);
  }
  // What the last read delivered.
  Bytes Got() const { return Bytes(out, out + std::min<size_t>(count, buf.size())); }
  int32_t Hit(int32_t i, uint32_t n = kSize) { return lib.epwGetWordContent(i, out, n, &count); }
  int32_t Next(uint32_t n = kSize) { return lib.epwGetNextContentByWord(out, n, &count); }
  int32_t Last(uint32_t n = kSize) { return lib.epwGetLastContentByWord(out, n, &count); }
  int32_t Jump(int32_t pos, uint32_t n) { return lib.GetLinkContByPt(pos, out, n, &count); }
  int32_t Link(const Bytes& r, uint32_t n = kSize) {
    return lib.epwGetLinkContent(r.data(), out, n, &count);
  }
  int32_t PageLink(const Bytes& r) { return lib.GetLinkContent(r.data(), out, kSize, &count); }
  void AddHit(int32_t offset) { lib.book()->Hits().AppendHit(offset, offset); }
  const ReadingState& State() const { return lib.reading(); }

  MemoryPlatform platform;
  Library lib{platform};
  Bytes honmon, buf = Bytes(kBlock);
  uint8_t* const out = buf.data();
  uint32_t count = 0;
};

// A link from the first article into the middle of the second.
constexpr int32_t kTarget = Offset(2, 1100);

// Four articles from block 2 on, each a hit: the first holds the link, the third ends in a
// text end, and no marker follows the last, which the file's end cuts short. Its menu would
// start before the file's first block.
struct Shelf : TextBook {
  Shelf() {
    TextFileBuilder text;
    text.AddIndexEntry({kMenuArea, 0});
    auto w = ArticleWriter::InBlocks(text, 1);
    at.push_back(w.Article(Join({Chars(20, 1), LinkTo(kTarget), Chars(273, 2)})));
    at.push_back(w.Article(Chars(500, 3)));
    at.push_back(w.Article(Join({Chars(20, 4), TextEnd()})));
    at.push_back(w.Article(Chars(200, 5)));
    Open(text.Build(false));
    for (int32_t a : at) AddHit(a);
  }
  std::vector<int32_t> at;
};

// A heading ends at its first line break (0x1F 0x0A), after 499 bytes or at the file's end.
Bytes HeadingAt(const Bytes& file, size_t at) {
  const Bytes lineBreak{0x1F, 0x0A};
  const auto from = file.begin() + at, to = file.begin() + std::min(file.size(), at + kHeadingSize);
  const auto end = std::search(from, to, lineBreak.begin(), lineBreak.end());
  return Bytes(from, std::min(end, from + kHeadingSize - 1));
}

// Random shelves read piece by piece through the hit reader, the next reader and a link,
// with other reads (a heading, checked), another hit's article or a failed check between
// pieces: each delivers its article whole. The hit reader ends only at the next article, the
// others at a text end too, and the last article at the file's end. While a link's article
// goes on, the reference is not looked at. Sizes are multiples of four so that no piece cuts a
// marker in two (such a marker goes unseen by design).
TEST(ArticleReaderTest, EveryArticleComesWholeWhateverIsReadBetweenItsPieces) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    const auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    TextFileBuilder text;
    auto w = ArticleWriter::InBlocks(text, 1);
    std::vector<int32_t> at, textEnd;
    for (uint32_t n = 2 + pick(4); n > 0; --n) {
      const Bytes body = pick(2) ? Chars(2 * pick(600), seed)  // or with a line break
                                 : Join({Chars(2 * pick(200), seed), {0x1F, 0x0A},
                                         Chars(1 + 2 * pick(200))});
      at.push_back(static_cast<int32_t>(w.Article(body)));
      textEnd.push_back(pick(3) == 0 ? static_cast<int32_t>(w.Raw(TextEnd())) : INT32_MAX);
      if (textEnd.back() != INT32_MAX) w.Raw(Chars(1 + 2 * pick(50), seed));
    }
    TextBook b;
    b.Open(text.Build(false));
    for (int32_t a : at) b.AddHit(a);
    const int32_t fileEnd = static_cast<int32_t>(b.honmon.size());
    at.push_back(fileEnd);
    const uint32_t piece = 4 * (1 + pick(kBlock / 4));
    Bytes heading(kHeadingSize + 16), other(kBlock);
    WordItemRecord item{{}, heading.data()};
    const auto count = static_cast<int32_t>(at.size()) - 1;
    for (int32_t i = 0; i < count; ++i) {
      const Bytes link = LinkTo(static_cast<uint32_t>(at[i])), notLooked = MenuLinkTo(0);
      for (int reader : {0, 1, 2}) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " article " << i << " " << reader);
        const int32_t end = reader == 0 ? at[i + 1] : std::min(at[i + 1], textEnd[i]);
        ASSERT_TRUE(reader != 1 || b.Jump(at[i], 0) == at[i]);
        Bytes got;
        const auto read = [&](uint32_t n) {
          if (reader == 2) return b.Link(got.empty() ? link : notLooked, n);
          return reader == 0 ? b.Hit(i, n) : b.Next(n);
        };
        bool abandoned = false;
        for (int32_t r = 0, pieces = 0; r == 0; ++pieces) {
          ASSERT_LT(pieces, 2000);
          switch (reader == 1 && pieces == 0 ? 3 * pick(2) : pick(5)) {  // keep where it starts
            case 0: {  // a heading, or no such hit; the caller's stale bytes are not searched
              const int32_t j = static_cast<int32_t>(pick(count + 2)) - 1;
              const bool hit = j >= 0 && j < count;
              std::fill(heading.begin(), heading.end(), 0x0A);
              ASSERT_EQ(b.lib.epwGetWordItem(j, &item), hit ? 1 : -2);
              const Bytes want = hit ? Join({HeadingAt(b.honmon, at[j]), {0}}) : Bytes{0x0A};
              EXPECT_EQ(Bytes(heading.begin(), heading.begin() + want.size()), want);
              EXPECT_EQ(heading[kHeadingSize - 1], hit ? 0 : 0x0A);
              EXPECT_EQ(Bytes(heading.begin() + kHeadingSize, heading.end()), Bytes(16, 0x0A));
              break;
            }
            case 1:
              ASSERT_GE(b.lib.GetLinkContByPt(pick(fileEnd), other.data(), 100, &b.count), 0);
              break;
            case 2:  // another hit's article abandons the one in progress, not the next reader's
              if (std::exchange(abandoned, true)) break;
              b.lib.epwGetWordContent((i + count - 1) % count, other.data(), kBlock, &b.count);
              if (reader == 0) got.clear();
              break;
            case 3:
              b.platform.pendingChanges = 1;
              ASSERT_EQ(read(piece), -1);
              break;
          }
          r = read(piece);
          ASSERT_GE(r, 0);
          const Bytes part = b.Got();
          got.insert(got.end(), part.begin(), part.end());
        }
        EXPECT_EQ(got, b.Between(at[i], end));
        EXPECT_EQ(b.State().nextPos, end);
      }
      // A text end stops the next reader for good; a hit read to its end starts over.
      if (textEnd[i] < at[i + 1]) {
        EXPECT_EQ(b.Next(), 1);
        EXPECT_EQ(b.count, 0u);
      }
      ASSERT_EQ(b.Hit(i), at[i] + static_cast<int32_t>(kSize) <= at[i + 1] ? 0 : 1);
      EXPECT_EQ(b.Got(), b.Between(at[i], std::min<size_t>(at[i] + kSize, at[i + 1])));
    }
  }
}

TEST(BackwardSearchTest, FindsThePreviousArticleWithinTwoHundredWindows) {
  // From the first article's start to the second's, what reading back from the second gives.
  const std::vector<std::tuple<uint32_t, int32_t, bool, uint32_t>> cases = {
      {100, 1, true, 100},         {2048, 0, true, 2048},          {2052, 0, true, 2048},
      {5000, 0, true, 2048},       {2048 * 3 + 1, 0, true, 2048},  {2048 * 3 + 2, 0, true, 2048},
      {200 * 2048, 0, true, 2048}, {200 * 2048 + 4, 1, false, 104}};
  for (const auto& [gap, result, found, count] : cases) {
    TextFileBuilder text;
    auto w = ArticleWriter::InBlocks(text, 1);
    const int32_t first = w.Article(Chars((gap - 4) / 2, 5));
    w.Raw(Chars(1, 6));  // for an odd gap; the next marker covers what it need not fill
    w.SkipTo(first + gap);
    const int32_t second = w.Article(Chars(50, 7));
    w.Article(Chars(3, 8));
    TextBook b;
    b.Open(text.Build());
    b.AddHit(second);
    ASSERT_EQ(b.Hit(0, kBlock), 1) << gap;
    EXPECT_EQ(b.Last(kBlock), result) << gap;
    const int32_t expected = found ? first : second;
    EXPECT_EQ(b.State().chunkStart, expected) << gap;
    EXPECT_EQ(b.Got(), b.At(expected, count)) << gap;
  }
}

// References come with no length: each lies at the start of exactly the bytes the search may
// look at (padded to them), so that any read beyond shows up under the sanitizers.
TEST(LinkTest, ReferencesAreCheckedBeforeTheyAreFollowed) {
  const Bytes link = LinkTo(kTarget);
  Bytes notEscaped = link, otherKind = link;
  notEscaped.at(0) = 0x1E;
  otherKind.at(1) = 0x44;
  const std::vector<std::tuple<Bytes, int32_t, int32_t, std::vector<std::string>>> cases = {
      {link, 0, kTarget, {}},
      {MenuLinkTo(kTarget), -2, kTarget, {}},  // a menu reference leads to a page, not an article
      {notEscaped, -2, -2, {"SuperLink Error1"}},
      {otherKind, -2, -2, {"SuperLink Error2"}},
      // The label fills the bytes up to the six BCD bytes, which end at 4096 or 4098.
      {ReferenceBytes(0x42, 0x62, Chars(2043), 2, 1100), 0, kTarget, {}},
      {ReferenceBytes(0x42, 0x62, Chars(2044), 2, 1100), -2, -2, {}},
      // With an empty label the end pair stands at bytes 2-3, where it is not looked for.
      {ReferenceBytes(0x42, 0x62, {}, 5, 0), -2, -2, {}},
      {Join({{kControl, 0x42}, Chars(100)}), -2, -2, {}}};
  for (const auto& [raw, article, page, messages] : cases) {
    SCOPED_TRACE(::testing::PrintToString(Bytes(raw.begin(), raw.begin() + 8)));
    Bytes ref = raw;
    ref.resize(kMaxReferenceScan, 0);
    Shelf b;
    b.count = 9;
    EXPECT_EQ(b.PageLink(ref), page);
    EXPECT_EQ(b.Got(), page < 0 ? Bytes(9, 0) : b.At(page, kSize));  // refused: untouched
    b.count = 9;
    const int64_t reads = b.platform.readCalls;
    EXPECT_EQ(b.Link(ref), article);
    EXPECT_EQ(b.count, article < 0 ? 9u : kSize);
    EXPECT_TRUE(article == 0 || b.platform.readCalls == reads);
    EXPECT_EQ(b.platform.messages, messages);
  }
}

TEST(PageTest, PagesStepForwardAndBackAndStopAtTheFilesFirstByte) {
  Shelf b;
  EXPECT_EQ(b.lib.GetMenuHead(), -2);  // no page before the file's first block
  // 300-byte pages from the first hit.
  const auto page = [&](auto read) { return (b.lib.*read)(b.out, 300, &b.count); };
  ASSERT_EQ(b.lib.GetWordCont(0, b.out, 300, &b.count), b.at[0]);
  EXPECT_EQ(b.lib.GetWordCont(4, b.out, 300, &b.count), -2);
  EXPECT_EQ(page(&Library::GetWordContNext), b.at[0] + 300);
  EXPECT_EQ(b.Got(), b.At(b.at[0] + 300, 300));
  // Peeking back moves nothing; stepping back does.
  EXPECT_EQ(page(&Library::GetContLastNoSet), 1);
  EXPECT_EQ(b.Got(), b.At(b.at[0], 300));
  EXPECT_EQ(b.State().nextPos, b.at[0] + 600);
  EXPECT_EQ(page(&Library::GetWordContLast), b.at[0]);
  EXPECT_EQ(b.State().nextPos, b.at[0] + 300);

  // The first article has no previous one; paging back from there reads nothing.
  ASSERT_EQ(b.Hit(0, kBlock), 1);
  EXPECT_EQ(b.Last(), -1);  // and the readers after it find no position
  EXPECT_EQ(b.Next(), -1);
  b.count = 123;
  EXPECT_EQ(b.lib.GetWordContLast(b.out, 512, &b.count), -1);
  EXPECT_EQ(b.lib.GetContLastNoSet(b.out, 512, &b.count), 0);
  EXPECT_EQ(b.count, 123u);
  ASSERT_EQ(b.Jump(100, 10), 100);
  EXPECT_EQ(page(&Library::GetWordContLast), 0);
  EXPECT_EQ(b.Got(), b.At(0, 100));
  EXPECT_EQ(page(&Library::GetWordContLast), 0);
  EXPECT_EQ(b.count, 0u);
  EXPECT_EQ(page(&Library::GetContLastNoSet), 1);
  EXPECT_EQ(b.Jump(-1, 10), -2);
}

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
