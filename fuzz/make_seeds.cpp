// Writes the seed corpora of the fuzzers from the book builder's session book: usage
// make_seeds DIRECTORY (fuzz/corpus), one folder per fuzzer.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_session.h"
#include "support/writer.h"
#include "support/session_book.h"

namespace {

using namespace tomeshelf::fuzzing;
using tomeshelf::testing::Bytes;

void Put(Bytes& out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes Call(Op op, int8_t n = 0, uint16_t size = 200, const Bytes& extra = {}) {
  Bytes out{op, static_cast<uint8_t>(n)};
  Put(out, size, 2);
  out.insert(out.end(), extra.begin(), extra.end());
  return out;
}

Bytes Inline(const Bytes& ref) {
  Bytes out{static_cast<uint8_t>(std::min<size_t>(ref.size(), 127) << 1)};
  out.insert(out.end(), ref.begin(),
             ref.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(ref.size(), 127)));
  return out;
}

// A session over every kind of call, as a reader would make it.
Bytes Calls(const tomeshelf::testing::SessionBook& b) {
  Bytes word{static_cast<uint8_t>(b.word.size() - 1)};
  word.insert(word.end(), b.word.begin(), b.word.end() - 1);
  Bytes gaiji;
  Put(gaiji, b.gaiji, 2);
  gaiji.insert(gaiji.end(), {16, 1, 0});
  Bytes out;
  for (const Bytes& c : {Call(kOpenEpwing),
                         Call(kBooksOpen),
                         Call(kSearch, 0, 0, word),
                         Call(kWordItem, 1),
                         Call(kWordContent, 0, 150),
                         Call(kWordContent, 0, 150),
                         Call(kNextContent),
                         Call(kLastContent),
                         Call(kWordCont, 2),
                         Call(kWordContNext),
                         Call(kWordContLast),
                         Call(kContLastNoSet),
                         Call(kMenuHead),
                         Call(kLinkContent, 0, 200, Inline(b.link)),
                         Call(kLinkPage, 0, 200, Inline(b.link)),
                         Call(kImageSize, 0, 0, Inline(b.mono)),
                         Call(kImage, 0, 0, Inline(b.mono)),
                         Call(kImageSize, 0, 0, Inline(b.colour)),
                         Call(kImage, 0, 0, Inline(b.colour)),
                         Call(kSoundProp, 0, 0, Inline(b.sound)),
                         Call(kPcmSize, 0, 0, Inline(b.sound)),
                         Call(kPcmCont),
                         Call(kGaiji, 16, 0, gaiji),
                         Call(kIsEpwBook),
                         Call(kBooksClose),
                         Call(kCloseEpwing)}) {
    out.insert(out.end(), c.begin(), c.end());
  }
  return out;
}

void Write(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(dir);
  tomeshelf::testing::WriteFile(dir / name, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds DIRECTORY\n");
    return 2;
  }
  const std::filesystem::path root = argv[1];
  const auto b = tomeshelf::testing::MakeSessionBook();
  const Bytes catalog = tomeshelf::testing::CatalogBytes({b.files.entry});
  const Bytes& font = b.files.fonts.at("FONT16F");
  const Bytes calls = Calls(b);

  using tomeshelf::testing::CatalogBytes;
  Write(root / "catalog_fuzzer", "one_book", catalog);
  Write(root / "catalog_fuzzer", "three_books",
        CatalogBytes({{0x60, "Index", "IDX", {}}, b.files.entry, {0x00, "Up", "..", {"..\\F"}}}));
  Write(root / "catalog_fuzzer", "short", CatalogBytes({b.files.entry}, 4));

  Bytes disc;
  Put(disc, static_cast<uint32_t>(catalog.size()), 2);
  Put(disc, static_cast<uint32_t>(font.size()), 2);
  Put(disc, static_cast<uint32_t>(b.files.honmon.size()), 4);
  for (const Bytes* part : {&catalog, &font, &b.files.honmon, &calls}) {
    disc.insert(disc.end(), part->begin(), part->end());
  }
  Write(root / "disc_fuzzer", "session", disc);

  Bytes search{static_cast<uint8_t>(b.word.size() - 1)};
  search.insert(search.end(), b.word.begin(), b.word.end() - 1);
  search.insert(search.end(), b.files.honmon.begin(), b.files.honmon.end());
  Write(root / "search_fuzzer", "forward", search);

  Bytes reader{2};
  for (uint32_t v : {2u * 2048u * 4u, 0u, 2u * 2048u * 4u + 100u, 0u}) Put(reader, v, 4);
  Put(reader, static_cast<uint32_t>(b.files.honmon.size()), 4);
  reader.insert(reader.end(), b.files.honmon.begin(), b.files.honmon.end());
  reader.insert(reader.end(), calls.begin() + 8, calls.end());  // the book is open already
  Write(root / "reader_fuzzer", "session", reader);

  Bytes gaiji;
  for (uint8_t call = 0; call < 4; ++call) {
    Put(gaiji, static_cast<uint32_t>(b.gaiji + call), 2);
    gaiji.insert(gaiji.end(), {16, 1, 32, 32, static_cast<uint8_t>(call % 3)});
  }
  gaiji.insert(gaiji.end(), font.begin(), font.end());
  Write(root / "gaiji_fuzzer", "full16", gaiji);
  return 0;
}
