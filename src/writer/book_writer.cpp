#include "writer/book_writer.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "writer/article_builder.h"
#include "writer/index_builder.h"
#include "writer/media_builder.h"

namespace tomeshelf::writer {

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kTextArea = 0x00, kMenuArea = 0x01;
constexpr std::array<uint8_t, 3> kForwardCodes{0x90, 0x91, 0x92};   // by KeyKind
constexpr std::array<uint8_t, 3> kBackwardCodes{0x70, 0x71, 0x72};
constexpr uint8_t kKeywordEnd = 0x61;
constexpr uint8_t kLinkStart = 0x42, kLinkEnd = 0x62;
constexpr uint8_t kPageHeader = 4;
constexpr uint8_t kLeafFlag = 0x80, kLastFlag = 0x20, kGroupFlag = 0x10;
constexpr uint8_t kSingle = 0x00, kGroupHead = 0x80, kMember = 0xC0;
constexpr size_t kPositionBytes = 6;
constexpr size_t kMaxKeyBytes = 200;  // a key length is one byte, and a page holds many
constexpr size_t kOutBuffer = 1 << 20;
constexpr uint16_t kFirstHalfGaiji = 0xA121, kFirstFullGaiji = 0xB121;
constexpr uint8_t kLastCell = 0x7E, kFirstCell = 0x21;
const char kMenuTitle[] = "目次";

uint32_t Block(uint32_t fileOffset) { return fileOffset / kBlock + 1; }
uint16_t InBlock(uint32_t fileOffset) { return static_cast<uint16_t>(fileOffset % kBlock); }

void AppendPosition(Bytes& out, uint32_t fileOffset) {
  AppendBe32(out, Block(fileOffset));
  AppendBe16(out, InBlock(fileOffset));
}

Bytes BcdPosition(uint32_t fileOffset) {
  Bytes out = Bcd(Block(fileOffset), 4);
  const Bytes offset = Bcd(InBlock(fileOffset), 2);
  out.insert(out.end(), offset.begin(), offset.end());
  return out;
}

std::string Problem(const std::string& where, const char* field, const std::string& message) {
  return where + ": " + field + ": " + message;
}

uint16_t NextCode(uint16_t code) {
  return (code & 0xFF) >= kLastCell ? static_cast<uint16_t>((code & 0xFF00) + 0x100 + kFirstCell)
                                    : static_cast<uint16_t>(code + 1);
}

// Leaf pages in group form, written one after another into consecutive blocks.
class LeafWriter {
 public:
  LeafWriter(std::ofstream& out, uint32_t& nextBlock) : out_(out), nextBlock_(nextBlock) {}

  // A group head with its members, or a single word, kept on one page when it fits one.
  void Unit(const std::vector<Bytes>& entries, const Bytes& sortKey) {
    size_t total = 0;
    for (const Bytes& e : entries) total += e.size();
    if (count_ > 0 && used_ + total > kBlock && kPageHeader + total <= kBlock) Flush(false);
    for (const Bytes& e : entries) {
      if (used_ + e.size() > kBlock) Flush(false);
      std::copy(e.begin(), e.end(), page_.begin() + static_cast<std::ptrdiff_t>(used_));
      used_ += e.size();
      ++count_;
      lastKey_ = sortKey;
    }
  }
  // The last page, flagged so; returns each page's last key and block.
  std::vector<std::pair<Bytes, uint32_t>> Finish() {
    Flush(true);
    return pages_;
  }

 private:
  void Flush(bool last) {
    page_[0] = static_cast<uint8_t>(kLeafFlag | kGroupFlag | (last ? kLastFlag : 0));
    page_[1] = 0;
    PutBe16(page_, 2, static_cast<uint16_t>(count_));
    out_.write(reinterpret_cast<const char*>(page_.data()), kBlock);
    pages_.emplace_back(lastKey_, nextBlock_++);
    std::fill(page_.begin(), page_.end(), 0);
    used_ = kPageHeader;
    count_ = 0;
  }

  std::ofstream& out_;
  uint32_t& nextBlock_;
  Bytes page_ = Bytes(kBlock, 0);
  size_t used_ = kPageHeader;
  size_t count_ = 0;
  Bytes lastKey_;
  std::vector<std::pair<Bytes, uint32_t>> pages_;
};

}  // namespace

BookWriter::BookWriter(const fs::path& root, BookOptions options)
    : root_(root), options_(std::move(options)), outBuffer_(kOutBuffer), textAt_(kBlock),
      nextHalf_(kFirstHalfGaiji), nextFull_(kFirstFullGaiji) {
  const fs::path data = root_ / options_.directory / "DATA";
  fs::create_directories(data);
  out_.rdbuf()->pubsetbuf(outBuffer_.data(), static_cast<std::streamsize>(outBuffer_.size()));
  out_.open(data / "HONMON", std::ios::binary | std::ios::trunc);
  out_.seekp(textAt_);  // block 1 holds the header and index table, written last
}

std::string BookWriter::DefineGaiji(const std::string& character, const std::vector<Glyph>& glyphs,
                                    const std::string& where) {
  const auto [c, n] = DecodeUtf8(character);
  if (n == 0 || n != character.size()) return Problem(where, "gaiji", "\"" + character + "\" is not one character");
  Bytes probe;
  TextEncoder plain;
  if (plain.AppendPlain(character, probe, "") && plain.substituted() == 0) {
    return Problem(where, "gaiji", "\"" + character + "\" is a JIS X 0208 character");
  }
  if (gaiji_.count(c) != 0) return "";
  if (glyphs.empty()) return Problem(where, "gaiji", "no picture for \"" + character + "\"");
  GaijiChar g{0, {}};
  for (const Glyph& glyph : glyphs) {
    const FontShape shape{glyph.fullWidth, glyph.size};
    const bool known = glyph.size == 16 || glyph.size == 24 || glyph.size == 30 || glyph.size == 48;
    if (!known || glyph.rows.size() != shape.GlyphBytes() || glyph.fullWidth != glyphs[0].fullWidth) {
      return Problem(where, "gaiji", "the pictures of \"" + character +
                                         "\" must be 16, 24, 30 or 48 dots high, all full or all half width");
    }
    g.rows[glyph.size] = glyph.rows;
  }
  uint16_t& next = glyphs[0].fullWidth ? nextFull_ : nextHalf_;
  g.code = next;
  next = NextCode(next);
  encoder_.SetGaiji(c, g.code);
  gaiji_.emplace(c, std::move(g));
  return "";
}

uint32_t BookWriter::Reference(Bytes& article, uint32_t articleAt, size_t bcdAt, uint32_t value, bool link) {
  patches_.push_back({articleAt + static_cast<uint32_t>(bcdAt), value, link});
  std::fill_n(article.begin() + static_cast<std::ptrdiff_t>(bcdAt), kPositionBytes, 0);
  return value;
}

std::string BookWriter::AddKey(const Key& key, uint32_t entry, const std::string& where) {
  Bytes jis;
  if (!encoder_.AppendPlain(key.text, jis, where + ": keys")) return Problem(where, "keys", "not UTF-8");
  const Bytes head = HeadForm(jis);
  if (head.empty()) return Problem(where, "keys", "\"" + key.text + "\" is empty after normalisation");
  if (jis.size() > kMaxKeyBytes) return Problem(where, "keys", "\"" + key.text + "\" is longer than 100 characters");
  const std::vector<Bytes> spellings = Spellings(jis);
  std::vector<KeyKind> kinds{KindOf(jis)};
  if (key.kind && *key.kind != kinds[0]) kinds.push_back(*key.kind);
  for (KeyKind kind : kinds) {
    IndexData& index = indexes_[static_cast<size_t>(kind)];
    const auto headAt = static_cast<uint32_t>(index.arena.size());
    index.arena.insert(index.arena.end(), head.begin(), head.end());
    for (const Bytes& s : spellings) {
      const auto memberAt = static_cast<uint32_t>(index.arena.size());
      index.arena.insert(index.arena.end(), s.begin(), s.end());
      index.records.push_back({entry, headAt, memberAt, static_cast<uint8_t>(head.size()),
                               static_cast<uint8_t>(s.size())});
    }
  }
  byKey_.emplace(key.text, entry);
  return "";
}

std::string BookWriter::Add(const Entry& e) {
  if (e.keys.empty()) return Problem(e.where, "keys", "an entry needs at least one key");
  const auto entry = static_cast<uint32_t>(articles_.size());
  const std::string& heading = e.heading.empty() ? e.keys[0].text : e.heading;

  Bytes article = ArticleStart(0x00);
  if (!encoder_.AppendText(heading, article, e.where + ": heading")) return Problem(e.where, "heading", "not UTF-8");
  const size_t headingEnd = article.size();
  AppendBytes(article, {kControl, kKeywordEnd});
  Bytes line = LineBreak();
  article.insert(article.end(), line.begin(), line.end());
  for (const Paragraph& paragraph : e.text) {
    for (const Run& run : paragraph) {
      if (!run.link.empty()) AppendBytes(article, {kControl, kLinkStart});
      if (!encoder_.AppendText(run.text, article, e.where + ": text")) return Problem(e.where, "text", "not UTF-8");
      if (!run.link.empty()) {
        AppendBytes(article, {kControl, kLinkEnd});
        article.resize(article.size() + kPositionBytes, 0);
        Reference(article, textAt_, article.size() - kPositionBytes, static_cast<uint32_t>(links_.size()), true);
        links_.push_back({run.link, e.where});
      }
    }
    article.insert(article.end(), line.begin(), line.end());
  }
  if (e.picture) {
    const Picture& p = *e.picture;
    Bytes caption;
    if (!encoder_.AppendText(p.caption, caption, e.where + ": picture")) return Problem(e.where, "picture", "caption not UTF-8");
    const auto dataAt = static_cast<uint32_t>(media_.size());
    Bytes ref;
    if (p.colour) {
      if (p.data.empty()) return Problem(e.where, "picture", "the picture file is empty");
      const Bytes data = ColourPictureData(p.data);
      media_.insert(media_.end(), data.begin(), data.end());
      ref = ColourPictureReference(0, 0, "");
      ref.insert(ref.end() - 2, caption.begin(), caption.end());
      const size_t at = article.size();
      article.insert(article.end(), ref.begin(), ref.end());
      Reference(article, textAt_, at + 14, dataAt, false);
    } else {
      if (p.width == 0 || p.width % 8 != 0 || p.data.size() != size_t{p.width} / 8 * p.height) {
        return Problem(e.where, "picture", "a monochrome picture needs width / 8 bytes per row");
      }
      media_.insert(media_.end(), p.data.begin(), p.data.end());
      ref = MonoPictureReference(p.width, p.height, "", 0, 0);
      ref.insert(ref.begin() + 12, caption.begin(), caption.end());
      article.insert(article.end(), ref.begin(), ref.end());
      Reference(article, textAt_, article.size() - kPositionBytes, dataAt, false);
    }
    article.insert(article.end(), line.begin(), line.end());
  }
  if (e.sound) {
    if (e.sound->data.empty()) return Problem(e.where, "sound", "the sound holds no data");
    Bytes caption;
    if (!encoder_.AppendText(e.sound->caption, caption, e.where + ": sound")) return Problem(e.where, "sound", "caption not UTF-8");
    const auto start = static_cast<uint32_t>(media_.size());
    media_.insert(media_.end(), e.sound->data.begin(), e.sound->data.end());
    SoundDataRef r;
    Bytes ref = SoundDataReference(r);
    ref.insert(ref.end() - 2, caption.begin(), caption.end());
    const size_t at = article.size();
    article.insert(article.end(), ref.begin(), ref.end());
    Reference(article, textAt_, at + 6, start, false);
    Reference(article, textAt_, at + 12, static_cast<uint32_t>(media_.size()), false);
    article.insert(article.end(), line.begin(), line.end());
  }
  const Bytes end = TextEnd();
  article.insert(article.end(), end.begin(), end.end());

  for (const Key& key : e.keys) {
    if (std::string problem = AddKey(key, entry, e.where); !problem.empty()) return problem;
  }
  byHeading_.emplace(heading, entry);
  headings_.push_back(static_cast<uint32_t>(headingBytes_.size()));
  headingBytes_.insert(headingBytes_.end(), article.begin() + 4, article.begin() + static_cast<std::ptrdiff_t>(headingEnd));
  headingBytes_.insert(headingBytes_.end(), line.begin(), line.end());
  articles_.push_back(textAt_);
  out_.write(reinterpret_cast<const char*>(article.data()), static_cast<std::streamsize>(article.size()));
  textAt_ += static_cast<uint32_t>(article.size());
  return "";
}

void BookWriter::SetMenu(std::vector<std::pair<std::string, std::string>> headwordsAndPlaces) {
  menu_ = std::move(headwordsAndPlaces);
}

std::optional<uint32_t> BookWriter::Resolve(const std::string& name) const {
  if (auto h = byHeading_.find(name); h != byHeading_.end()) return h->second;
  if (auto k = byKey_.find(name); k != byKey_.end()) return k->second;
  return std::nullopt;
}

uint32_t BookWriter::WriteArea(const Bytes& bytes) {
  const uint32_t block = Block(textAt_ + kBlock - 1);
  Bytes padded = bytes;
  padded.resize((bytes.size() + kBlock - 1) / kBlock * kBlock, 0);
  out_.seekp(Offset(block));
  out_.write(reinterpret_cast<const char*>(padded.data()), static_cast<std::streamsize>(padded.size()));
  textAt_ = Offset(block) + static_cast<uint32_t>(padded.size());
  return block;
}

uint32_t BookWriter::WriteIndex(const IndexData& index, bool backward) {
  // Keys as stored: reversed in a backward index, each in an arena of its own.
  Bytes arena;
  std::vector<Record> records = index.records;
  if (backward) {
    arena.reserve(index.arena.size());
    for (Record& r : records) {
      const auto headAt = static_cast<uint32_t>(arena.size());
      const Bytes head = Reversed(Bytes(index.arena.begin() + r.head, index.arena.begin() + r.head + r.headLength));
      arena.insert(arena.end(), head.begin(), head.end());
      const auto memberAt = static_cast<uint32_t>(arena.size());
      const Bytes member =
          Reversed(Bytes(index.arena.begin() + r.member, index.arena.begin() + r.member + r.memberLength));
      arena.insert(arena.end(), member.begin(), member.end());
      r.head = headAt;
      r.member = memberAt;
    }
  }
  const Bytes& keys = backward ? arena : index.arena;
  auto compare = [&](uint32_t a, uint8_t an, uint32_t b, uint8_t bn) {
    const int c = std::memcmp(keys.data() + a, keys.data() + b, std::min(an, bn));
    return c != 0 ? c : int{an} - int{bn};
  };
  std::sort(records.begin(), records.end(), [&](const Record& a, const Record& b) {
    if (int c = compare(a.head, a.headLength, b.head, b.headLength); c != 0) return c < 0;
    if (a.entry != b.entry) return a.entry < b.entry;
    return compare(a.member, a.memberLength, b.member, b.memberLength) < 0;
  });

  uint32_t nextBlock = Block(textAt_ + kBlock - 1);
  out_.seekp(Offset(nextBlock));
  LeafWriter leaves(out_, nextBlock);
  std::vector<Bytes> unit;
  for (size_t i = 0; i < records.size();) {
    size_t j = i;
    while (j < records.size() && compare(records[i].head, records[i].headLength, records[j].head, records[j].headLength) == 0) ++j;
    const Record& first = records[i];
    const Bytes head(keys.begin() + first.head, keys.begin() + first.head + first.headLength);
    unit.clear();
    auto entryBytes = [&](uint8_t type, const Record& r) {
      Bytes b;
      b.reserve(2u + r.memberLength + 2 * kPositionBytes);
      AppendBytes(b, {type, r.memberLength});
      b.insert(b.end(), keys.begin() + r.member, keys.begin() + r.member + r.memberLength);
      AppendPosition(b, articles_[r.entry]);
      AppendPosition(b, headings_[r.entry]);
      return b;
    };
    const bool single = j == i + 1 && compare(first.head, first.headLength, first.member, first.memberLength) == 0;
    if (single) {
      unit.push_back(entryBytes(kSingle, first));
    } else {
      unit.emplace_back();  // the head, once its members are counted
      for (size_t k = i; k < j; ++k) {
        if (k > i && records[k].entry == records[k - 1].entry &&
            compare(records[k].member, records[k].memberLength, records[k - 1].member, records[k - 1].memberLength) == 0) {
          continue;
        }
        unit.push_back(entryBytes(kMember, records[k]));
      }
      Bytes& h = unit.front();
      h.clear();
      AppendBytes(h, {kGroupHead, first.headLength});
      AppendBe16(h, static_cast<uint16_t>(std::min<size_t>(unit.size() - 1, 0xFFFF)));
      h.insert(h.end(), head.begin(), head.end());
    }
    leaves.Unit(unit, head);
    i = j;
  }
  std::vector<std::pair<Bytes, uint32_t>> level = leaves.Finish();

  // Intermediate levels: each entry the last key of a child page, padded to the level's width.
  while (level.size() > 1) {
    size_t width = 1;
    for (const auto& [key, block] : level) width = std::max(width, key.size());
    const size_t perPage = (kBlock - kPageHeader) / (width + 4);
    std::vector<std::pair<Bytes, uint32_t>> parents;
    for (size_t at = 0; at < level.size(); at += perPage) {
      const size_t n = std::min(perPage, level.size() - at);
      Bytes page(kBlock, 0);
      page[0] = static_cast<uint8_t>(at + n == level.size() ? kLastFlag : 0);
      page[1] = static_cast<uint8_t>(width);
      PutBe16(page, 2, static_cast<uint16_t>(n));
      for (size_t k = 0; k < n; ++k) {
        const auto& [key, block] = level[at + k];
        const size_t pos = kPageHeader + k * (width + 4);
        std::copy(key.begin(), key.end(), page.begin() + static_cast<std::ptrdiff_t>(pos));
        PutBe32(page, pos + width, block);
      }
      out_.write(reinterpret_cast<const char*>(page.data()), kBlock);
      parents.emplace_back(level[at + n - 1].first, nextBlock++);
    }
    level = std::move(parents);
  }
  textAt_ = Offset(nextBlock);
  return level.front().second;
}

void BookWriter::WriteFonts(std::map<std::string, Bytes>& fonts, std::array<std::string, 8>& names) const {
  const std::array<uint32_t, 4> sizes{16, 24, 30, 48};
  for (bool full : {true, false}) {
    for (size_t s = 0; s < sizes.size(); ++s) {
      const FontShape shape{full, sizes[s]};
      std::vector<Bytes> glyphs;
      for (const auto& [c, g] : gaiji_) {
        if ((g.code >= kFirstFullGaiji) != full) continue;
        const auto rows = g.rows.find(sizes[s]);
        const size_t index = static_cast<size_t>((g.code >> 8) - ((full ? kFirstFullGaiji : kFirstHalfGaiji) >> 8)) * 94 +
                             static_cast<size_t>((g.code & 0xFF) - kFirstCell);
        if (glyphs.size() <= index) glyphs.resize(index + 1);
        if (rows != g.rows.end()) glyphs[index] = rows->second;
      }
      bool any = false;
      for (const Bytes& glyph : glyphs) any = any || !glyph.empty();
      if (!any) continue;
      const std::string name = "GAI" + std::to_string(sizes[s]) + (full ? "F" : "H");
      names[(full ? 0 : 4) + s] = name;
      fonts[name] = GaijiFontFile(shape, full ? kFirstFullGaiji : kFirstHalfGaiji, glyphs);
    }
  }
}

std::string BookWriter::Finish() {
  // Every name first, so that a missing one leaves nothing more written.
  std::vector<uint32_t> linkTargets;
  for (const LinkName& l : links_) {
    const auto target = Resolve(l.name);
    if (!target) return Problem(l.where, "text", "no entry has the headword \"" + l.name + "\"");
    linkTargets.push_back(*target);
  }
  std::vector<uint32_t> menuTargets;
  for (const auto& [name, where] : menu_) {
    const auto target = Resolve(name);
    if (!target) return Problem(where, "menu", "no entry has the headword \"" + name + "\"");
    menuTargets.push_back(*target);
  }
  Bytes title;
  TextEncoder plain;
  if (!plain.AppendPlain(options_.title, title, "title") || plain.substituted() != 0 || title.size() > 80) {
    return "title: \"" + options_.title + "\" must be at most 40 characters of JIS X 0208";
  }

  std::vector<IndexTableEntry> table;
  // The terminating article start ends the last article for readers that look for the next.
  const Bytes last = Join({ArticleStart(0x00), TextEnd()});
  out_.write(reinterpret_cast<const char*>(last.data()), static_cast<std::streamsize>(last.size()));
  textAt_ += static_cast<uint32_t>(last.size());
  table.push_back({kTextArea, 2, 0, {0, 0, 0}, 0, Block(textAt_ + kBlock - 1) - 2});

  const uint32_t headingBlock = WriteArea(headingBytes_);
  for (uint32_t& h : headings_) h += Offset(headingBlock);

  if (!menu_.empty()) {
    Bytes menu;
    TextEncoder menuText;
    menuText.AppendText(kMenuTitle, menu, "menu");
    menu = Join({ArticleStart(0x00), menu, LineBreak()});
    std::vector<size_t> refs;
    for (size_t i = 0; i < menu_.size(); ++i) {
      Bytes label;
      encoder_.AppendText(menu_[i].first, label, menu_[i].second);
      const Bytes ref = MenuLinkTo(articles_[menuTargets[i]], label);
      menu = Join({menu, ref, LineBreak()});
    }
    menu = Join({menu, TextEnd()});
    const uint32_t block = WriteArea(menu);
    table.push_back({kMenuArea, block, 0, {0, 0, 0}, 0, Block(textAt_) - block});
  }
  const uint32_t mediaStart = Offset(WriteArea(media_));

  for (size_t kind = 0; kind < indexes_.size(); ++kind) {
    if (indexes_[kind].records.empty()) continue;
    for (bool backward : {false, true}) {
      const uint32_t first = Block(textAt_ + kBlock - 1);
      const uint32_t root = WriteIndex(indexes_[kind], backward);
      table.push_back({backward ? kBackwardCodes[kind] : kForwardCodes[kind], root, 0, kKeySettings, 0,
                       Block(textAt_ + kBlock - 1) - first});
    }
  }

  for (const Patch& p : patches_) {
    const uint32_t target = p.link ? articles_[linkTargets[p.value]] : mediaStart + p.value;
    const Bytes bcd = BcdPosition(target);
    out_.seekp(p.at);
    out_.write(reinterpret_cast<const char*>(bcd.data()), static_cast<std::streamsize>(bcd.size()));
  }
  const Bytes header = IndexTableBytes(table);
  if (header.size() > kBlock) return "the index table does not fit its block";
  out_.seekp(0);
  out_.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
  out_.close();
  if (!out_) return "cannot write " + (root_ / options_.directory / "DATA" / "HONMON").string();

  BookFiles book;
  book.entry.type = options_.type;
  book.entry.title = std::string(title.begin(), title.end());
  book.entry.directory = options_.directory;
  WriteFonts(book.fonts, book.entry.fonts);
  WriteDisc(root_, {book});
  return "";
}

}  // namespace tomeshelf::writer
