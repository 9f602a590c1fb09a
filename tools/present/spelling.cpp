#include "present/spelling.h"

#include <functional>

namespace tomeshelf::present {

namespace {

bool In(char32_t c, char32_t lo, char32_t hi) { return c >= lo && c <= hi; }

char32_t Upper(char32_t c) {
  if (In(c, U'a', U'z') || In(c, U'\uFF41', U'\uFF5A')) return c - 0x20;
  return c;
}
char32_t Lower(char32_t c) {
  if (In(c, U'A', U'Z') || In(c, U'\uFF21', U'\uFF3A')) return c + 0x20;
  return c;
}
char32_t Hiragana(char32_t c) { return In(c, U'\u30A1', U'\u30F6') ? c - 0x60 : c; }
char32_t Katakana(char32_t c) { return In(c, U'\u3041', U'\u3096') ? c + 0x60 : c; }
char32_t Ascii(char32_t c) { return In(c, U'\uFF01', U'\uFF5E') ? c - 0xFEE0 : c; }
char32_t FullWidth(char32_t c) { return In(c, U'!', U'~') && c != U'*' ? c + 0xFEE0 : c; }

}  // namespace

std::u32string DecodeUtf8(const std::string& text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    bool ok = len > 0 && i + len <= text.size();
    char32_t c = len == 1 ? b : len == 2 ? (b & 0x1Fu) : len == 3 ? (b & 0x0Fu) : (b & 0x07u);
    for (size_t k = 1; ok && k < len; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      ok = (next & 0xC0) == 0x80;
      c = c << 6 | (next & 0x3Fu);
    }
    out += ok ? c : U'\uFFFD';
    i += ok ? len : 1;
  }
  return out;
}

std::string EncodeUtf8(const std::u32string& text) {
  std::string out;
  for (const char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::vector<Spelling> Spellings(const std::string& word, bool strict) {
  std::vector<Spelling> out{{word, "as typed"}};
  if (strict) return out;
  const std::u32string typed = DecodeUtf8(word);
  const std::pair<const char*, std::function<char32_t(char32_t)>> retries[] = {
      {"upper case", Upper}, {"lower case", Lower}, {"hiragana", Hiragana},
      {"katakana", Katakana}, {"ASCII", Ascii},      {"full width", FullWidth},
  };
  for (const auto& [how, map] : retries) {
    std::u32string spelled = typed;
    for (char32_t& c : spelled) c = map(c);
    std::string utf8 = EncodeUtf8(spelled);
    bool seen = false;
    for (const Spelling& s : out) seen = seen || s.word == utf8;
    if (!seen) out.push_back({std::move(utf8), how});
  }
  return out;
}

}  // namespace tomeshelf::present
