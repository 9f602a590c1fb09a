#include <algorithm>
#include <cstring>

#include "search/search_key.h"

namespace tomeshelf {

namespace {

constexpr uint8_t kRowMarks = 0x21;
constexpr uint8_t kFirstKeptMark = 0x33;  // 0x2133, the first iteration mark
constexpr uint8_t kLastKeptMark = 0x3C;   // 0x213C, the prolonged sound mark
constexpr uint8_t kRowDigitsLatin = 0x23;
constexpr uint8_t kRowCyrillic = 0x27;
constexpr uint8_t kFirstKanjiRow = 0x30;
constexpr uint8_t kLastKanjiRow = 0x7F;

}  // namespace

void RemoveIdeographicSpaces(KeyBytes& key) {
  RemoveCharsIf(key, [](uint16_t c) { return c == kIdeographicSpace; });
}

// The asterisk is looked for character by character: a byte pair 0x21 0x76 that straddles
// two characters is no asterisk.
KeyMode TakeKeyMode(KeyBytes& key) {
  size_t at = 0;
  while (at < key.size() && CharAt(key, at) != kFullwidthAsterisk) at += kCharSize;
  if (at == key.size()) return KeyMode::kExact;
  if (at == 0) {
    key.DropFront(kCharSize);
    return KeyMode::kBackward;
  }
  if (at + kCharSize == key.size()) {
    key.Shrink(at);
    return KeyMode::kForward;
  }
  return KeyMode::kExact;
}

bool HeldByIndexWords(uint16_t c) {
  const auto row = static_cast<uint8_t>(c >> 8);
  const auto cell = static_cast<uint8_t>(c);
  if (row == kRowMarks) return cell >= kFirstKeptMark && cell <= kLastKeptMark;
  if (row >= kRowDigitsLatin && row <= kRowCyrillic) return true;
  return row >= kFirstKanjiRow && row <= kLastKanjiRow;
}

void StripRawKey(KeyBytes& key) {
  RemoveCharsIf(key, [](uint16_t c) { return !HeldByIndexWords(c); });
}

void ReverseKey(KeyBytes& key) {
  const size_t n = key.size() / kCharSize;
  for (size_t i = 0; i < n / 2; ++i) {
    const size_t a = i * kCharSize;
    const size_t b = (n - 1 - i) * kCharSize;
    std::swap(key[a], key[b]);
    std::swap(key[a + 1], key[b + 1]);
  }
}

}  // namespace tomeshelf
