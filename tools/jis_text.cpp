#include "jis_text.h"

#include <cstdio>
#include <cstring>

namespace tomeshelf::cli {

using codec::JisToUtf8;

namespace {

constexpr uint8_t kEscape = 0x1F;

bool IsJisByte(uint8_t b) { return b >= 0x21 && b <= 0x7E; }

uint32_t Bcd(const uint8_t* p, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v = v * 100 + (p[i] >> 4) * 10u + (p[i] & 0x0Fu);
  return v;
}

std::string Target(const uint8_t* p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%u:%u", Bcd(p, 4), Bcd(p + 4, 2));
  return buf;
}

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

}  // namespace

std::string RenderText(const std::vector<uint8_t>& text, const RenderOptions& options) {
  std::string out;
  const size_t n = text.size();
  size_t i = 0;
  bool half = false;  // inside a half-width run, full-width Latin shows as ASCII
  auto has = [&](size_t k) { return i + k <= n; };
  while (i + 1 < n) {
    const uint8_t b0 = text[i];
    const uint8_t b1 = text[i + 1];
    if (b0 != kEscape) {
      if (IsJisByte(b0) && IsJisByte(b1)) {
        std::string ch = JisToUtf8(b0, b1);
        out += ch.empty() ? "\u3013" : half ? Narrow(ch) : ch;
      } else if (b0 >= 0xA1) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "{%02X%02X}", b0, b1);
        out += buf;
      }
      i += 2;
      continue;
    }
    size_t len = 2;
    switch (b1) {
      case 0x03: return out;                 // text end: what follows is not the article's
      case 0x04: half = true; break;
      case 0x05: half = false; break;
      case 0x0A: out += '\n'; break;
      case 0x09: len = 4; break;             // indent and its level
      case 0x41: len = 4; break;             // keyword (article start) and its parameters
      case 0xE0: len = 4; break;             // decoration and its kind
      case 0x42: case 0x43: if (options.showReferences) out += '['; break;
      case 0x62: case 0x63:
        len = 8;
        if (has(8) && options.showReferences) out += "](" + Target(&text[i + 2]) + ")";
        break;
      case 0x44:                              // monochrome picture: 12 bytes, caption follows
        len = 12;
        if (options.showReferences) out += "[picture ";
        break;
      case 0x64:
        len = 8;
        if (has(8) && options.showReferences) out += "](" + Target(&text[i + 2]) + ")";
        break;
      case 0x4D:                              // colour picture: 20 bytes, caption follows
        len = 20;
        if (has(20) && options.showReferences) out += "[picture @" + Target(&text[i + 14]) + " ";
        break;
      case 0x4A: len = 18; if (options.showReferences) out += "[sound "; break;
      case 0x48: len = 12; if (options.showReferences) out += "[sound "; break;
      case 0x6D: case 0x6A: case 0x68: if (options.showReferences) out += ']'; break;
      default: break;
    }
    if (!has(len)) break;
    i += len;
  }
  return out;
}

std::string RenderTitle(const char* title) {
  const size_t len = strnlen(title, 80);
  bool jis = len % 2 == 0 && len > 0;
  for (size_t i = 0; i < len && jis; ++i) jis = IsJisByte(static_cast<uint8_t>(title[i]));
  if (jis) {
    std::string out;
    for (size_t i = 0; i < len; i += 2) {
      std::string ch = JisToUtf8(static_cast<uint8_t>(title[i]), static_cast<uint8_t>(title[i + 1]));
      if (ch.empty()) return std::string(title, len);
      out += ch;
    }
    return out;
  }
  std::string out;
  for (size_t i = 0; i < len; ++i) {
    const char c = title[i];
    out += (c >= ' ' && c <= '~') ? c : '?';
  }
  return out;
}

}  // namespace tomeshelf::cli
