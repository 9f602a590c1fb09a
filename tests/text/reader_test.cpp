#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <utility>

#include "api/library.h"
#include "support/writer.h"
#include "support/memory_disc.h"
#include "search/heading.h"
#include "text/reference.h"

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
// text end, and no marker follows the last, which the file's end cuts short.
struct Shelf : TextBook {
  Shelf() {
    TextFileBuilder text;
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

// Random shelves read piece by piece through the hit reader, the next reader and a link,
// with other reads, another hit's article or a failed check between pieces: each delivers
// its article whole. The hit reader ends only at the next article, the others at a text end
// too, and the last article at the file's end. While a link's article goes on, the reference
// is not looked at. Sizes are multiples of four so that no piece cuts a marker in two (such a
// marker goes unseen by design).
TEST(ArticleReaderTest, EveryArticleComesWholeWhateverIsReadBetweenItsPieces) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    const auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    TextFileBuilder text;
    auto w = ArticleWriter::InBlocks(text, 1);
    std::vector<int32_t> at, textEnd;
    for (uint32_t n = 2 + pick(4); n > 0; --n) {
      at.push_back(static_cast<int32_t>(w.Article(Chars(2 * pick(600), seed))));
      textEnd.push_back(pick(3) == 0 ? static_cast<int32_t>(w.Raw(TextEnd())) : INT32_MAX);
      if (textEnd.back() != INT32_MAX) w.Raw(Chars(1 + 2 * pick(50), seed));
    }
    TextBook b;
    b.Open(text.Build(false));
    for (int32_t a : at) b.AddHit(a);
    const int32_t fileEnd = static_cast<int32_t>(b.honmon.size());
    at.push_back(fileEnd);
    const uint32_t piece = 4 * (1 + pick(kBlock / 4));
    Bytes heading(TOMESHELF_ITEM_SIZE), other(kBlock);
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
            case 0:
              ASSERT_EQ(b.lib.epwGetWordItem(pick(count), &item), 1);
              break;
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

// A hit's heading fills the caller's 500 bytes up to a line break, 499 bytes or the file's end.
TEST(HeadingTest, EndsAtALineBreakAfter499BytesOrWhereTheFileEnds) {
  const uint8_t kStale = 0xEE;
  const struct {
    Bytes text;
    bool atEndOfFile;
    size_t length;
  } cases[] = {
      {Join({Bytes(20, 0x41), {0x1F, 0x0A}, Bytes(600, 0x42)}), false, 20},
      {Bytes(700, 0x41), false, 499},
      {Join({{0x0A}, Bytes(600, 0x41)}), false, 0},
      {Join({Bytes(499, 0x41), {0x0A}}), false, 498},
      {Bytes(30, 0x41), true, 30},
      {{}, false, 0},  // no such hit, or a failed check: the buffer is left alone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    TextBook b;
    TextFileBuilder text;
    const uint32_t at = Offset(text.ReserveBlocks(2));
    text.Put(at, c.text);
    b.Open(text.Build(!c.atEndOfFile));
    b.AddHit(static_cast<int32_t>(at));
    // After a short read the rest is the caller's and is not searched, even when it holds 0x0A.
    std::fill(b.buf.begin(), b.buf.end(), kStale);
    std::fill(b.buf.begin() + 16 + 31, b.buf.begin() + 16 + 499, 0x0A);
    WordItemRecord item{{}, b.out + 16};
    const Bytes stale(b.buf);
    if (c.text.empty()) {
      for (int32_t hit : {-1, 1, INT32_MIN, INT32_MAX})
        EXPECT_EQ(b.lib.epwGetWordItem(hit, &item), -2);
      b.platform.pendingChanges = 1;
      EXPECT_EQ(b.lib.epwGetWordItem(0, &item), -1);
      EXPECT_EQ(b.buf, stale);
      continue;
    }
    ASSERT_EQ(b.lib.epwGetWordItem(0, &item), 1);
    const Bytes h(b.buf.begin() + 16, b.buf.begin() + 16 + kHeadingSize);
    EXPECT_EQ(Bytes(h.begin(), h.begin() + c.length), Bytes(c.length, 0x41));
    EXPECT_EQ(h[c.length], 0);
    EXPECT_EQ(h[499], 0);
    EXPECT_TRUE(!c.atEndOfFile || Bytes(h.begin() + 31, h.begin() + 499) == Bytes(468, 0x0A));
    EXPECT_EQ(Bytes(b.buf.begin(), b.buf.begin() + 16), Bytes(16, kStale));
    EXPECT_EQ(Bytes(b.buf.begin() + 516, b.buf.end()), Bytes(b.buf.size() - 516, kStale));
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

TEST(MenuTest, MenuHeadIsTheFirstMenuEntrysBlock) {
  const std::vector<std::pair<std::vector<IndexTableEntry>, int32_t>> cases = {
      {{{0x90, 3}, {0x01, 7}}, Offset(7)},
      {{{0x90, 3}, {0x91, 4}}, -2},
      {{{0x01, 0}}, -2}};  // a block before the file's first
  for (const auto& [entries, head] : cases) {
    TextFileBuilder text;
    for (const IndexTableEntry& e : entries) text.AddIndexEntry(e);
    TextBook b;
    b.Open(text.Build());
    EXPECT_EQ(b.lib.GetMenuHead(), head) << entries.size() << " entries";
  }
}

TEST(PageTest, PagesStepForwardAndBackAndStopAtTheFilesFirstByte) {
  Shelf b;
  // 300-byte pages from the first hit.
  const auto page = [&](auto read) { return (b.lib.*read)(b.out, 300, &b.count); };
  ASSERT_EQ(b.lib.GetWordCont(0, b.out, 300, &b.count), b.at[0]);
  EXPECT_EQ(b.lib.GetWordCont(4, b.out, 300, &b.count), -2);
  EXPECT_EQ(page(&Library::GetWordContNext), b.at[0] + 300);
  EXPECT_EQ(b.Got(), b.At(b.at[0] + 300, 300));
  EXPECT_EQ(b.State().articleBytesRead, 300u);
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

}  // namespace
}  // namespace tomeshelf::testing
