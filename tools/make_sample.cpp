// Writes the bundled sample disc with the book builder, so the program can be tried with
// no disc at hand: a small Japanese-English dictionary with kana, written-form and alphabet
// indexes in both directions, links between its articles, a menu, gaiji fonts, a picture
// and a sound.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codec/jis.h"
#include "support/article_builder.h"
#include "support/book_builder.h"
#include "support/index_builder.h"
#include "support/media_builder.h"

namespace {

using namespace tomeshelf::testing;

Bytes Jis(const std::string& utf8) {
  auto jis = tomeshelf::codec::Utf8ToJis(utf8);
  if (!jis) {
    std::fprintf(stderr, "make_sample: no JIS form for %s\n", utf8.c_str());
    std::exit(1);
  }
  return *jis;
}

struct Word {
  const char* kana;
  const char* written;
  const char* english;
  const char* meaning;
  int seeAlso;  // a related word, or -1
};

const Word kWords[] = {
    {"あい", "愛", "love", "love, affection", -1},
    {"いぬ", "犬", "dog", "dog, a loyal animal kept by people", 2},
    {"ねこ", "猫", "cat", "cat, a small animal that likes to sleep", 1},
    {"さくら", "桜", "cherry", "cherry tree, and its blossom in spring", 10},
    {"じしょ", "辞書", "dictionary", "dictionary, a book of words and their meanings", 5},
    {"ほん", "本", "book", "book", 4},
    {"みず", "水", "water", "water", 8},
    {"やま", "山", "mountain", "mountain", 8},
    {"かわ", "川", "river", "river, water that flows to the sea", 11},
    {"ほし", "星", "star", "star", 10},
    {"そら", "空", "sky", "sky", 9},
    {"うみ", "海", "sea", "sea", 8},
};
constexpr size_t kCount = sizeof kWords / sizeof kWords[0];
constexpr size_t kStar = 9, kSea = 11, kDog = 1;
constexpr uint16_t kGaijiStart = 0xA121;

// English runs are marked half-width, as books mark them.
Bytes HalfWidth(const Bytes& text) { return Join({Bytes{0x1F, 0x04}, text, Bytes{0x1F, 0x05}}); }

Position At(uint32_t fileOffset) {
  return Position{fileOffset / kBlock + 1, static_cast<uint16_t>(fileOffset % kBlock)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample DIRECTORY\n");
    return 2;
  }
  TextFileBuilder text;

  // Media data first, so that the articles can refer to it.
  const uint32_t pictureBlock = text.ReserveBlocks(1);
  text.Put(Offset(pictureBlock), MonoPictureBits(32, 32));
  const uint32_t soundBlock = text.ReserveBlocks(2);
  text.Put(Offset(soundBlock), SoundBytes(3000));

  // Articles, laid out twice: links need the offsets of articles written after them.
  const uint32_t articleBlock = text.ReserveBlocks(4);
  const uint32_t menuBlock = text.ReserveBlocks(1);
  const uint32_t headingBlock = text.ReserveBlocks(1);
  std::vector<uint32_t> article(kCount), heading(kCount);
  for (int pass = 0; pass < 2; ++pass) {
    ArticleWriter w(text, Offset(articleBlock));
    ArticleWriter headings(text, Offset(headingBlock));
    for (size_t i = 0; i < kCount; ++i) {
      const Word& word = kWords[i];
      const Bytes title = Jis(std::string(word.kana) + "【" + word.written + "】");
      heading[i] = headings.Heading(title);
      Bytes body = Join({title, LineBreak(), HalfWidth(Jis(word.meaning))});
      if (i == kStar) body = Join({body, Jis(" "), Bytes{0xA1, 0x21}});  // a gaiji star
      if (i == kSea) body = Join({body, LineBreak(), MonoPictureReference(32, 32, "", pictureBlock, 0)});
      if (i == kDog) {
        SoundDataRef bark;
        bark.startBlock = soundBlock;
        bark.endBlock = soundBlock + 1;
        bark.endOffset = 3000 - kBlock;
        body = Join({body, LineBreak(), SoundDataReference(bark)});
      }
      if (word.seeAlso >= 0) {
        const size_t other = static_cast<size_t>(word.seeAlso);
        body = Join({body, LineBreak(), Jis("→"), LinkTo(article[other], Jis(kWords[other].kana))});
      }
      article[i] = w.Article(Join({body, TextEnd()}));
    }
    w.Article(TextEnd());  // ends the last article
    // The menu: a line per word, each a menu reference to its article.
    ArticleWriter menu(text, Offset(menuBlock));
    Bytes items = Join({Jis("目次"), LineBreak()});
    for (size_t i = 0; i < kCount; ++i) {
      items = Join({items, MenuLinkTo(article[i], Jis(kWords[i].kana)), LineBreak()});
    }
    menu.Article(Join({items, TextEnd()}));
  }
  AddMenuArea(text, menuBlock);

  // Word indexes: keys as the reader types them, with no conversion but symbol removal.
  auto addIndex = [&](uint8_t code, bool backward, auto keyOf) {
    IndexShape shape;
    shape.backward = backward;
    IndexBuilder builder(shape);
    for (size_t i = 0; i < kCount; ++i) {
      builder.Add(IndexWord{keyOf(kWords[i]), At(article[i]), At(heading[i])});
    }
    IndexTableEntry entry;
    entry.code = code;
    entry.settings = {0x55, 0x55, 0x55};  // every conversion off
    WriteIndex(text, builder.Build(text), entry);
  };
  auto kana = [](const Word& w) { return Jis(w.kana); };
  auto written = [](const Word& w) { return Jis(w.written); };
  auto english = [](const Word& w) { return Jis(w.english); };
  addIndex(0x90, false, kana);
  addIndex(0x91, false, written);
  addIndex(0x92, false, english);
  addIndex(0x70, true, kana);
  addIndex(0x71, true, written);
  addIndex(0x72, true, english);

  BookFiles book;
  book.entry = {0x00, "Tomeshelf Sample Dictionary", "SAMPLE", {"GAIJI16F", "", "", "", "GAIJI16H"}};
  book.honmon = text.Build();
  book.fonts["GAIJI16F"] = GaijiFontBytes(FontShape{true, 16}, kGaijiStart, 4);
  book.fonts["GAIJI16H"] = GaijiFontBytes(FontShape{false, 16}, kGaijiStart, 4);
  WriteDisc(argv[1], {book});
  return 0;
}
