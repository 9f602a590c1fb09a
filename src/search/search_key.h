// Search keys: the caller's word, copied into the library's own buffer and brought into the
// form of the chosen word index before the index is searched.
#ifndef TOMESHELF_SEARCH_SEARCH_KEY_H_
#define TOMESHELF_SEARCH_SEARCH_KEY_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "book/open_book.h"

namespace tomeshelf {

// A key: two-byte characters (row byte, cell byte) without a terminator. Holds whole
// characters only and never a 0x00 byte, so its length is even and its end is its size.
using Key = std::vector<uint8_t>;

inline constexpr size_t kCharSize = 2;

// Characters the preparation looks for, by their two-byte code.
inline constexpr uint16_t kIdeographicSpace = 0x2121;
inline constexpr uint16_t kProlongedSoundMark = 0x213C;
inline constexpr uint16_t kFullwidthAsterisk = 0x2176;

enum class KeyMode : int32_t { kExact = 0, kForward = 1, kBackward = 2 };

inline uint16_t CharAt(const Key& key, size_t at) {
  return static_cast<uint16_t>((key[at] << 8) | key[at + 1]);
}

// Removes the characters for which pred(code) holds; the rest keep their order.
template <typename Pred>
void RemoveCharsIf(Key& key, Pred pred) {
  size_t out = 0;
  for (size_t at = 0; at + kCharSize <= key.size(); at += kCharSize) {
    if (pred(CharAt(key, at))) continue;
    key[out] = key[at];
    key[out + 1] = key[at + 1];
    out += kCharSize;
  }
  key.resize(out);
}

// Copies the zero-terminated word into a key: the bytes before the terminator, cut to whole
// characters (a dangling last byte is dropped).
Key CopyInWord(const uint8_t* word);
// Writes the key back over the word it came from, with its terminator. The key is never
// longer than that word, so this stays within the caller's bytes.
void CopyOutWord(const Key& key, uint8_t* word);

void RemoveIdeographicSpaces(Key& key);
// A leading asterisk selects backward matching, a trailing one forward matching; the
// asterisk that chose the mode is removed. Others stay (normalisation drops them).
KeyMode TakeKeyMode(Key& key);
// Keeps only the characters that can stand in an index word: the iteration and prolonged
// sound marks 0x2133-0x213C, rows 0x23-0x27 and rows 0x30-0x7F.
void StripRawKey(Key& key);
void ReverseKey(Key& key);

// The twelve 2-bit conversion settings of a word index's table entry.
struct ConversionSettings {
  static constexpr size_t kCount = 12;
  std::array<uint8_t, kCount> s{};
  bool symbolsOnly = false;  // extent byte 3: only symbols are removed

  bool InRange() const;
};
ConversionSettings DecodeConversionSettings(const IndexEntry& entry);

// Converts the key as the index filed its words. Settings out of range leave it untouched.
void NormaliseKey(Key& key, const IndexEntry& entry);

// The ten conversions, exposed for their tests. Each runs over the whole key.
void KatakanaToHiragana(Key& key);
void UpperCaseLatin(Key& key);
void DropMarks(Key& key);
void ResolveLongVowels(Key& key, uint8_t setting);
void EnlargeSmallTsu(Key& key);
void EnlargeSmallYaYuYo(Key& key);
void EnlargeSmallVowels(Key& key);
void UnvoiceVoiced(Key& key);
void UnvoiceSemiVoiced(Key& key);
void DropSymbols(Key& key);

}  // namespace tomeshelf

#endif  // TOMESHELF_SEARCH_SEARCH_KEY_H_
