#include <gtest/gtest.h>

#include "text/text_book.h"

namespace tomeshelf {
namespace {

using testing::ArticleWriter;
using testing::Bytes;
using testing::Chars;
using testing::Head;
using testing::Join;
using testing::TextBook;
using testing::TextFileBuilder;

constexpr uint32_t kSize = 256;

// Articles one after another from block 2 on; article i holds 2 * chars[i] bytes of text.
struct Shelf {
  TextBook book;
  std::vector<uint32_t> at;
  uint32_t end = 0;

  explicit Shelf(std::initializer_list<size_t> chars) {
    TextFileBuilder text;
    auto w = ArticleWriter::InBlocks(text, 1);
    uint32_t seed = 1;
    for (size_t n : chars) at.push_back(w.Article(Chars(n, seed++)));
    end = w.Article(Chars(4, seed));  // the last one ends at the marker of this one
    book.Open(text);
    for (uint32_t a : at) book.AddHit(a);
  }
  Library& lib() { return book.lib; }
  uint32_t Length(size_t i) const { return (i + 1 < at.size() ? at[i + 1] : end) - at[i]; }
};

TEST(ArticleReaderTest, ArticleOfTwoAndAHalfBuffersComesInThreePieces) {
  Shelf s({300});
  ASSERT_EQ(s.Length(0), 604u);
  Bytes buffer(kSize);
  uint32_t count = 99;
  for (uint32_t piece = 0; piece < 2; ++piece) {
    EXPECT_EQ(s.lib().epwGetWordContent(0, buffer.data(), kSize, &count), 0);
    EXPECT_EQ(count, kSize);
    EXPECT_EQ(buffer, s.book.At(s.at[0] + piece * kSize, kSize));
  }
  EXPECT_EQ(s.lib().epwGetWordContent(0, buffer.data(), kSize, &count), 1);
  EXPECT_EQ(count, 604 - 2 * kSize);
  EXPECT_EQ(Head(buffer, count), s.book.At(s.at[0] + 2 * kSize, count));
  EXPECT_EQ(s.lib().reading().nextPos, static_cast<int32_t>(s.end));
  // Delivered to its end: the same hit starts over.
  EXPECT_EQ(s.lib().epwGetWordContent(0, buffer.data(), kSize, &count), 0);
  EXPECT_EQ(buffer, s.book.At(s.at[0], kSize));
}

TEST(ArticleReaderTest, AnotherHitAbandonsTheArticleInProgress) {
  Shelf s({300, 300, 300, 300});
  Bytes buffer(kSize);
  uint32_t count = 0;
  ASSERT_EQ(s.lib().epwGetWordContent(2, buffer.data(), kSize, &count), 0);
  EXPECT_EQ(s.lib().epwGetWordContent(3, buffer.data(), kSize, &count), 0);
  EXPECT_EQ(buffer, s.book.At(s.at[3], kSize));
  EXPECT_EQ(s.lib().epwGetWordContent(4, buffer.data(), kSize, &count), -1);
  EXPECT_EQ(count, 0u);
}

// The fault this guards against: a continuation read on from wherever the last read of
// the file stopped, so a heading or a page read in between spliced foreign text in.
TEST(ArticleReaderTest, ReadsBetweenPiecesDoNotMoveTheNextPiece) {
  Shelf s({300, 500, 20});
  Bytes buffer(kSize), other(kSize), heading(TOMESHELF_ITEM_SIZE);
  uint32_t count = 0, otherCount = 0;
  WordItemRecord item{};
  item.itemBuffer = heading.data();
  const auto interfere = [&] {
    ASSERT_EQ(s.lib().epwGetWordItem(2, &item), 1);
    ASSERT_EQ(s.lib().GetLinkContByPt(static_cast<int32_t>(s.at[2]), other.data(), 10,
                                      &otherCount),
              static_cast<int32_t>(s.at[2]));
  };

  ASSERT_EQ(s.lib().epwGetWordContent(0, buffer.data(), kSize, &count), 0);
  interfere();
  ASSERT_EQ(s.lib().epwGetWordContent(0, buffer.data(), kSize, &count), 0);
  EXPECT_EQ(buffer, s.book.At(s.at[0] + kSize, kSize));
  interfere();
  ASSERT_EQ(s.lib().epwGetWordContent(0, buffer.data(), kSize, &count), 1);
  EXPECT_EQ(Head(buffer, count), s.book.At(s.at[0] + 2 * kSize, 604 - 2 * kSize));
  EXPECT_EQ(s.lib().reading().nextPos, static_cast<int32_t>(s.at[1]));

  // The same for the next/last/link family, with a hit article read in between.
  s.lib().GetLinkContByPt(static_cast<int32_t>(s.at[1]), other.data(), 1, &otherCount);
  ASSERT_EQ(s.lib().epwGetNextContentByWord(buffer.data(), kSize, &count), 0);
  EXPECT_EQ(buffer, s.book.At(s.at[1] + 1, kSize));
  interfere();
  ASSERT_EQ(s.lib().epwGetWordContent(2, other.data(), kSize, &otherCount), 1);
  ASSERT_EQ(s.lib().epwGetNextContentByWord(buffer.data(), kSize, &count), 0);
  EXPECT_EQ(buffer, s.book.At(s.at[1] + 1 + kSize, kSize));
  interfere();
  ASSERT_EQ(s.lib().epwGetNextContentByWord(buffer.data(), kSize, &count), 0);
  ASSERT_EQ(s.lib().epwGetNextContentByWord(buffer.data(), kSize, &count), 1);
  EXPECT_EQ(count, s.Length(1) - 1 - 3 * kSize);
  EXPECT_EQ(Head(buffer, count), s.book.At(s.at[1] + 1 + 3 * kSize, count));
  EXPECT_EQ(s.lib().reading().nextPos, static_cast<int32_t>(s.at[2]));
}

TEST(ArticleReaderTest, RepeatAfterFailedFirstPieceStartsAgain) {
  Shelf s({300, 300});
  Bytes buffer(kSize);
  uint32_t count = 7;
  ASSERT_EQ(s.lib().epwGetWordContent(0, buffer.data(), kSize, &count), 0);
  s.book.platform.pendingChanges = 1;  // the disc changed: the next check fails
  EXPECT_EQ(s.lib().epwGetWordContent(1, buffer.data(), kSize, &count), -1);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(s.lib().epwGetWordContent(1, buffer.data(), kSize, &count), 0);
  EXPECT_EQ(buffer, s.book.At(s.at[1], kSize));

  // A later piece that failed is asked for again from the same place.
  s.book.platform.pendingChanges = 1;
  EXPECT_EQ(s.lib().epwGetWordContent(1, buffer.data(), kSize, &count), -1);
  EXPECT_EQ(s.lib().epwGetWordContent(1, buffer.data(), kSize, &count), 0);
  EXPECT_EQ(buffer, s.book.At(s.at[1] + kSize, kSize));
}

TEST(ArticleReaderTest, OpeningABookForgetsTheArticleInProgress) {
  Shelf s({300, 300});
  Bytes buffer(kSize);
  uint32_t count = 0;
  ASSERT_EQ(s.lib().epwGetWordContent(0, buffer.data(), kSize, &count), 0);
  s.lib().epwBooksClose();
  ASSERT_EQ(s.lib().epwBooksOpen(), 1);
  s.book.AddHit(s.at[1]);
  EXPECT_EQ(s.lib().epwGetWordContent(0, buffer.data(), kSize, &count), 0);
  EXPECT_EQ(buffer, s.book.At(s.at[1], kSize));
}

TEST(ArticleReaderTest, NextAndLastStepFromTheHitArticle) {
  Shelf s({100, 150, 200});
  Bytes buffer(2048);
  uint32_t count = 0;
  ASSERT_EQ(s.lib().epwGetWordContent(1, buffer.data(), 2048, &count), 1);
  EXPECT_EQ(s.lib().epwGetNextContentByWord(buffer.data(), 2048, &count), 1);
  EXPECT_EQ(count, s.Length(2));
  EXPECT_EQ(Head(buffer, count), s.book.At(s.at[2], count));

  ASSERT_EQ(s.lib().epwGetWordContent(1, buffer.data(), 2048, &count), 1);
  EXPECT_EQ(s.lib().epwGetLastContentByWord(buffer.data(), 2048, &count), 1);
  EXPECT_EQ(count, s.Length(0));
  EXPECT_EQ(Head(buffer, count), s.book.At(s.at[0], count));
  EXPECT_EQ(s.lib().reading().chunkStart, static_cast<int32_t>(s.at[0]));
}

TEST(ArticleReaderTest, TextEndMarkerEndsTheNextArticle) {
  TextFileBuilder text;
  auto w = ArticleWriter::InBlocks(text, 1);
  const uint32_t a = w.Article(Join({Chars(10), testing::TextEnd(), Chars(10)}));
  w.Article(Chars(3));
  TextBook book;
  book.Open(text);
  Bytes buffer(512);
  uint32_t count = 0;
  ASSERT_EQ(book.lib.GetLinkContByPt(static_cast<int32_t>(a), buffer.data(), 2, &count),
            static_cast<int32_t>(a));
  EXPECT_EQ(book.lib.epwGetNextContentByWord(buffer.data(), 512, &count), 1);
  EXPECT_EQ(count, 2u + 20u);  // from a + 2 up to the text end
  EXPECT_EQ(book.lib.reading().nextPos, static_cast<int32_t>(a + 24));
}

TEST(ArticleReaderTest, LastArticleOfTheFileEndsAtTheFileEnd) {
  // No marker follows the last article: the piece the file's end cuts short holds its end,
  // for the hit reader and the next reader alike, so no caller waits for ever.
  TextFileBuilder text;
  auto w = ArticleWriter::InBlocks(text, 1);
  const uint32_t a = w.Article(Chars(200));
  TextBook book;
  book.Open(text);
  book.honmon.resize(a + 402);
  book.platform.files[TextBook::kTextPath] = book.honmon;
  book.lib.epwBooksClose();
  ASSERT_EQ(book.lib.epwBooksOpen(), 1);
  book.AddHit(a);
  Bytes buffer(kSize);
  uint32_t count = 0;
  EXPECT_EQ(book.lib.epwGetWordContent(0, buffer.data(), kSize, &count), 0);
  EXPECT_EQ(book.lib.epwGetWordContent(0, buffer.data(), kSize, &count), 1);
  EXPECT_EQ(count, 402u - kSize);

  ASSERT_EQ(book.lib.GetLinkContByPt(static_cast<int32_t>(a), buffer.data(), 0, &count),
            static_cast<int32_t>(a));
  EXPECT_EQ(book.lib.epwGetNextContentByWord(buffer.data(), kSize, &count), 0);
  EXPECT_EQ(book.lib.epwGetNextContentByWord(buffer.data(), kSize, &count), 1);
  EXPECT_EQ(count, 402u - kSize);
  EXPECT_EQ(book.lib.reading().nextPos, static_cast<int32_t>(a + 402));
}

TEST(ArticleReaderTest, PageReadHandsOverToNextArticle) {
  // Articles ending in a text end, as books write them: the article reader picks up from
  // the byte after the page.
  TextFileBuilder text;
  auto w = ArticleWriter::InBlocks(text, 1);
  const uint32_t a = w.Article(Join({Chars(200, 1), testing::TextEnd()}));
  const uint32_t b = w.Article(Join({Chars(50, 2), testing::TextEnd()}));
  w.Article(Chars(3));
  TextBook book;
  book.Open(text);
  book.AddHit(a);
  Bytes buffer(1024);
  uint32_t count = 0;
  ASSERT_EQ(book.lib.GetWordCont(0, buffer.data(), 100, &count), static_cast<int32_t>(a));
  EXPECT_EQ(book.lib.epwGetNextContentByWord(buffer.data(), 1024, &count), 1);
  EXPECT_EQ(count, 404u - 100u);
  EXPECT_EQ(Head(buffer, count), book.At(a + 100, count));
  // The text end is the next position; reading on from there reaches b's end.
  EXPECT_EQ(book.lib.epwGetNextContentByWord(buffer.data(), 1024, &count), 1);
  EXPECT_EQ(count, 0u);
  ASSERT_EQ(book.lib.GetWordContNext(buffer.data(), 2, &count), static_cast<int32_t>(b - 2));
  EXPECT_EQ(book.lib.epwGetNextContentByWord(buffer.data(), 1024, &count), 1);
  EXPECT_EQ(count, 104u);
  EXPECT_EQ(Head(buffer, count), book.At(b, count));
}

// Articles at chosen offsets: a long first article, then the one whose predecessor is
// looked for at `gap` bytes after the first.
struct BackwardBook {
  TextBook book;
  uint32_t first = 0;
  uint32_t second = 0;

  explicit BackwardBook(uint32_t gap) {
    TextFileBuilder text;
    auto w = ArticleWriter::InBlocks(text, 1);
    first = w.Article(Chars((gap - 4) / 2, 5));
    if (gap % 2 != 0) {
      w.Raw(Chars(1, 6));
      w.SkipTo(first + gap);  // the marker of the next article covers the extra byte
    }
    second = w.Article(Chars(50, 7));
    w.Article(Chars(3, 8));
    book.Open(text);
    book.AddHit(second);
  }

  // Reads the second article whole, then the one before it.
  int32_t Last(Bytes& buffer, uint32_t& count) {
    EXPECT_EQ(book.lib.epwGetWordContent(0, buffer.data(), 2048, &count), 1);
    return book.lib.epwGetLastContentByWord(buffer.data(), 2048, &count);
  }
};

TEST(BackwardSearchTest, FindsPreviousArticleAcrossWindows) {
  for (uint32_t gap : {100u, 2048u, 2052u, 5000u, 2048u * 3 + 1u, 2048u * 3 + 2u}) {
    BackwardBook b(gap);
    Bytes buffer(2048);
    uint32_t count = 0;
    EXPECT_EQ(b.Last(buffer, count), gap >= 2048 ? 0 : 1) << gap;
    EXPECT_EQ(b.book.lib.reading().chunkStart, static_cast<int32_t>(b.first)) << gap;
    EXPECT_EQ(Head(buffer, 16), b.book.At(b.first, 16)) << gap;
  }
}

TEST(BackwardSearchTest, FindsMarkerAtTheTwoHundredthWindow) {
  BackwardBook b(200 * 2048);
  Bytes buffer(2048);
  uint32_t count = 0;
  b.Last(buffer, count);
  EXPECT_EQ(b.book.lib.reading().chunkStart, static_cast<int32_t>(b.first));
}

TEST(BackwardSearchTest, GivesUpAfterTwoHundredWindowsAndReadsTheSameArticle) {
  BackwardBook b(200 * 2048 + 4);
  Bytes buffer(2048);
  uint32_t count = 0;
  EXPECT_EQ(b.Last(buffer, count), 1);
  EXPECT_EQ(b.book.lib.reading().chunkStart, static_cast<int32_t>(b.second));
  EXPECT_EQ(Head(buffer, count), b.book.At(b.second, 104));
}

TEST(BackwardSearchTest, FirstArticleOfTheBookHasNoPrevious) {
  Shelf s({40, 40});
  ASSERT_EQ(s.at[0], 2048u);  // only the header and index table before it
  Bytes buffer(512);
  uint32_t count = 0;
  ASSERT_EQ(s.lib().epwGetWordContent(0, buffer.data(), 512, &count), 1);
  EXPECT_EQ(s.lib().epwGetLastContentByWord(buffer.data(), 512, &count), -1);
  EXPECT_EQ(s.lib().reading().chunkStart, -1);
  EXPECT_EQ(s.lib().reading().nextPos, -1);
  EXPECT_EQ(s.lib().epwGetNextContentByWord(buffer.data(), 512, &count), -1);
  EXPECT_EQ(s.lib().epwGetLastContentByWord(buffer.data(), 512, &count), -1);

  // Paging back from there reads nothing.
  const int64_t reads = s.book.platform.readCalls;
  count = 123;
  EXPECT_EQ(s.lib().GetWordContLast(buffer.data(), 512, &count), -1);
  EXPECT_EQ(s.lib().GetContLastNoSet(buffer.data(), 512, &count), 0);
  EXPECT_EQ(count, 123u);
  EXPECT_EQ(s.book.platform.readCalls, reads);

  // A hit, link or position puts the readers back on their feet.
  ASSERT_EQ(s.lib().GetWordCont(1, buffer.data(), 4, &count), static_cast<int32_t>(s.at[1]));
  EXPECT_EQ(s.lib().epwGetLastContentByWord(buffer.data(), 512, &count), 1);
  EXPECT_EQ(Head(buffer, count), s.book.At(s.at[0], s.Length(0)));
}

}  // namespace
}  // namespace tomeshelf
