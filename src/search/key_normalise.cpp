#include <algorithm>
#include <initializer_list>

#include "search/search_key.h"

namespace tomeshelf {

namespace {

// Bytes of a word index's table entry that carry its conversion settings.
constexpr size_t kSwitchByte = 10;
constexpr size_t kFirstSettingsByte = 11;
constexpr uint8_t kAllSettingsZero = 1;
constexpr size_t kExtentByte = 15;
constexpr uint8_t kSymbolsOnlyExtent = 3;
constexpr size_t kSettingsPerByte = 4;
constexpr unsigned kSettingBits = 2;
constexpr uint8_t kSettingMask = 0x03;

// Setting numbers, and their values: 0 converts, 1 leaves; the long-vowel one may remove.
enum Setting : size_t {
  kKatakana = 0, kUpperCase, kMarks, kLongVowels, kSmallTsu, kSmallYaYuYo, kSmallVowels,
  kVoiced, kSemiVoiced,
};
constexpr uint8_t kConvert = 0;
constexpr uint8_t kLeave = 1;
constexpr uint8_t kRemove = 2;

constexpr uint8_t kRowMarks = 0x21;
constexpr uint8_t kRowSymbols = 0x22;
constexpr uint8_t kRowLatin = 0x23;
constexpr uint8_t kRowHiragana = 0x24;
constexpr uint8_t kRowKatakana = 0x25;
constexpr uint8_t kFirstUnassignedRow = 0x28;  // box drawing, then rows left empty
constexpr uint8_t kLastUnassignedRow = 0x2F;

constexpr uint8_t kFirstKana = 0x21;
constexpr uint8_t kLastKatakana = 0x76;
constexpr uint8_t kFirstSmallLatin = 0x61;
constexpr uint8_t kLastSmallLatin = 0x7A;
constexpr uint8_t kCaseDistance = 0x20;

constexpr uint16_t kMiddleDot = 0x2126;
constexpr uint16_t kApostrophe = 0x2147;
constexpr uint16_t kHyphen = 0x215D;
constexpr uint16_t kFirstIterationMark = 0x2133;
constexpr uint16_t kLastIterationMark = 0x213A;

uint8_t Row(uint16_t c) { return static_cast<uint8_t>(c >> 8); }
bool IsKanaRow(uint8_t row) { return row == kRowHiragana || row == kRowKatakana; }

bool IsMark(uint16_t c) { return c == kApostrophe || c == kHyphen || c == kMiddleDot; }

// Changes the cell byte of every kana (hiragana or katakana) whose cell is listed.
void ShiftKanaCells(KeyBytes& key, std::initializer_list<uint8_t> cells, int delta) {
  for (size_t at = 0; at + kCharSize <= key.size(); at += kCharSize) {
    if (!IsKanaRow(key[at])) continue;
    const uint8_t cell = key[at + 1];
    if (std::find(cells.begin(), cells.end(), cell) != cells.end()) {
      key[at + 1] = static_cast<uint8_t>(cell + delta);
    }
  }
}

// The vowel that a prolonged sound mark after a character with this cell byte stands for.
uint8_t VowelOf(uint8_t cell) {
  auto step = [](uint8_t c, uint8_t first, int per) {
    return static_cast<uint8_t>(0x22 + 2 * ((c - first) / per));
  };
  if (cell >= 0x21 && cell <= 0x2A) return cell;
  if (cell >= 0x2B && cell <= 0x34) return step(cell, 0x2B, 2);
  if (cell >= 0x35 && cell <= 0x3E) return step(cell, 0x35, 2);
  if (cell >= 0x3F && cell <= 0x42) return step(cell, 0x3F, 2);
  if (cell >= 0x43 && cell <= 0x45) return 0x26;
  if (cell == 0x46 || cell == 0x47) return 0x28;
  if (cell == 0x48 || cell == 0x49) return 0x2A;
  if (cell >= 0x4A && cell <= 0x4E) return step(cell, 0x4A, 1);
  if (cell >= 0x4F && cell <= 0x5D) return step(cell, 0x4F, 3);
  if (cell >= 0x5E && cell <= 0x62) return step(cell, 0x5E, 1);
  if (cell >= 0x69 && cell <= 0x6D) return step(cell, 0x69, 1);
  switch (cell) {
    case 0x63: return 0x21;
    case 0x64: return 0x22;
    case 0x65: return 0x25;
    case 0x66: return 0x26;
    case 0x67: return 0x29;
    case 0x68: return 0x2A;
    case 0x6E: return 0x21;
    case 0x6F: return 0x22;
    case 0x70: return 0x24;
    case 0x71: return 0x28;
    case 0x72: return 0x2A;
    case 0x74: return 0x26;
    case 0x75: return 0x21;
    case 0x76: return 0x27;
    default: return cell;
  }
}

}  // namespace

bool ConversionSettings::InRange() const {
  for (size_t i = 0; i < kCount; ++i) {
    if (s[i] > (i == kLongVowels ? kRemove : kLeave)) return false;
  }
  return true;
}

ConversionSettings DecodeConversionSettings(const IndexEntry& entry) {
  ConversionSettings settings;
  settings.symbolsOnly = entry.bytes[kExtentByte] == kSymbolsOnlyExtent;
  if (entry.bytes[kSwitchByte] == kAllSettingsZero) return settings;
  for (size_t i = 0; i < ConversionSettings::kCount; ++i) {
    const uint8_t byte = entry.bytes[kFirstSettingsByte + i / kSettingsPerByte];
    const unsigned shift = kSettingBits * (kSettingsPerByte - 1 - i % kSettingsPerByte);
    settings.s[i] = static_cast<uint8_t>((byte >> shift) & kSettingMask);
  }
  return settings;
}

void KatakanaToHiragana(KeyBytes& key) {
  for (size_t at = 0; at + kCharSize <= key.size(); at += kCharSize) {
    const uint8_t cell = key[at + 1];
    if (key[at] != kRowKatakana || cell < kFirstKana || cell > kLastKatakana) continue;
    key[at] = kRowHiragana;
    // The three katakana without a hiragana of their own become their nearest kana.
    if (cell == 0x74) key[at + 1] = 0x26;
    if (cell == 0x75) key[at + 1] = 0x2B;
    if (cell == 0x76) key[at + 1] = 0x31;
  }
}

void UpperCaseLatin(KeyBytes& key) {
  for (size_t at = 0; at + kCharSize <= key.size(); at += kCharSize) {
    const uint8_t cell = key[at + 1];
    if (key[at] == kRowLatin && cell >= kFirstSmallLatin && cell <= kLastSmallLatin) {
      key[at + 1] = static_cast<uint8_t>(cell - kCaseDistance);
    }
  }
}

void DropMarks(KeyBytes& key) { RemoveCharsIf(key, IsMark); }

void ResolveLongVowels(KeyBytes& key, uint8_t setting) {
  size_t lead = 0;
  while (lead < key.size() && CharAt(key, lead) == kProlongedSoundMark) lead += kCharSize;
  key.DropFront(lead);
  if (key.size() <= kCharSize) return;

  if (setting == kRemove) {
    // The first character is no mark now, so removing them all removes those after it.
    RemoveCharsIf(key, [](uint16_t c) { return c == kProlongedSoundMark; });
    return;
  }
  if (setting != kConvert) return;
  for (size_t at = kCharSize; at + kCharSize <= key.size(); at += kCharSize) {
    if (CharAt(key, at) != kProlongedSoundMark) continue;
    key[at] = key[at - kCharSize];
    key[at + 1] = VowelOf(key[at - 1]);
  }
}

void EnlargeSmallTsu(KeyBytes& key) { ShiftKanaCells(key, {0x43}, 1); }
void EnlargeSmallYaYuYo(KeyBytes& key) { ShiftKanaCells(key, {0x63, 0x65, 0x67}, 1); }
void EnlargeSmallVowels(KeyBytes& key) { ShiftKanaCells(key, {0x21, 0x23, 0x25, 0x27, 0x29, 0x6E}, 1); }

void UnvoiceVoiced(KeyBytes& key) {
  ShiftKanaCells(key, {0x2C, 0x2E, 0x30, 0x32, 0x34, 0x36, 0x38, 0x3A, 0x3C, 0x3E, 0x40, 0x42,
                       0x45, 0x47, 0x49, 0x50, 0x53, 0x56, 0x59, 0x5C}, -1);
}

void UnvoiceSemiVoiced(KeyBytes& key) { ShiftKanaCells(key, {0x51, 0x54, 0x57, 0x5A, 0x5D}, -2); }

void DropSymbols(KeyBytes& key) {
  RemoveCharsIf(key, [](uint16_t c) {
    const uint8_t row = Row(c);
    const bool symbolRow = row == kRowMarks || row == kRowSymbols ||
                           (row >= kFirstUnassignedRow && row <= kLastUnassignedRow);
    if (!symbolRow) return false;
    const bool kept = (c >= kFirstIterationMark && c <= kLastIterationMark) || IsMark(c) ||
                      c == kProlongedSoundMark;
    return !kept;
  });
}

void NormaliseKey(KeyBytes& key, const IndexEntry& entry) {
  const ConversionSettings settings = DecodeConversionSettings(entry);
  if (!settings.InRange()) return;
  if (settings.symbolsOnly) {
    DropSymbols(key);
    return;
  }
  const auto& s = settings.s;
  if (s[kKatakana] == kConvert) KatakanaToHiragana(key);
  if (s[kUpperCase] == kConvert) UpperCaseLatin(key);
  if (s[kMarks] == kConvert) DropMarks(key);
  ResolveLongVowels(key, s[kLongVowels]);
  if (s[kSmallTsu] == kConvert) EnlargeSmallTsu(key);
  if (s[kSmallYaYuYo] == kConvert) EnlargeSmallYaYuYo(key);
  if (s[kSmallVowels] == kConvert) EnlargeSmallVowels(key);
  if (s[kVoiced] == kConvert) UnvoiceVoiced(key);
  if (s[kSemiVoiced] == kConvert) UnvoiceSemiVoiced(key);
  DropSymbols(key);
}

}  // namespace tomeshelf
