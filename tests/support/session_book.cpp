#include "support/session_book.h"

#include <vector>

#include "support/writer.h"

namespace tomeshelf::testing {

namespace {

constexpr uint32_t kArticles = 5;
constexpr uint8_t kKanaIndexCode = 0x90;
constexpr uint16_t kGaijiStart = 0xA121;

Position At(uint32_t fileOffset) {
  return Position{fileOffset / kBlock + 1, static_cast<uint16_t>(fileOffset % kBlock)};
}

}  // namespace

SessionBook MakeSessionBook() {
  SessionBook s;
  TextFileBuilder text;
  const uint32_t pictureBlock = text.ReserveBlocks(1);
  text.Put(Offset(pictureBlock), MonoPictureBits(32, 16));
  const uint32_t colourBlock = text.ReserveBlocks(1);
  text.Put(Offset(colourBlock), ColourPictureData(JpegLikeFile()));
  const uint32_t soundBlock = text.ReserveBlocks(2);
  text.Put(Offset(soundBlock), SoundBytes(2500));
  s.mono = MonoPictureReference(32, 16, "Fig", pictureBlock, 0);
  s.colour = ColourPictureReference(colourBlock, 0, "Photo");
  s.sound = SoundDataReference(
      SoundDataRef{0x01, 0, 0, soundBlock, 0, soundBlock + 1, 2500 - kBlock, "Bell"});

  // Articles long enough to take several pieces; the second is the link's target. Laid
  // out twice: the first article links forward.
  const uint32_t articleBlock = text.ReserveBlocks(3);
  const uint32_t headingBlock = text.ReserveBlocks(1);
  uint32_t second = 0;
  std::vector<IndexWord> words;
  for (int pass = 0; pass < 2; ++pass) {
    ArticleWriter articles(text, Offset(articleBlock));
    ArticleWriter headings(text, Offset(headingBlock));
    words.clear();
    for (uint32_t i = 0; i < kArticles; ++i) {
      Bytes body = Chars(i == 0 ? 300 : 120, i);
      if (i == 0) body = Join({body, Bytes{0xA1, 0x21}, LinkTo(second), s.mono, s.sound});
      const uint32_t heading = headings.Heading(Chars(4, 100 + i));
      const uint32_t article = articles.Article(body);
      if (i == 1) second = article;
      words.push_back(
          IndexWord{{0x24, 0x22, 0x24, static_cast<uint8_t>(0x24 + i)}, At(article), At(heading)});
    }
    articles.Article(TextEnd());
  }
  s.link = LinkTo(second);
  const uint32_t menuBlock = text.ReserveBlocks(1);
  ArticleWriter(text, Offset(menuBlock)).Article(Join({MenuLinkTo(second), TextEnd()}));
  AddMenuArea(text, menuBlock);

  IndexBuilder index(IndexShape{});
  for (auto& w : words) index.Add(w);
  IndexTableEntry entry;
  entry.code = kKanaIndexCode;
  entry.settings = {0x55, 0x55, 0x55};  // no conversion
  WriteIndex(text, index.Build(text), entry);

  s.word = {0x24, 0x22, 0x21, 0x76, 0x00};  // the first character and a trailing asterisk
  s.gaiji = kGaijiStart;
  s.files.entry = CatalogEntry{0x00, "Session", "DICT", {"FONT16F", "", "", "", "FONT16H"}};
  s.files.honmon = text.Build();
  s.files.fonts["FONT16F"] = GaijiFontBytes(FontShape{true, 16}, kGaijiStart, 4);
  s.files.fonts["FONT16H"] = GaijiFontBytes(FontShape{false, 16}, kGaijiStart, 4);
  return s;
}

SessionDisc::SessionDisc() : root(dir.Windows()) { WriteDisc(dir.path(), {book.files}); }

}  // namespace tomeshelf::testing
