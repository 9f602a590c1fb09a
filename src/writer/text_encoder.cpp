#include "writer/text_encoder.h"

#include "codec/jis.h"

namespace tomeshelf::writer {

namespace {

constexpr uint16_t kUnknown = 0xFFFF;
constexpr uint16_t kGeta = 0x222E;
constexpr size_t kPlacesKept = 5;
constexpr uint8_t kEscape = 0x1F, kHalfStart = 0x04, kHalfEnd = 0x05, kLineBreak = 0x0A;
constexpr char32_t kLastBmp = 0xFFFF;

bool IsAscii(char32_t c) { return c >= 0x20 && c <= 0x7E; }

}  // namespace

std::pair<char32_t, size_t> DecodeUtf8(std::string_view s) {
  if (s.empty()) return {0, 0};
  const auto b0 = static_cast<uint8_t>(s[0]);
  if (b0 < 0x80) return {b0, 1};
  size_t n = 0;
  char32_t c = 0;
  if ((b0 & 0xE0) == 0xC0) { n = 2; c = b0 & 0x1Fu; }
  else if ((b0 & 0xF0) == 0xE0) { n = 3; c = b0 & 0x0Fu; }
  else if ((b0 & 0xF8) == 0xF0) { n = 4; c = b0 & 0x07u; }
  else return {0, 0};
  if (s.size() < n) return {0, 0};
  for (size_t i = 1; i < n; ++i) {
    const auto b = static_cast<uint8_t>(s[i]);
    if ((b & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (b & 0x3Fu);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMin[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, n};
}

TextEncoder::TextEncoder() : bmp_(kLastBmp + 1, kUnknown) {}

uint16_t TextEncoder::Jis(char32_t c) {
  if (c > kLastBmp) return 0;
  uint16_t& code = bmp_[c];
  if (code == kUnknown) {
    std::string utf8;
    if (c < 0x80) {
      utf8 = std::string(1, static_cast<char>(c));
    } else if (c < 0x800) {
      utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      utf8 = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    }
    const auto jis = codec::Utf8ToJis(utf8);
    code = jis && jis->size() == 2 ? static_cast<uint16_t>((*jis)[0] << 8 | (*jis)[1]) : 0;
  }
  return code;
}

void TextEncoder::Substitute(Bytes& out, std::string_view where, std::string_view character) {
  AppendBe16(out, kGeta);
  if (substituted_++ < kPlacesKept) places_.push_back(std::string(where) + ": " + std::string(character));
}

bool TextEncoder::AppendText(std::string_view utf8, Bytes& out, std::string_view where) {
  return Append(utf8, out, where, true);
}

bool TextEncoder::AppendPlain(std::string_view utf8, Bytes& out, std::string_view where) {
  return Append(utf8, out, where, false);
}

bool TextEncoder::Append(std::string_view utf8, Bytes& out, std::string_view where, bool text) {
  const size_t start = out.size();
  const size_t substitutedBefore = substituted_;
  const size_t placesBefore = places_.size();
  bool half = false;
  for (size_t at = 0; at < utf8.size();) {
    const auto [c, n] = DecodeUtf8(utf8.substr(at));
    if (n == 0) {
      out.resize(start);
      substituted_ = substitutedBefore;
      places_.resize(placesBefore);
      return false;
    }
    if (text && IsAscii(c) != half) {
      AppendBytes(out, {kEscape, half ? kHalfEnd : kHalfStart});
      half = !half;
    }
    const uint16_t code = c == '\t' ? Jis(' ') : Jis(c);
    if (text && c == '\n') {
      AppendBytes(out, {kEscape, kLineBreak});
    } else if (code != 0) {
      AppendBe16(out, code);
    } else if (auto g = gaiji_.find(c); text && g != gaiji_.end()) {
      AppendBe16(out, g->second);
    } else {
      Substitute(out, where, utf8.substr(at, n));
    }
    at += n;
  }
  if (half) AppendBytes(out, {kEscape, kHalfEnd});
  return true;
}

}  // namespace tomeshelf::writer
