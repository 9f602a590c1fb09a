#include "present/session.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "api/library.h"
#include "codec/jis.h"
#include "present/media.h"
#include "present/spelling.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf::present {

namespace {

constexpr uint32_t kPiece = 4096;
constexpr size_t kMaxArticleBytes = 1 << 20;  // a damaged book must not keep us reading
constexpr uint32_t kNeighbourWindow = 32768;  // how far next and previous articles are sought
constexpr int32_t kMaxMediaBytes = 32 << 20;
constexpr uint8_t kStart[] = {0x1F, 0x41, 0x01};

void PutBcd(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  std::vector<uint8_t> b(static_cast<size_t>(bytes));
  for (int i = bytes - 1; i >= 0; --i) {
    b[static_cast<size_t>(i)] = static_cast<uint8_t>((value / 10 % 10) << 4 | value % 10);
    value /= 100;
  }
  out.insert(out.end(), b.begin(), b.end());
}

void PutPosition(std::vector<uint8_t>& out, Position p) {
  PutBcd(out, p.block, 4);
  PutBcd(out, p.offset, 2);
}

// References as article text carries them, with no label or caption; padded with zero
// bytes because the library reads references without a length.
std::vector<uint8_t> Padded(std::vector<uint8_t> ref) {
  ref.resize(ref.size() + 64, 0);
  return ref;
}

std::vector<uint8_t> LinkReference(Position at) {
  std::vector<uint8_t> ref = {0x1F, 0x42, 0x21, 0x21, 0x1F, 0x62};  // a one-character label
  PutPosition(ref, at);
  return Padded(std::move(ref));
}

const char* IndexName(uint8_t code) {
  switch (code) {
    case 0x90: return "kana";
    case 0x91: return "written";
    case 0x92: return "alphabet";
    case 0x70: return "kana backward";
    case 0x71: return "written backward";
    case 0x72: return "alphabet backward";
    default: return nullptr;
  }
}

long FindMarker(const std::vector<uint8_t>& bytes, size_t from) {
  const auto it = std::search(bytes.begin() + static_cast<long>(std::min(from, bytes.size())),
                              bytes.end(), std::begin(kStart), std::end(kStart));
  return it == bytes.end() ? -1 : it - bytes.begin();
}

}  // namespace

std::string NativePath(const std::string& libraryPath) {
  std::string out = libraryPath;
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::vector<BookSummary> ListBooks(const std::string& disc, Error& error) {
  std::vector<BookSummary> out;
  Library& lib = ProcessLibrary();
  if (OpenEpwing(disc.c_str()) != TOMESHELF_OK) {
    error = {Failure::kDisc, "no CATALOGS found under " + disc};
    return out;
  }
  Catalog* catalog = lib.catalog();
  for (int32_t i = 0; i < catalog->EntryCount(); ++i) {
    BookEntry entry;
    BookSummary book;
    book.index = i;
    catalog->GetEntry(i, entry);
    uint8_t type = 0;
    std::array<char, 81> title{};
    book.usable = TomeshelfGetBook(i, &type, title.data()) == TOMESHELF_OK && entry.usable;
    book.title = TitleText(entry.title.data());
    book.type = entry.bookType;
    book.path = NativePath(entry.bookPath);
    for (size_t slot = 0; slot < kFontCount; ++slot) {
      const char* name = entry.fontNames.data() + slot * kFontNameSize;
      std::string font(name, strnlen(name, kFontNameSize));
      font.erase(std::remove(font.begin(), font.end(), ' '), font.end());
      if (!font.empty()) book.fonts.push_back(font);
    }
    if (book.usable && TomeshelfOpenBook(i) == TOMESHELF_OK) {
      std::array<uint8_t, 256> codes{};
      const int32_t n = std::min<int32_t>(TomeshelfGetAreaCodes(codes.data(), codes.size()), codes.size());
      std::vector<uint8_t> seen;
      for (int32_t k = 0; k < n; ++k) {
        const uint8_t code = codes[static_cast<size_t>(k)];
        const char* name = IndexName(code);
        if (name && std::find(seen.begin(), seen.end(), code) == seen.end()) {
          seen.push_back(code);
          book.indexes.emplace_back(name);
        }
      }
      book.menu = GetMenuHead() >= 0;
    }
    epwBooksClose();
    out.push_back(std::move(book));
  }
  CloseEpwing();
  return out;
}

Session::Session(std::string disc, int32_t book) : disc_(std::move(disc)), book_(book) {}

Session::~Session() { Close(); }

void Session::Close() {
  if (!open_) return;
  epwBooksClose();
  open_ = false;
}

Error Session::Lost(const std::string& what) {
  Close();
  return {Failure::kDisc, what + ": the disc could not be read (was it removed or changed?)"};
}

Error Session::Open() {
  Close();
  if (OpenEpwing(disc_.c_str()) != TOMESHELF_OK) {
    return {Failure::kDisc, "no CATALOGS found under " + disc_};
  }
  if (book_ < 0 || book_ >= TomeshelfBookCount()) {
    CloseEpwing();
    return {Failure::kNotFound, "the disc has no book " + std::to_string(book_)};
  }
  BookEntry entry;
  ProcessLibrary().catalog()->GetEntry(book_, entry);  // for the directory the maps are named after
  const int32_t opened = TomeshelfOpenBook(book_);
  CloseEpwing();
  if (opened != TOMESHELF_OK) {
    return {Failure::kDisc, "book " + std::to_string(book_) + " could not be opened"};
  }
  open_ = true;
  gaiji_.clear();
  mapProblems_.clear();
  ReadBookGaijiMaps(disc_, entry.bookPath, gaiji_, mapProblems_);
  return {};
}

bool Session::Ready(Error& error) {
  if (!open_) error = Open();
  return open_;
}

SearchResult Session::Search(const std::string& word, SearchMode mode, bool strict, size_t limit,
                             Error& error) {
  SearchResult result;
  if (!Ready(error)) return result;
  std::vector<std::vector<uint8_t>> tried;
  bool spellable = false;
  for (const Spelling& spelling : Spellings(word, strict)) {
    auto jis = codec::Utf8ToJis(spelling.word);
    if (!jis || jis->empty()) continue;
    spellable = true;
    if (mode == SearchMode::kForward) jis->insert(jis->end(), {0x21, 0x76});
    if (mode == SearchMode::kBackward) jis->insert(jis->begin(), {0x21, 0x76});
    if (std::find(tried.begin(), tried.end(), *jis) != tried.end()) continue;
    tried.push_back(*jis);
    jis->insert(jis->end(), {0, 0});
    WordProperties props{};
    const int32_t r = epwGetWordProperties(jis->data(), &props);
    if (r == TOMESHELF_FAILED) {
      error = Lost("search");
      return result;
    }
    if (r != TOMESHELF_OK || props.hitCount <= 0) continue;
    result.spelling = spelling.word;
    result.how = spelling.how;
    result.total = props.hitCount;
    std::array<unsigned char, TOMESHELF_ITEM_SIZE + 1> item{};
    std::array<unsigned char, 16> page{};
    for (int32_t hit = 0; hit < props.hitCount && result.hits.size() < limit; ++hit) {
      WordItemRecord record{};
      record.itemBuffer = item.data();
      uint32_t count = 0;
      const int32_t at = GetWordCont(hit, page.data(), page.size(), &count);
      if (epwGetWordItem(hit, &record) != TOMESHELF_OK || at < 0) {
        error = Lost("search");
        return result;
      }
      item.back() = 0;
      const size_t len = strnlen(reinterpret_cast<const char*>(item.data()), TOMESHELF_ITEM_SIZE);
      result.hits.push_back(
          {Parse(std::vector<uint8_t>(item.begin(), item.begin() + static_cast<long>(len)), gaiji_)
               .PlainText(),
           Position::FromFileOffset(at)});
    }
    return result;
  }
  if (!spellable) error = {Failure::kRefused, "the word has characters that books do not hold"};
  return result;
}

std::vector<uint8_t> Session::ReadBytes(int64_t at, uint32_t size, Error& error) {
  std::vector<uint8_t> out(size);
  uint32_t count = 0;
  if (GetLinkContByPt(static_cast<int32_t>(at), out.data(), size, &count) < 0) {
    error = Lost("read");
    out.clear();
    return out;
  }
  out.resize(std::min(count, size));
  return out;
}

Article Session::Read(Position at, Error& error) {
  Article article;
  article.at = at;
  if (!Ready(error)) return article;
  const std::vector<uint8_t> ref = LinkReference(at);
  std::vector<uint8_t> raw;
  std::vector<uint8_t> piece(kPiece);
  for (;;) {
    uint32_t count = 0;
    const int32_t r = epwGetLinkContent(ref.data(), piece.data(), kPiece, &count);
    if (r < 0) {
      error = r == TOMESHELF_FAILED ? Lost("article")
                                    : Error{Failure::kNotFound, "no article at " + at.ToString()};
      return article;
    }
    raw.insert(raw.end(), piece.begin(), piece.begin() + std::min(count, kPiece));
    if (r == TOMESHELF_OK || raw.size() >= kMaxArticleBytes) break;
  }
  article.document = Parse(raw, gaiji_);

  // Neighbours: the article start markers around this one, read by position.
  const int64_t here = at.FileOffset();
  std::vector<uint8_t> after = ReadBytes(here, kNeighbourWindow, error);
  if (error) return article;
  if (const long next = FindMarker(after, 1); next > 0) {
    article.next = Position::FromFileOffset(here + next);
  }
  const int64_t from = std::max<int64_t>(0, here - kNeighbourWindow);
  if (here > 0) {
    std::vector<uint8_t> before = ReadBytes(from, static_cast<uint32_t>(here - from), error);
    if (error) return article;
    long last = -1;
    for (long m = FindMarker(before, 0); m >= 0; m = FindMarker(before, static_cast<size_t>(m) + 1)) {
      last = m;
    }
    if (last >= 0) article.previous = Position::FromFileOffset(from + last);
  }
  return article;
}

Article Session::Menu(Error& error) {
  if (!Ready(error)) return {};
  const int32_t at = GetMenuHead();
  if (at == TOMESHELF_FAILED) {
    error = Lost("menu");
    return {};
  }
  if (at < 0) {
    error = {Failure::kNotFound, "the book has no menu"};
    return {};
  }
  return Read(Position::FromFileOffset(at), error);
}

Binary Session::Glyph(GaijiKey key, int32_t size, Error& error) {
  if (!Ready(error)) return {};
  std::vector<int32_t> sizes = {size, 16, 24, 30, 48};
  int32_t result = TOMESHELF_REFUSED;
  for (const int32_t s : sizes) {
    for (const int32_t width : {key.width == 'h' ? 0 : 1, key.width == 'h' ? 1 : 0}) {
      TomeshelfBitmapObject object{nullptr, nullptr};
      result = epwExCode2Bmp(key.code, s, width, 0, 0, 0, 0xFFFFFF, &object);
      if (result != TOMESHELF_OK || !object.bitmap) continue;
      std::unique_ptr<TomeshelfBitmap, void (*)(TomeshelfBitmap*)> bitmap(object.bitmap,
                                                                          TomeshelfFreeBitmap);
      Binary png{"image/png",
                 EncodeBitsPng(bitmap->width, bitmap->height, bitmap->stride, bitmap->bits,
                               static_cast<size_t>(bitmap->stride) * static_cast<size_t>(bitmap->height),
                               false, true)};
      if (!png.bytes.empty()) return png;
    }
  }
  error = {Failure::kNotFound, "the book has no glyph for " + key.ToString()};
  return {};
}

Binary Session::MonoPicture(Position at, uint32_t width, uint32_t height, Error& error) {
  if (!Ready(error)) return {};
  if (width == 0 || height == 0 || width > 8192 || height > 8192) {
    error = {Failure::kRefused, "picture sizes go from 1 to 8192"};
    return {};
  }
  std::vector<uint8_t> ref = {0x1F, 0x44, 0x00, 0x00};
  PutBcd(ref, width, 4);
  PutBcd(ref, height, 4);
  ref.insert(ref.end(), {0x1F, 0x64});
  PutPosition(ref, at);
  ref = Padded(std::move(ref));
  std::vector<char> caption(4096);
  const int32_t size = epwGetImageSize(ref.data(), caption.data());
  if (size <= 8 || size > kMaxMediaBytes) {
    error = size == TOMESHELF_FAILED ? Lost("picture") : Error{Failure::kNotFound, "no picture there"};
    return {};
  }
  std::vector<uint8_t> data(static_cast<size_t>(size) + 8);
  ImageKind kind = 0;
  const int32_t got = epwGetImage(ref.data(), data.data(), &kind);
  if (got < 0) {
    error = got == TOMESHELF_FAILED ? Lost("picture") : Error{Failure::kNotFound, "no picture there"};
    return {};
  }
  // The bits run on from row to row; lay them out in whole-byte rows.
  const uint8_t* bits = data.data() + 8;
  const size_t bitCount = std::min<size_t>(static_cast<size_t>(got), data.size() - 8) * 8;
  const size_t stride = (width + 7) / 8;
  std::vector<uint8_t> rows(stride * height, 0);
  for (size_t y = 0; y < height; ++y) {
    for (size_t x = 0; x < width; ++x) {
      const size_t bit = y * width + x;
      if (bit < bitCount && (bits[bit / 8] & (0x80 >> (bit % 8)))) {
        rows[y * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return {"image/png", EncodeBitsPng(static_cast<int32_t>(width), static_cast<int32_t>(height),
                                     static_cast<int32_t>(stride), rows.data(), rows.size(), true,
                                     false)};
}

Binary Session::ColourPicture(Position at, Error& error) {
  if (!Ready(error)) return {};
  std::vector<uint8_t> ref = {0x1F, 0x4D};
  ref.resize(14, 0);
  PutPosition(ref, at);
  ref.insert(ref.end(), {0x1F, 0x6D});
  ref = Padded(std::move(ref));
  std::vector<char> caption(4096);
  const int32_t size = epwGetImageSize(ref.data(), caption.data());
  if (size <= 0 || size > kMaxMediaBytes) {
    error = size == TOMESHELF_FAILED ? Lost("picture") : Error{Failure::kNotFound, "no picture there"};
    return {};
  }
  std::vector<uint8_t> data(static_cast<size_t>(size));
  ImageKind kind = 0;
  const int32_t got = epwGetImage(ref.data(), data.data(), &kind);
  if (got < 0) {
    error = got == TOMESHELF_FAILED ? Lost("picture") : Error{Failure::kNotFound, "no picture there"};
    return {};
  }
  data.resize(std::min(data.size(), static_cast<size_t>(got)));
  std::string mime = PictureMime(data);
  return {std::move(mime), std::move(data)};
}

Binary Session::Sound(Position at, Position end, const std::string& format, Error& error) {
  if (!Ready(error)) return {};
  unsigned f1 = 0, f2 = 0;
  if (format.size() != 4 || std::sscanf(format.c_str(), "%2x%2x", &f1, &f2) != 2) {
    error = {Failure::kRefused, "format is four hex digits"};
    return {};
  }
  std::vector<uint8_t> ref = {0x1F, 0x4A, 0x00, 0x01, static_cast<uint8_t>(f1),
                              static_cast<uint8_t>(f2)};
  PutPosition(ref, at);
  PutPosition(ref, end);
  ref.insert(ref.end(), {0x1F, 0x6A});
  ref = Padded(std::move(ref));
  const int32_t size = epwGetPcmSize(ref.data());
  if (size <= 0 || size > kMaxMediaBytes) {
    error = size == TOMESHELF_FAILED ? Lost("sound") : Error{Failure::kNotFound, "no sound there"};
    return {};
  }
  std::vector<uint8_t> data(static_cast<size_t>(size));
  const int32_t got = epwGetPcmCont(0, data.data());
  if (got < 0) {
    error = got == TOMESHELF_FAILED ? Lost("sound") : Error{Failure::kNotFound, "no sound there"};
    return {};
  }
  data.resize(std::min(data.size(), static_cast<size_t>(got)));
  return {"audio/wav", WavFromSound(data, format)};
}

}  // namespace tomeshelf::present
