// Search keys: the caller's word, copied into the library's own buffer and brought into the
// form of the chosen word index before the index is searched.
#ifndef TOMESHELF_SEARCH_SEARCH_KEY_H_
#define TOMESHELF_SEARCH_SEARCH_KEY_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "book/open_book.h"

namespace tomeshelf {

// A key: two-byte characters (row byte, cell byte) without a terminator. Holds whole
// characters only and never a 0x00 byte, so its length is even and its end is its size.
using Key = std::vector<uint8_t>;

// A key prepared where its bytes lie (the caller's word, or a buffer of the search's own):
// preparation only ever changes or removes characters, so it only shrinks.
class KeyBytes {
 public:
  KeyBytes(uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit KeyBytes(Key& key) : data_(key.data()), size_(key.size()) {}

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  uint8_t& operator[](size_t at) { return data_[at]; }
  uint8_t operator[](size_t at) const { return data_[at]; }
  std::span<const uint8_t> Bytes() const { return {data_, size_}; }
  // Keeps the first n bytes (n at most the size).
  void Shrink(size_t n) { size_ = n; }
  // Drops the first n bytes (n at most the size).
  void DropFront(size_t n) {
    if (n == 0) return;
    std::memmove(data_, data_ + n, size_ - n);
    size_ -= n;
  }

 private:
  uint8_t* data_;
  size_t size_;
};

inline constexpr size_t kCharSize = 2;
// Index keys are at most 255 bytes: a key longer than this matches none of them, whatever
// it holds.
inline constexpr size_t kLongerThanAnyIndexKey = 256;

// Characters the preparation looks for, by their two-byte code.
inline constexpr uint16_t kIdeographicSpace = 0x2121;
inline constexpr uint16_t kProlongedSoundMark = 0x213C;
inline constexpr uint16_t kFullwidthAsterisk = 0x2176;

enum class KeyMode : int32_t { kExact = 0, kForward = 1, kBackward = 2 };

inline uint16_t CharAt(std::span<const uint8_t> key, size_t at) {
  return static_cast<uint16_t>((key[at] << 8) | key[at + 1]);
}
inline uint16_t CharAt(const KeyBytes& key, size_t at) { return CharAt(key.Bytes(), at); }

// Removes the characters for which pred(code) holds; the rest keep their order.
template <typename Pred>
void RemoveCharsIf(KeyBytes& key, Pred pred) {
  size_t out = 0;
  for (size_t at = 0; at + kCharSize <= key.size(); at += kCharSize) {
    if (pred(CharAt(key, at))) continue;
    key[out] = key[at];
    key[out + 1] = key[at + 1];
    out += kCharSize;
  }
  key.Shrink(out);
}

void RemoveIdeographicSpaces(KeyBytes& key);
// A leading asterisk selects backward matching, a trailing one forward matching; the
// asterisk that chose the mode is removed. Others stay (normalisation drops them).
KeyMode TakeKeyMode(KeyBytes& key);
// Whether a character can stand in an index word: the iteration and prolonged sound marks
// 0x2133-0x213C, rows 0x23-0x27 and rows 0x30-0x7F.
bool HeldByIndexWords(uint16_t c);
// Keeps only the characters that can stand in an index word.
void StripRawKey(KeyBytes& key);
void ReverseKey(KeyBytes& key);

// The twelve 2-bit conversion settings of a word index's table entry.
struct ConversionSettings {
  static constexpr size_t kCount = 12;
  std::array<uint8_t, kCount> s{};
  bool symbolsOnly = false;  // extent byte 3: only symbols are removed

  bool InRange() const;
};
ConversionSettings DecodeConversionSettings(const IndexEntry& entry);

// Converts the key as the index filed its words. Settings out of range leave it untouched.
void NormaliseKey(KeyBytes& key, const IndexEntry& entry);

// The ten conversions, exposed for their tests. Each runs over the whole key.
void KatakanaToHiragana(KeyBytes& key);
void UpperCaseLatin(KeyBytes& key);
void DropMarks(KeyBytes& key);
void ResolveLongVowels(KeyBytes& key, uint8_t setting);
void EnlargeSmallTsu(KeyBytes& key);
void EnlargeSmallYaYuYo(KeyBytes& key);
void EnlargeSmallVowels(KeyBytes& key);
void UnvoiceVoiced(KeyBytes& key);
void UnvoiceSemiVoiced(KeyBytes& key);
void DropSymbols(KeyBytes& key);

// The same steps on a key that holds its own bytes.
inline void NormaliseKey(Key& key, const IndexEntry& entry) {
  KeyBytes bytes(key);
  NormaliseKey(bytes, entry);
  key.resize(bytes.size());
}
inline void ResolveLongVowels(Key& key, uint8_t setting) {
  KeyBytes bytes(key);
  ResolveLongVowels(bytes, setting);
  key.resize(bytes.size());
}
inline void StripRawKey(Key& key) {
  KeyBytes bytes(key);
  StripRawKey(bytes);
  key.resize(bytes.size());
}
inline KeyMode TakeKeyMode(Key& key) {
  KeyBytes bytes(key);
  const KeyMode mode = TakeKeyMode(bytes);
  key.resize(bytes.size());
  return mode;
}

}  // namespace tomeshelf

#endif  // TOMESHELF_SEARCH_SEARCH_KEY_H_
