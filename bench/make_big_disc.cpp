// Writes a disc with one book of many entries (270,000 unless told), for timing the
// viewer's search requests: tomeshelf serve DIR, then /api/search?q=... and the
// Server-Timing header. Keys are four hiragana; each entry has a heading and an article.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/writer.h"

namespace {

using namespace tomeshelf::testing;

constexpr uint32_t kKana = 47;
constexpr uint32_t kKeySpace = kKana * kKana * kKana * kKana;
constexpr uint32_t kSpread = 2654435761u;  // not a multiple of 47: a bijection mod 47^4

Bytes KeyOf(uint32_t n) {
  uint32_t v = static_cast<uint32_t>((uint64_t{n} * kSpread) % kKeySpace);
  Bytes key;
  for (int i = 0; i < 4; ++i) {
    key.push_back(0x24);
    key.push_back(static_cast<uint8_t>(0x22 + v % kKana));
    v /= kKana;
  }
  return key;
}

Position At(uint32_t fileOffset) {
  return Position{fileOffset / kBlock + 1, static_cast<uint16_t>(fileOffset % kBlock)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_big_disc DIRECTORY [ENTRIES]\n");
    return 2;
  }
  const uint32_t entries = argc > 2 ? static_cast<uint32_t>(std::atoi(argv[2])) : 270000;
  TextFileBuilder text;
  const Bytes meaning = Chars(12, 7);
  const uint32_t articleBlocks = entries * 40 / kBlock + 2;
  const uint32_t headingBlocks = entries * 12 / kBlock + 2;
  ArticleWriter articles = ArticleWriter::InBlocks(text, articleBlocks);
  ArticleWriter headings = ArticleWriter::InBlocks(text, headingBlocks);
  IndexBuilder builder{IndexShape{}};
  for (uint32_t i = 0; i < entries; ++i) {
    const Bytes key = KeyOf(i);
    const uint32_t heading = headings.Heading(key);
    const uint32_t article = articles.Article(Join({key, LineBreak(), meaning}));
    builder.Add(IndexWord{key, At(article), At(heading)});
  }
  articles.Article(TextEnd());
  IndexTableEntry entry;
  entry.code = 0x90;
  entry.settings = {0x55, 0x55, 0x55};
  WriteIndex(text, builder.Build(text), entry);
  BookFiles book;
  book.entry = {0x00, "Big Book", "BIG", {}};
  book.honmon = text.Build();
  WriteDisc(argv[1], {book});
  std::printf("%u entries\n", entries);
  return 0;
}
