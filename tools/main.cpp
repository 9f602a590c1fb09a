// tomeshelf: list the books of a disc, look words up, read articles as UTF-8, follow links
// and the menu, and export gaiji, pictures and sound.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "api/library.h"
#include "export/export.h"
#include "jis_text.h"
#include "make_command.h"
#include "tomeshelf/tomeshelf.h"

namespace {

using tomeshelf::cli::RenderText;
using tomeshelf::cli::RenderTitle;
using tomeshelf::cli::Utf8ToJis;

constexpr uint32_t kPiece = 4096;
constexpr int kMaxArticlePieces = 4096;  // a damaged book must not keep us reading forever

const char kUsage[] =
    "usage: tomeshelf COMMAND DISC [ARGS]\n"
    "  books DISC                      list the books of a disc\n"
    "  lookup DISC WORD                list the headings of the hits (WORD*: words that begin\n"
    "                                  with WORD; *WORD: words that end with it)\n"
    "  show DISC WORD [HIT]            print the article of a hit (default the first)\n"
    "  follow DISC BLOCK:OFFSET        print the article a reference points to\n"
    "  menu DISC                       print the book's menu\n"
    "  gaiji DISC CODE [SIZE [half|full] [FILE.pbm]]\n"
    "                                  draw an external character (CODE in hex, e.g. A121)\n"
    "  media DISC WORD [HIT [DIR]]     save the pictures and sound of an article\n"
    "  export DISC [--book N] --format jsonl|yomitan [-o FILE] [--gaiji-map FILE]\n"
    "                                  write every entry of a book as JSON lines or a\n"
    "                                  Yomitan dictionary\n";

int Fail(const char* what) {
  std::fprintf(stderr, "tomeshelf: %s\n", what);
  return 1;
}

// Opens the disc's first usable book; closes both on the way out.
class OpenDisc {
 public:
  explicit OpenDisc(const char* disc) {
    if (OpenEpwing(disc) != TOMESHELF_OK) {
      error_ = "no CATALOGS found under the disc path";
    } else if (epwBooksOpen() != TOMESHELF_OK) {
      error_ = "the book could not be opened";
    }
  }
  ~OpenDisc() {
    epwBooksClose();
    CloseEpwing();
  }
  OpenDisc(const OpenDisc&) = delete;
  OpenDisc& operator=(const OpenDisc&) = delete;
  const char* error() const { return error_; }

 private:
  const char* error_ = nullptr;
};

// Looks a UTF-8 word up; the number of hits, or a negative result.
int32_t Lookup(const std::string& word) {
  auto jis = Utf8ToJis(word);
  if (!jis) return -3;
  jis->push_back(0);
  jis->push_back(0);
  WordProperties props{};
  const int32_t r = epwGetWordProperties(jis->data(), &props);
  return r == TOMESHELF_OK ? props.hitCount : r;
}

std::string Heading(int32_t hit) {
  std::vector<unsigned char> item(TOMESHELF_ITEM_SIZE);
  WordItemRecord record{};
  record.itemBuffer = item.data();
  if (epwGetWordItem(hit, &record) != TOMESHELF_OK) return "?";
  item.resize(std::strlen(reinterpret_cast<char*>(item.data())));
  return RenderText(item);
}

// Reads one whole article, piece by piece, with the given reader.
template <typename Reader>
bool ReadArticle(Reader read, std::vector<uint8_t>& out) {
  std::vector<unsigned char> piece(kPiece);
  for (int i = 0; i < kMaxArticlePieces; ++i) {
    uint32_t count = 0;
    const int32_t r = read(piece.data(), kPiece, &count);
    if (r < 0) return false;
    out.insert(out.end(), piece.begin(), piece.begin() + count);
    if (r == TOMESHELF_OK) return true;
  }
  return true;
}

// A link reference to a block and offset, as article text would carry it.
std::vector<unsigned char> LinkTo(uint32_t block, uint32_t offset) {
  std::vector<unsigned char> ref = {0x1F, 0x42, 0x21, 0x21, 0x1F, 0x62};
  auto bcd = [&](uint32_t v, int bytes) {
    std::vector<unsigned char> b(static_cast<size_t>(bytes));
    for (int i = bytes - 1; i >= 0; --i) {
      b[static_cast<size_t>(i)] = static_cast<unsigned char>((v / 10 % 10) << 4 | v % 10);
      v /= 100;
    }
    ref.insert(ref.end(), b.begin(), b.end());
  };
  bcd(block, 4);
  bcd(offset, 2);
  return ref;
}

int PrintArticleAt(uint32_t block, uint32_t offset) {
  const auto ref = LinkTo(block, offset);
  std::vector<uint8_t> text;
  if (!ReadArticle([&](unsigned char* b, uint32_t n, uint32_t* c) {
        return epwGetLinkContent(ref.data(), b, n, c);
      }, text)) {
    return Fail("the article could not be read");
  }
  std::printf("%s\n", RenderText(text).c_str());
  return 0;
}

int Books(const char* disc) {
  tomeshelf::Library& lib = tomeshelf::ProcessLibrary();
  if (lib.OpenEpwing(disc) != TOMESHELF_OK) return Fail("no CATALOGS found under the disc path");
  tomeshelf::Catalog* catalog = lib.catalog();
  for (int32_t i = 0; i < catalog->EntryCount(); ++i) {
    tomeshelf::BookEntry entry;
    const bool selected = catalog->GetEntry(i, entry);
    std::printf("%d  %s  %s%s\n", i, RenderTitle(entry.title.data()).c_str(),
                entry.bookPath.c_str(), selected ? "" : "  (not a usable type)");
  }
  lib.CloseEpwing();
  return 0;
}

int LookupCommand(const char* disc, const std::string& word) {
  OpenDisc open(disc);
  if (open.error()) return Fail(open.error());
  const int32_t hits = Lookup(word);
  if (hits == -3) return Fail("the word has characters that books do not hold");
  if (hits < 0) {
    std::printf("no hits\n");
    return hits == TOMESHELF_REFUSED ? 0 : 1;
  }
  for (int32_t i = 0; i < hits; ++i) std::printf("%d  %s\n", i, Heading(i).c_str());
  return 0;
}

int ShowCommand(const char* disc, const std::string& word, int32_t hit) {
  OpenDisc open(disc);
  if (open.error()) return Fail(open.error());
  const int32_t hits = Lookup(word);
  if (hits <= hit || hit < 0) return Fail("no such hit");
  std::vector<uint8_t> text;
  if (!ReadArticle([&](unsigned char* b, uint32_t n, uint32_t* c) {
        return epwGetWordContent(hit, b, n, c);
      }, text)) {
    return Fail("the article could not be read");
  }
  std::printf("%s\n", RenderText(text).c_str());
  return 0;
}

int FollowCommand(const char* disc, const char* target) {
  unsigned block = 0, offset = 0;
  if (std::sscanf(target, "%u:%u", &block, &offset) != 2) return Fail("give the target as BLOCK:OFFSET");
  OpenDisc open(disc);
  if (open.error()) return Fail(open.error());
  return PrintArticleAt(block, offset);
}

int MenuCommand(const char* disc) {
  OpenDisc open(disc);
  if (open.error()) return Fail(open.error());
  const int32_t at = GetMenuHead();
  if (at < 0) return Fail("the book has no menu");
  return PrintArticleAt(static_cast<uint32_t>(at) / 2048 + 1, static_cast<uint32_t>(at) % 2048);
}

int GaijiCommand(const char* disc, const char* codeText, int32_t size, int32_t width,
                 const char* file) {
  OpenDisc open(disc);
  if (open.error()) return Fail(open.error());
  const uint32_t code = static_cast<uint32_t>(std::strtoul(codeText, nullptr, 16));
  TomeshelfBitmapObject object{nullptr, nullptr};
  if (epwExCode2Bmp(code, size, width, 0, 0, 0, 0xFFFFFF, &object) != TOMESHELF_OK) {
    return Fail("the book has no such external character");
  }
  const TomeshelfBitmap& bmp = *object.bitmap;
  const int32_t rowBytes = (bmp.width + 7) / 8;
  if (file) {
    std::ofstream out(file, std::ios::binary);
    out << "P4\n" << bmp.width << ' ' << bmp.height << '\n';
    for (int32_t y = 0; y < bmp.height; ++y) {
      for (int32_t x = 0; x < rowBytes; ++x) {
        out.put(static_cast<char>(~bmp.bits[y * bmp.stride + x]));  // PBM: 1 is ink
      }
    }
  } else {
    for (int32_t y = 0; y < bmp.height; ++y) {
      for (int32_t x = 0; x < bmp.width; ++x) {
        const bool ink = !(bmp.bits[y * bmp.stride + x / 8] & (0x80 >> (x % 8)));
        std::fputs(ink ? "##" : "..", stdout);
      }
      std::fputc('\n', stdout);
    }
  }
  TomeshelfFreeBitmap(object.bitmap);
  return 0;
}

bool Save(const std::string& path, const void* data, size_t n) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
  std::printf("%s (%zu bytes)\n", path.c_str(), n);
  return static_cast<bool>(out);
}

int MediaCommand(const char* disc, const std::string& word, int32_t hit, const std::string& dir) {
  OpenDisc open(disc);
  if (open.error()) return Fail(open.error());
  if (Lookup(word) <= hit || hit < 0) return Fail("no such hit");
  std::vector<uint8_t> text;
  if (!ReadArticle([&](unsigned char* b, uint32_t n, uint32_t* c) {
        return epwGetWordContent(hit, b, n, c);
      }, text)) {
    return Fail("the article could not be read");
  }
  text.resize(text.size() + 4096, 0);  // references are read without a length
  int saved = 0;
  for (size_t i = 0; i + 1 < text.size() - 4096; ++i) {
    if (text[i] != 0x1F) continue;
    const unsigned char* ref = &text[i];
    const std::string base = dir + "/" + std::to_string(++saved);
    if (ref[1] == 0x44 || ref[1] == 0x4D) {
      std::vector<char> caption(4096);
      const int32_t size = epwGetImageSize(ref, caption.data());
      if (size <= 0) continue;
      std::vector<unsigned char> data(static_cast<size_t>(size));
      ImageKind kind = 0;
      const int32_t got = epwGetImage(ref, data.data(), &kind);
      if (got < 0) continue;
      if (kind == TOMESHELF_IMAGE_COLOUR) {
        const bool bmp = got >= 2 && data[0] == 'B' && data[1] == 'M';
        const bool jpeg = got >= 2 && data[0] == 0xFF && data[1] == 0xD8;
        Save(base + (bmp ? ".bmp" : jpeg ? ".jpg" : ".bin"), data.data(), static_cast<size_t>(got));
      } else {
        Save(base + ".mono", data.data(), static_cast<size_t>(got) + 8);
      }
    } else if (ref[1] == 0x4A) {
      const int32_t size = epwGetPcmSize(ref);
      if (size <= 0) continue;
      std::vector<unsigned char> data(static_cast<size_t>(size));
      const int32_t got = epwGetPcmCont(0, data.data());
      if (got >= 0) Save(base + ".snd", data.data(), static_cast<size_t>(got));
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = argv[1];
  const char* disc = argv[2];
  auto arg = [&](int i, const char* fallback) { return argc > i ? argv[i] : fallback; };
  if (command == "make") return tomeshelf::cli::RunMake(argc - 1, argv + 1);
  if (command == "export") return tomeshelf::exporter::RunExport(argc, argv);
  if (command == "books") return Books(disc);
  if (command == "lookup" && argc >= 4) return LookupCommand(disc, argv[3]);
  if (command == "show" && argc >= 4) return ShowCommand(disc, argv[3], std::atoi(arg(4, "0")));
  if (command == "follow" && argc >= 4) return FollowCommand(disc, argv[3]);
  if (command == "menu") return MenuCommand(disc);
  if (command == "gaiji" && argc >= 4) {
    const int32_t width = std::strcmp(arg(5, "full"), "half") == 0 ? 0 : 1;
    return GaijiCommand(disc, argv[3], std::atoi(arg(4, "16")), width, argc > 6 ? argv[6] : nullptr);
  }
  if (command == "media" && argc >= 4) {
    return MediaCommand(disc, argv[3], std::atoi(arg(4, "0")), arg(5, "."));
  }
  std::fputs(kUsage, stderr);
  return 2;
}
