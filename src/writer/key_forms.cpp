#include "writer/key_forms.h"

#include <algorithm>

namespace tomeshelf::writer {

namespace {

constexpr uint8_t kSymbolRow = 0x21, kSymbolRow2 = 0x22, kLatinRow = 0x23, kHiraganaRow = 0x24,
                  kKatakanaRow = 0x25, kGreekRow = 0x26, kCyrillicRow = 0x27, kKanjiRow = 0x30;
constexpr uint8_t kProlonged = 0x3C;  // cell of the prolonged sound mark in the symbol row
constexpr uint8_t kSmallA = 0x61, kSmallZ = 0x7A, kCapitalA = 0x41, kCapitalZ = 0x5A;
constexpr uint8_t kCaseStep = 0x20;
constexpr uint8_t kLastHiragana = 0x73;

bool IsSmallLatin(uint8_t row, uint8_t cell) { return row == kLatinRow && cell >= kSmallA && cell <= kSmallZ; }
bool IsCapitalLatin(uint8_t row, uint8_t cell) {
  return row == kLatinRow && cell >= kCapitalA && cell <= kCapitalZ;
}

// Katakana as hiragana; the three katakana without a hiragana form become their nearest.
void ToHiragana(uint8_t& row, uint8_t& cell) {
  if (row != kKatakanaRow) return;
  row = kHiraganaRow;
  if (cell == 0x74) cell = 0x26;
  if (cell == 0x75) cell = 0x2B;
  if (cell == 0x76) cell = 0x31;
}

// Kept by the search's last comparison: iteration and prolonged marks, Latin, kana, Greek,
// Cyrillic and kanji.
bool KeptTyped(uint8_t row, uint8_t cell) {
  if (row == kSymbolRow) return cell >= 0x33 && cell <= kProlonged;
  return (row >= kLatinRow && row <= kCyrillicRow) || (row >= kKanjiRow && row < 0x80);
}

// Removed from a converted key: symbols, box drawing and unassigned rows, and (with the
// marks setting on) the middle dot, apostrophe and minus; digit-like marks and the
// prolonged sound mark stay.
bool DroppedFromHead(uint8_t row, uint8_t cell) {
  if (row == kSymbolRow) return !((cell >= 0x33 && cell <= 0x3A) || cell == kProlonged);
  return row == kSymbolRow2 || (row >= 0x28 && row <= 0x2F);
}

template <typename Change>
Bytes Map(const Bytes& key, Change change) {
  Bytes out = key;
  for (size_t i = 0; i + 1 < out.size(); i += 2) change(out[i], out[i + 1]);
  return out;
}

}  // namespace

Bytes HeadForm(const Bytes& key) {
  Bytes out;
  bool started = false;  // a character before which a prolonged sound mark is not leading
  for (size_t i = 0; i + 1 < key.size(); i += 2) {
    uint8_t row = key[i], cell = key[i + 1];
    ToHiragana(row, cell);
    if (IsSmallLatin(row, cell)) cell = static_cast<uint8_t>(cell - kCaseStep);
    const bool prolonged = row == kSymbolRow && cell == kProlonged;
    // Leading prolonged sound marks go whatever the settings say; spaces and marks are
    // gone before that step, other symbols only after it.
    if (prolonged && !started) continue;
    const bool spaceOrMark =
        row == kSymbolRow && (cell == 0x21 || cell == 0x26 || cell == 0x47 || cell == 0x5D);
    started = started || !spaceOrMark;
    if (!DroppedFromHead(row, cell)) AppendBytes(out, {row, cell});
  }
  return out;
}

Bytes TypedForm(const Bytes& key) {
  Bytes out;
  for (size_t i = 0; i + 1 < key.size(); i += 2) {
    if (KeptTyped(key[i], key[i + 1])) AppendBytes(out, {key[i], key[i + 1]});
  }
  return out;
}

std::vector<Bytes> Spellings(const Bytes& key) {
  const Bytes hiragana = Map(key, ToHiragana);
  const Bytes katakana = Map(key, [](uint8_t& row, uint8_t& cell) {
    if (row == kHiraganaRow && cell <= kLastHiragana) row = kKatakanaRow;
  });
  const Bytes lower = Map(key, [](uint8_t& row, uint8_t& cell) {
    if (IsCapitalLatin(row, cell)) cell = static_cast<uint8_t>(cell + kCaseStep);
  });
  const Bytes upper = Map(key, [](uint8_t& row, uint8_t& cell) {
    if (IsSmallLatin(row, cell)) cell = static_cast<uint8_t>(cell - kCaseStep);
  });
  const Bytes capital = [&] {
    Bytes c = lower;
    for (size_t i = 0; i + 1 < c.size(); i += 2) {
      if (IsSmallLatin(c[i], c[i + 1])) {
        c[i + 1] = static_cast<uint8_t>(c[i + 1] - kCaseStep);
        break;
      }
      if (IsCapitalLatin(c[i], c[i + 1])) break;
    }
    return c;
  }();
  std::vector<Bytes> out;
  for (const Bytes* form : {&key, &hiragana, &katakana, &lower, &upper, &capital}) {
    Bytes typed = TypedForm(*form);
    if (!typed.empty() && std::find(out.begin(), out.end(), typed) == out.end()) {
      out.push_back(std::move(typed));
    }
  }
  return out;
}

KeyKind KindOf(const Bytes& key) {
  Bytes word;
  for (size_t i = 0; i + 1 < key.size(); i += 2) {
    if (!(key[i] == kSymbolRow && key[i + 1] == kSymbolRow)) AppendBytes(word, {key[i], key[i + 1]});
  }
  if (word.size() < 2) return KeyKind::kKana;
  const uint8_t b0 = word[0], b1 = word[1];
  const bool alphabetMark = b0 == kSymbolRow && ((b1 >= 0x27 && b1 <= 0x2A) || (b1 >= 0x46 && b1 <= 0x49) ||
                                                 b1 == 0x6C || b1 == 0x6D);
  if ((b0 == kLatinRow && b1 >= kCapitalA && b1 <= kSmallZ) || b0 == kGreekRow || b0 == kCyrillicRow ||
      alphabetMark) {
    return KeyKind::kAlphabet;
  }
  if (b0 == kLatinRow && b1 >= 0x30 && b1 <= 0x39) return KeyKind::kWritten;
  for (size_t i = 0; i < word.size(); i += 2) {
    if (word[i] >= kKanjiRow) return KeyKind::kWritten;
  }
  return KeyKind::kKana;
}

}  // namespace tomeshelf::writer
