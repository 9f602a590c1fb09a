#include "search/index_page.h"

#include <algorithm>
#include <cstring>

namespace tomeshelf {

namespace {

constexpr size_t kFlagsByte = 0;
constexpr size_t kKeyWidthByte = 1;
constexpr size_t kCountBytes = 2;
constexpr size_t kPositionsSize = 2 * kIndexPositionSize;

// Group-form entry types, and the bytes before their keys.
constexpr uint8_t kSingleWord = 0x00;
constexpr uint8_t kGroupHead = 0x80;
constexpr uint8_t kGroupMember = 0xC0;
constexpr size_t kVariablePrefix = 1;     // key length
constexpr size_t kGroupWordPrefix = 2;    // type, key length
constexpr size_t kGroupHeadPrefix = 4;    // type, key length, two bytes not read

}  // namespace

PageHeader ReadPageHeader(Page page) {
  return PageHeader{page[kFlagsByte], page[kKeyWidthByte], ReadBe16(page.data() + kCountBytes)};
}

std::optional<LeafEntry> ReadLeafEntry(Page page, const PageHeader& header, size_t at) {
  const uint8_t* p = page.data() + at;
  const size_t room = at < kPageSize ? kPageSize - at : 0;
  LeafEntry e;
  if (header.keyWidth != 0) {
    e = {LeafEntryKind::kWord, p, header.keyWidth, p + header.keyWidth,
         header.keyWidth + kPositionsSize};
  } else if (!header.IsGroupForm()) {
    if (room < kVariablePrefix) return std::nullopt;
    const size_t n = p[0];
    e = {LeafEntryKind::kWord, p + kVariablePrefix, n, p + kVariablePrefix + n,
         kVariablePrefix + n + kPositionsSize};
  } else {
    if (room < kGroupWordPrefix) return std::nullopt;
    const size_t n = p[1];
    switch (p[0]) {
      case kSingleWord:
      case kGroupMember:
        e = {p[0] == kSingleWord ? LeafEntryKind::kWord : LeafEntryKind::kGroupMember,
             p + kGroupWordPrefix, n, p + kGroupWordPrefix + n,
             kGroupWordPrefix + n + kPositionsSize};
        break;
      case kGroupHead:
        e = {LeafEntryKind::kGroupHead, p + kGroupHeadPrefix, n, nullptr, kGroupHeadPrefix + n};
        break;
      default:
        return LeafEntry{};
    }
  }
  if (e.length > room) return std::nullopt;
  return e;
}

int CompareEntryKey(const uint8_t* entryKey, size_t n, const Key& key, KeyMode mode) {
  // One pass over the bytes where they lie. A key holds no 0x00, so the entry's 0x00
  // (which ends it) differs from the key's byte there and sorts below it.
  const size_t m = key.size();
  const size_t common = std::min(n, m);
  for (size_t i = 0; i < common; ++i) {
    if (entryKey[i] != key[i]) return entryKey[i] < key[i] ? -1 : 1;
  }
  if (n < m) return -1;  // the entry ends first
  if (mode == KeyMode::kExact && n > m && entryKey[m] != 0) return 1;
  return 0;
}

}  // namespace tomeshelf
