#include <gtest/gtest.h>

#include <functional>

#include "text/reference.h"
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

// A book whose articles point at each other: a link from the first into the middle of a
// later block, and a menu area with a reference back.
struct LinkedBook {
  TextBook book;
  uint32_t source = 0, target = 0, after = 0, menu = 0;
  Bytes link, menuLink;

  LinkedBook() {
    TextFileBuilder text;
    const uint32_t menuBlock = 9;
    testing::AddMenuArea(text, menuBlock);
    auto w = ArticleWriter::InBlocks(text, 8);
    target = testing::Offset(5, 777);
    link = testing::LinkTo(target);
    source = w.Article(Join({Chars(20, 1), link, Chars(20, 2)}));
    w.Article(Chars(2, 9));
    w.SkipTo(target);
    w.Article(Chars(700, 3));
    after = w.Article(Chars(10, 4));
    w.SkipTo(testing::Offset(menuBlock));
    menuLink = testing::MenuLinkTo(target);
    menu = w.Article(Join({Chars(4, 5), menuLink}));
    w.Article(Chars(2, 6));
    book.Open(text);
    book.AddHit(source);
  }
  Library& lib() { return book.lib; }
};

TEST(LinkTest, LinkCopiedOutOfAnArticleLeadsIntoTheMiddleOfABlock) {
  LinkedBook b;
  Bytes article(2048);
  uint32_t count = 0;
  ASSERT_EQ(b.lib().epwGetWordContent(0, article.data(), 2048, &count), 1);
  const unsigned char* reference = article.data() + 4 + 40;  // marker, then 20 characters
  ASSERT_EQ(Bytes(reference, reference + b.link.size()), b.link);

  Bytes buffer(512);
  for (uint32_t piece = 0; piece < 2; ++piece) {
    ASSERT_EQ(b.lib().epwGetLinkContent(reference, buffer.data(), 512, &count), 0);
    EXPECT_EQ(buffer, b.book.At(b.target + piece * 512, 512));
    // While the article goes on the reference is not looked at.
    reference = b.menuLink.data();
  }
  EXPECT_EQ(b.lib().epwGetLinkContent(reference, buffer.data(), 512, &count), 1);
  EXPECT_EQ(count, 1404u - 1024u);
  EXPECT_EQ(b.lib().reading().nextPos, static_cast<int32_t>(b.after));
  EXPECT_EQ(b.lib().reading().chunkStart, static_cast<int32_t>(b.target));
}

TEST(LinkTest, MenuReferenceIsAPageNotAnArticle) {
  LinkedBook b;
  Bytes buffer(64);
  uint32_t count = 9;
  EXPECT_EQ(b.lib().epwGetLinkContent(b.menuLink.data(), buffer.data(), 64, &count), -2);
  EXPECT_EQ(count, 9u);
  EXPECT_EQ(b.lib().GetLinkContent(b.menuLink.data(), buffer.data(), 64, &count),
            static_cast<int32_t>(b.target));
  EXPECT_EQ(count, 64u);
  EXPECT_EQ(buffer, b.book.At(b.target, 64));
  EXPECT_EQ(b.lib().reading().nextPos, static_cast<int32_t>(b.target + 64));
  EXPECT_EQ(b.lib().GetLinkContent(b.link.data(), buffer.data(), 64, &count),
            static_cast<int32_t>(b.target));
  EXPECT_TRUE(b.book.platform.messages.empty());
}

TEST(LinkTest, MalformedReferencesAreRefusedWithTheirMessages) {
  LinkedBook b;
  Bytes buffer(64);
  uint32_t count = 9;
  Bytes notEscaped = b.link;
  notEscaped[0] = 0x1E;
  Bytes otherKind = b.link;
  otherKind[1] = 0x44;
  EXPECT_EQ(b.lib().GetLinkContent(notEscaped.data(), buffer.data(), 64, &count), -2);
  EXPECT_EQ(b.lib().GetLinkContent(otherKind.data(), buffer.data(), 64, &count), -2);
  EXPECT_EQ(b.book.platform.messages,
            (std::vector<std::string>{"SuperLink Error1", "SuperLink Error2"}));
  EXPECT_EQ(b.lib().epwGetLinkContent(notEscaped.data(), buffer.data(), 64, &count), -2);
  EXPECT_EQ(b.lib().epwGetLinkContent(otherKind.data(), buffer.data(), 64, &count), -2);
  EXPECT_EQ(b.book.platform.messages.size(), 2u);
  EXPECT_EQ(count, 9u);
}

TEST(LinkTest, ReferenceWithoutEndPairIsRefusedWithinItsBound) {
  LinkedBook b;
  // Nothing after the bound: a read beyond it would be caught by the sanitizers.
  Bytes endless = Join({{testing::kControl, 0x42}, Chars(kMaxReferenceScan / 2 - 1)});
  ASSERT_EQ(endless.size(), kMaxReferenceScan);
  Bytes buffer(64);
  uint32_t count = 9;
  const int64_t reads = b.book.platform.readCalls;
  EXPECT_EQ(b.lib().epwGetLinkContent(endless.data(), buffer.data(), 64, &count), -2);
  EXPECT_EQ(b.lib().GetLinkContent(endless.data(), buffer.data(), 64, &count), -2);
  EXPECT_EQ(b.book.platform.readCalls, reads);
  EXPECT_EQ(b.lib().reading().chunkStart, 0);
}

TEST(MenuTest, MenuHeadIsTheFirstMenuEntrysBlock) {
  LinkedBook b;
  const int32_t head = b.lib().GetMenuHead();
  ASSERT_EQ(head, static_cast<int32_t>(testing::Offset(9)));
  Bytes buffer(16);
  uint32_t count = 0;
  EXPECT_EQ(b.lib().GetLinkContByPt(head, buffer.data(), 16, &count), head);
  EXPECT_EQ(buffer, b.book.At(b.menu, 16));
}

TEST(MenuTest, MenuHeadFollowsTheIndexTable) {
  struct Case {
    std::vector<std::pair<uint8_t, uint32_t>> entries;  // code, start block
    int32_t head;
  };
  const std::vector<Case> cases = {
      {{{0x90, 3}, {0x01, 7}}, 12288},
      {{{0x01, 7}, {0x01, 9}}, 12288},
      {{{0x90, 3}, {0x91, 4}}, -2},
      {{}, -2},
      {{{0x01, 0}}, -2},  // a block before the file's first
  };
  for (const auto& c : cases) {
    TextFileBuilder text;
    for (const auto& [code, block] : c.entries) text.AddIndexEntry({code, block});
    TextBook book;
    book.Open(text);
    EXPECT_EQ(book.lib.GetMenuHead(), c.head);
  }
}

TEST(PageTest, PagesStepForwardAndBack) {
  LinkedBook b;
  Bytes buffer(300);
  uint32_t count = 0;
  ASSERT_EQ(b.lib().GetWordCont(0, buffer.data(), 300, &count), static_cast<int32_t>(b.source));
  EXPECT_EQ(b.lib().GetWordCont(1, buffer.data(), 300, &count), -2);
  EXPECT_EQ(b.lib().GetWordContNext(buffer.data(), 300, &count),
            static_cast<int32_t>(b.source + 300));
  EXPECT_EQ(buffer, b.book.At(b.source + 300, 300));
  EXPECT_EQ(b.lib().reading().articleBytesRead, 300u);

  // Peeking back moves nothing; stepping back does.
  EXPECT_EQ(b.lib().GetContLastNoSet(buffer.data(), 300, &count), 1);
  EXPECT_EQ(buffer, b.book.At(b.source, 300));
  EXPECT_EQ(b.lib().reading().chunkStart, static_cast<int32_t>(b.source + 300));
  EXPECT_EQ(b.lib().reading().nextPos, static_cast<int32_t>(b.source + 600));
  EXPECT_EQ(b.lib().GetWordContLast(buffer.data(), 300, &count), static_cast<int32_t>(b.source));
  EXPECT_EQ(b.lib().reading().nextPos, static_cast<int32_t>(b.source + 300));
}

TEST(PageTest, PagingBackStopsAtTheFilesFirstByte) {
  LinkedBook b;
  Bytes buffer(2048);
  uint32_t count = 0;
  ASSERT_EQ(b.lib().GetLinkContByPt(1000, buffer.data(), 10, &count), 1000);
  EXPECT_EQ(b.lib().GetWordContLast(buffer.data(), 2048, &count), 0);
  EXPECT_EQ(count, 1000u);
  EXPECT_EQ(Head(buffer, 1000), b.book.At(0, 1000));
  EXPECT_EQ(b.lib().GetWordContLast(buffer.data(), 2048, &count), 0);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(b.lib().GetContLastNoSet(buffer.data(), 2048, &count), 1);
  EXPECT_EQ(b.lib().GetLinkContByPt(-1, buffer.data(), 10, &count), -2);
}

TEST(PageTest, PageReadersKeepTheArticleStateOfLinks) {
  LinkedBook b;
  Bytes buffer(512);
  uint32_t count = 0;
  ASSERT_EQ(b.lib().epwGetLinkContent(b.link.data(), buffer.data(), 512, &count), 0);
  const uint32_t articleBytes = b.lib().reading().articleBytesRead;
  ASSERT_EQ(b.lib().GetLinkContByPt(0, buffer.data(), 16, &count), 0);
  ASSERT_EQ(b.lib().GetLinkContent(b.menuLink.data(), buffer.data(), 16, &count),
            static_cast<int32_t>(b.target));
  EXPECT_EQ(b.lib().reading().continuing, 1);
  EXPECT_EQ(b.lib().reading().articleBytesRead, articleBytes);
  ASSERT_EQ(b.lib().epwGetLinkContent(b.link.data(), buffer.data(), 512, &count), 0);
  EXPECT_EQ(buffer, b.book.At(b.target + 512, 512));
}

TEST(PageTest, FailedChecksFailEveryPageReaderAndTheNextSucceeds) {
  LinkedBook b;
  Bytes buffer(32);
  uint32_t count = 77;
  const std::vector<std::function<int32_t()>> readers = {
      [&] { return b.lib().GetWordCont(0, buffer.data(), 32, &count); },
      [&] { return b.lib().GetWordContNext(buffer.data(), 32, &count); },
      [&] { return b.lib().GetWordContLast(buffer.data(), 32, &count); },
      [&] { return b.lib().GetLinkContent(b.link.data(), buffer.data(), 32, &count); },
      [&] { return b.lib().GetLinkContByPt(4096, buffer.data(), 32, &count); },
  };
  for (size_t i = 0; i < readers.size(); ++i) {
    b.book.platform.pendingChanges = 1;
    count = 77;
    EXPECT_EQ(readers[i](), -1) << i;
    EXPECT_EQ(count, 77u) << i;
    EXPECT_GE(readers[i](), 0) << i;
  }
}

}  // namespace
}  // namespace tomeshelf
