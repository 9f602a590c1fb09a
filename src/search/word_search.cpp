#include "search/word_search.h"

#include <algorithm>

#include "search/index_tree.h"

namespace tomeshelf {

namespace {

constexpr uint8_t kRowMarks = 0x21;
constexpr uint8_t kRowLatin = 0x23;
constexpr uint8_t kRowGreek = 0x26;
constexpr uint8_t kRowCyrillic = 0x27;
constexpr uint8_t kFirstKanjiRow = 0x30;
constexpr uint8_t kFirstLetterCell = 0x41;  // Latin capital A
constexpr uint8_t kLastLetterCell = 0x7A;   // Latin small z
constexpr uint8_t kFirstDigitCell = 0x30;
constexpr uint8_t kLastDigitCell = 0x39;

// The row 0x21 characters that open an alphabet word: quotes, apostrophes, brackets.
bool IsAlphabetMark(uint8_t cell) {
  return (cell >= 0x27 && cell <= 0x2A) || (cell >= 0x46 && cell <= 0x49) || cell == 0x6C ||
         cell == 0x6D;
}

uint8_t InDirection(uint8_t forwardCode, KeyMode mode) {
  if (mode != KeyMode::kBackward) return forwardCode;
  switch (forwardCode) {
    case kAlphabetIndex: return kAlphabetBackwardIndex;
    case kWrittenIndex: return kWrittenBackwardIndex;
    default: return kKanaBackwardIndex;
  }
}

const IndexEntry* FindIndex(const std::vector<IndexEntry>& table, uint8_t code) {
  auto it = std::find_if(table.begin(), table.end(),
                         [code](const IndexEntry& e) { return e.Code() == code; });
  return it == table.end() ? nullptr : &*it;
}

bool IsLoneProlongedSoundMark(const Key& key) {
  return key.size() == kCharSize && CharAt(key, 0) == kProlongedSoundMark;
}

}  // namespace

uint8_t WantedIndexCode(const Key& key, KeyMode mode) {
  if (key.size() >= kCharSize) {
    const uint8_t row = key[0];
    const uint8_t cell = key[1];
    if ((row == kRowLatin && cell >= kFirstLetterCell && cell <= kLastLetterCell) ||
        row == kRowGreek || row == kRowCyrillic || (row == kRowMarks && IsAlphabetMark(cell))) {
      return InDirection(kAlphabetIndex, mode);
    }
    if (row == kRowLatin && cell >= kFirstDigitCell && cell <= kLastDigitCell) {
      return InDirection(kWrittenIndex, mode);
    }
  }
  for (size_t at = 0; at < key.size(); at += kCharSize) {
    if (key[at] >= kFirstKanjiRow) return InDirection(kWrittenIndex, mode);
  }
  return InDirection(kKanaIndex, mode);
}

const IndexEntry* ChooseIndex(const Key& key, KeyMode mode, const std::vector<IndexEntry>& table) {
  if (const IndexEntry* e = FindIndex(table, WantedIndexCode(key, mode))) return e;
  return FindIndex(table, InDirection(kWrittenIndex, mode));
}

Status SearchWord(OpenBook& book, uint8_t* word) {
  book.Hits().ClearHits();
  Key key = CopyInWord(word);
  RemoveIdeographicSpaces(key);
  const KeyMode mode = TakeKeyMode(key);

  const IndexEntry* index = ChooseIndex(key, mode, book.IndexTable());
  if (index == nullptr || static_cast<int32_t>(index->StartBlock()) <= 0) {
    CopyOutWord(key, word);
    return Status::kNotFound;
  }

  Key rawKey = key;
  StripRawKey(rawKey);
  if (mode == KeyMode::kBackward) ReverseKey(rawKey);
  // The prolonged sound mark alone is looked up as it stands: normalising would drop it.
  if (!IsLoneProlongedSoundMark(key)) NormaliseKey(key, *index);
  if (mode == KeyMode::kBackward) ReverseKey(key);
  CopyOutWord(key, word);
  if (key.empty()) return Status::kNotFound;

  IndexTreeSearch search(book, key, rawKey, mode);
  return search.Run(index->StartBlock());
}

}  // namespace tomeshelf
