#include "present/document.h"

#include <cstdio>
#include <cstring>

#include "codec/jis.h"

namespace tomeshelf::present {

namespace {

constexpr uint8_t kEscape = 0x1F;

bool IsJisByte(uint8_t b) { return b >= 0x21 && b <= 0x7E; }

uint32_t Bcd(const uint8_t* p, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v = v * 100 + (p[i] >> 4) * 10u + (p[i] & 0x0Fu);
  return v;
}

Position BcdPosition(const uint8_t* p) { return Position{Bcd(p, 4), Bcd(p + 4, 2)}; }

// A full-width form (U+FF01 to U+FF5E) or the ideographic space as ASCII; others unchanged.
std::string Narrow(const std::string& ch) {
  if (ch == "\u3000") return " ";
  if (ch.size() != 3) return ch;
  const unsigned cp = (static_cast<unsigned char>(ch[0]) & 0x0Fu) << 12 |
                      (static_cast<unsigned char>(ch[1]) & 0x3Fu) << 6 |
                      (static_cast<unsigned char>(ch[2]) & 0x3Fu);
  if (cp < 0xFF01 || cp > 0xFF5E) return ch;
  return std::string(1, static_cast<char>('!' + (cp - 0xFF01)));
}

class Parser {
 public:
  Parser(const std::vector<uint8_t>& raw, const GaijiMap& gaiji, MappedGaiji mapped)
      : raw_(raw), gaiji_(gaiji), mapped_(mapped) {
    doc_.paragraphs.emplace_back();
  }

  Document Run() {
    const size_t n = raw_.size();
    while (i_ + 1 < n) {
      const uint8_t b0 = raw_[i_];
      const uint8_t b1 = raw_[i_ + 1];
      if (b0 != kEscape) {
        Character(b0, b1);
        i_ += 2;
        continue;
      }
      const size_t len = Control(b1);
      if (len == 0 || i_ + len > n) break;
      i_ += len;
    }
    Close();
    while (doc_.paragraphs.size() > 1 && doc_.paragraphs.back().items.empty()) {
      doc_.paragraphs.pop_back();
    }
    return std::move(doc_);
  }

 private:
  std::vector<Item>& Items() { return open_ ? open_->inner : doc_.paragraphs.back().items; }

  void Character(uint8_t b0, uint8_t b1) {
    if (IsJisByte(b0) && IsJisByte(b1)) {
      std::string ch = codec::JisToUtf8(b0, b1);
      if (ch.empty()) ch = "\u3013";
      AddText(half_ ? Narrow(ch) : ch);
    } else if (b0 >= 0xA1 && b1 >= 0x21 && b1 <= 0x7E) {
      Item item;
      item.type = Item::Type::kGaiji;
      const uint16_t code = static_cast<uint16_t>(b0 << 8 | b1);
      // Half-width gaiji live from row 0xA1, full-width ones from row 0xB0.
      item.gaiji = GaijiKey{half_ || b0 < 0xB0 ? 'h' : 'z', code};
      if (auto it = gaiji_.find(item.gaiji); it != gaiji_.end()) {
        if (mapped_ == MappedGaiji::kText) {
          AddText(it->second);
          return;
        }
        item.text = it->second;
      }
      Items().push_back(std::move(item));
    }
  }

  void AddText(const std::string& text) {
    std::vector<Item>& items = Items();
    const bool emphasis = emphasis_ > 0 || keyword_;
    if (!items.empty() && items.back().type == Item::Type::kText && items.back().half == half_ &&
        items.back().emphasis == emphasis) {
      items.back().text += text;
      return;
    }
    Item item;
    item.text = text;
    item.half = half_;
    item.emphasis = emphasis;
    items.push_back(std::move(item));
  }

  bool Has(size_t len) const { return i_ + len <= raw_.size(); }
  const uint8_t* At(size_t k) const { return &raw_[i_ + k]; }

  void Open(Item item) {
    Close();
    pending_ = std::move(item);
    open_ = &*pending_;
  }
  // Ends a label or caption; a reference cut off by the end of the text still shows.
  void Close() {
    if (!pending_) return;
    open_ = nullptr;
    doc_.paragraphs.back().items.push_back(std::move(*pending_));
    pending_.reset();
  }

  // Length of the control sequence at i_, 0 to stop.
  size_t Control(uint8_t code) {
    switch (code) {
      case 0x03: return 0;  // text end: what follows belongs to no article
      case 0x04: half_ = true; return 2;
      case 0x05: half_ = false; return 2;
      case 0x09:
        if (Has(4)) doc_.paragraphs.back().indent = static_cast<int>(Bcd(At(2), 2) % 100);
        return 4;
      case 0x0A: {
        Close();
        keyword_ = false;  // a heading ends with its line
        const int indent = doc_.paragraphs.back().indent;
        doc_.paragraphs.emplace_back();
        doc_.paragraphs.back().indent = indent;
        return 2;
      }
      case 0x41:
        if (Has(4) && raw_[i_ + 2] == 0x01) {
          if (startSeen_) return 0;  // the next article begins
          startSeen_ = true;
        }
        keyword_ = true;
        return 4;
      case 0x61: keyword_ = false; return 2;
      case 0xE0: ++emphasis_; return 4;
      case 0xE1: if (emphasis_ > 0) --emphasis_; return 2;
      case 0x42: case 0x43: {
        Item item;
        item.type = Item::Type::kLink;
        item.menu = code == 0x43;
        Open(std::move(item));
        return 2;
      }
      case 0x62: case 0x63:
        if (!Has(8)) return 8;
        if (pending_ && pending_->type == Item::Type::kLink) {
          pending_->at = BcdPosition(At(2));
          pending_->located = true;
        }
        Close();
        return 8;
      case 0x44: {
        if (!Has(12)) return 12;
        Item item;
        item.type = Item::Type::kPicture;
        item.width = Bcd(At(4), 4);
        item.height = Bcd(At(8), 4);
        Open(std::move(item));
        return 12;
      }
      case 0x64:
        if (!Has(8)) return 8;
        if (pending_ && pending_->type == Item::Type::kPicture) {
          pending_->at = BcdPosition(At(2));
          pending_->located = true;
        }
        Close();
        return 8;
      case 0x4D: {
        if (!Has(20)) return 20;
        Item item;
        item.type = Item::Type::kPicture;
        item.colour = true;
        item.at = BcdPosition(At(14));
        item.located = true;
        Open(std::move(item));
        return 20;
      }
      case 0x4A: {
        if (!Has(18)) return 18;
        Item item;
        item.type = Item::Type::kSound;
        if ((raw_[i_ + 3] & 0x0F) == 1) {  // sound held in the book's text file
          item.at = BcdPosition(At(6));
          item.end = BcdPosition(At(12));
          item.located = true;
          char hex[8];
          std::snprintf(hex, sizeof hex, "%02X%02X", raw_[i_ + 4], raw_[i_ + 5]);
          item.soundFormat = hex;
        }
        Open(std::move(item));
        return 18;
      }
      case 0x48: {
        Item item;
        item.type = Item::Type::kSound;
        Open(std::move(item));
        return 12;
      }
      case 0x6D: case 0x6A: case 0x68: Close(); return 2;
      default: return 2;
    }
  }

  const std::vector<uint8_t>& raw_;
  const GaijiMap& gaiji_;
  const MappedGaiji mapped_;
  Document doc_;
  size_t i_ = 0;
  bool half_ = false;
  bool keyword_ = false;
  bool startSeen_ = false;
  int emphasis_ = 0;
  std::optional<Item> pending_;  // a reference whose label or caption is being read
  Item* open_ = nullptr;
};

void PlainOf(const std::vector<Item>& items, std::string& out) {
  for (const Item& item : items) {
    if (item.type == Item::Type::kText) out += item.text;
    if (item.type == Item::Type::kGaiji) out += item.text.empty() ? "\u3013" : item.text;
    if (item.type == Item::Type::kLink) PlainOf(item.inner, out);
  }
}

}  // namespace

std::string Position::ToString() const {
  return std::to_string(block) + ":" + std::to_string(offset);
}

std::optional<Position> Position::Parse(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size() || colon > 8 ||
      text.size() - colon - 1 > 4) {
    return std::nullopt;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (i != colon && (text[i] < '0' || text[i] > '9')) return std::nullopt;
  }
  const Position p{static_cast<uint32_t>(std::stoul(text.substr(0, colon))),
                   static_cast<uint32_t>(std::stoul(text.substr(colon + 1)))};
  if (p.block == 0 || p.offset >= 2048) return std::nullopt;
  return p;
}

std::string GaijiKey::ToString() const {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%c%04X", width, code);
  return buf;
}

std::string Document::PlainText() const {
  std::string out;
  for (const Paragraph& p : paragraphs) {
    if (!out.empty()) out += ' ';
    PlainOf(p.items, out);
  }
  return out;
}

Document Parse(const std::vector<uint8_t>& raw, const GaijiMap& gaiji, MappedGaiji mapped) {
  return Parser(raw, gaiji, mapped).Run();
}

std::string TitleText(const char* title) {
  const size_t len = strnlen(title, 80);
  bool jis = len % 2 == 0 && len > 0;
  for (size_t i = 0; i < len && jis; ++i) jis = IsJisByte(static_cast<uint8_t>(title[i]));
  std::string out;
  if (jis) {
    for (size_t i = 0; i < len; i += 2) {
      const std::string ch = codec::JisToUtf8(static_cast<uint8_t>(title[i]),
                                              static_cast<uint8_t>(title[i + 1]));
      if (ch.empty()) return std::string(title, len);
      out += ch;
    }
    return out;
  }
  for (size_t i = 0; i < len; ++i) out += (title[i] >= ' ' && title[i] <= '~') ? title[i] : '?';
  return out;
}

}  // namespace tomeshelf::present
