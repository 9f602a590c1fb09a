#include "search/word_search.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "search/heading.h"
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

bool IsLoneProlongedSoundMark(const KeyBytes& key) {
  return key.size() == kCharSize && CharAt(key, 0) == kProlongedSoundMark;
}

}  // namespace

uint8_t WantedIndexCode(std::span<const uint8_t> key, KeyMode mode) {
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

const IndexEntry* ChooseIndex(std::span<const uint8_t> key, KeyMode mode,
                              const std::vector<IndexEntry>& table) {
  if (const IndexEntry* e = FindIndex(table, WantedIndexCode(key, mode))) return e;
  return FindIndex(table, InDirection(kWrittenIndex, mode));
}

Status SearchWord(OpenBook& book, uint8_t* word) {
  book.Hits().ClearHits();
  // The word is prepared where it lies, whole characters only (a dangling last byte is
  // dropped), and ends where the prepared key ends.
  const size_t length = std::strlen(reinterpret_cast<const char*>(word));
  KeyBytes key(word, length - length % kCharSize);
  RemoveIdeographicSpaces(key);
  const KeyMode mode = TakeKeyMode(key);

  const IndexEntry* index = ChooseIndex(key.Bytes(), mode, book.IndexTable());
  if (index == nullptr || static_cast<int32_t>(index->StartBlock()) <= 0) {
    word[key.size()] = 0;
    return Status::kNotFound;
  }

  // The raw key in a buffer of its own: only its characters that index words hold, and
  // only as far as it can still match an index key.
  std::array<uint8_t, kLongerThanAnyIndexKey> rawBytes;
  size_t rawSize = 0;
  for (size_t at = 0; at < key.size() && rawSize < rawBytes.size(); at += kCharSize) {
    if (!HeldByIndexWords(CharAt(key, at))) continue;
    rawBytes[rawSize] = key[at];
    rawBytes[rawSize + 1] = key[at + 1];
    rawSize += kCharSize;
  }
  KeyBytes rawKey(rawBytes.data(), rawSize);
  if (mode == KeyMode::kBackward) ReverseKey(rawKey);
  // The prolonged sound mark alone is looked up as it stands: normalising would drop it.
  if (!IsLoneProlongedSoundMark(key)) NormaliseKey(key, *index);
  if (mode == KeyMode::kBackward) ReverseKey(key);
  word[key.size()] = 0;
  if (key.empty()) return Status::kNotFound;

  IndexTreeSearch search(book, key.Bytes(), rawKey.Bytes(), mode);
  const Status status = search.Run(index->StartBlock());
  if (status == Status::kOk) PrefetchHeadings(book, 0);
  return status;
}

}  // namespace tomeshelf
