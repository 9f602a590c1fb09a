// Pages of a word index: 2048-byte blocks of the text file, each a 4-byte header and its
// entries. The readers here never look past the page they are given.
#ifndef TOMESHELF_SEARCH_INDEX_PAGE_H_
#define TOMESHELF_SEARCH_INDEX_PAGE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "base/bytes.h"
#include "search/search_key.h"

namespace tomeshelf {

inline constexpr size_t kPageSize = kBlockSize;
inline constexpr size_t kPageHeaderSize = 4;
inline constexpr uint8_t kLeafFlag = 0x80;
inline constexpr uint8_t kLastOfLevelFlag = 0x20;
inline constexpr uint8_t kGroupFormFlag = 0x10;
inline constexpr size_t kChildBlockSize = 4;

using Page = std::span<const uint8_t, kPageSize>;

struct PageHeader {
  uint8_t flags = 0;
  uint8_t keyWidth = 0;  // L: every key's width, or 0 on a leaf page whose entries carry it
  uint16_t count = 0;

  bool IsLeaf() const { return (flags & kLeafFlag) != 0; }
  bool IsLastOfLevel() const { return (flags & kLastOfLevelFlag) != 0; }
  bool IsGroupForm() const { return keyWidth == 0 && (flags & kGroupFormFlag) != 0; }
};

inline PageHeader ReadPageHeader(Page page) {
  constexpr size_t kFlagsByte = 0;
  constexpr size_t kKeyWidthByte = 1;
  constexpr size_t kCountBytes = 2;
  return PageHeader{page[kFlagsByte], page[kKeyWidthByte], ReadBe16(page.data() + kCountBytes)};
}

enum class LeafEntryKind { kWord, kGroupHead, kGroupMember, kUnknown };

// One entry of a leaf page, pointing into the page.
struct LeafEntry {
  LeafEntryKind kind = LeafEntryKind::kUnknown;
  const uint8_t* key = nullptr;
  size_t keyLength = 0;
  const uint8_t* positions = nullptr;  // text position, then heading position (6 bytes each)
  size_t length = 0;                   // bytes to the next entry
};

namespace leaf_form {
inline constexpr size_t kPositionsSize = 2 * kIndexPositionSize;
// Group-form entry types, and the bytes before their keys.
inline constexpr uint8_t kSingleWord = 0x00;
inline constexpr uint8_t kGroupHead = 0x80;
inline constexpr uint8_t kGroupMember = 0xC0;
inline constexpr size_t kVariablePrefix = 1;   // key length
inline constexpr size_t kGroupWordPrefix = 2;  // type, key length
inline constexpr size_t kGroupHeadPrefix = 4;  // type, key length, two bytes not read
}  // namespace leaf_form

// The leaf entry at byte `at` of the page, or false when it would run past the page.
// A group entry of an unknown type comes back as kUnknown: the rest of its page is unread.
// Inline: the leaf scan calls it for every entry it passes.
inline bool ReadLeafEntry(Page page, const PageHeader& header, size_t at, LeafEntry& e) {
  using namespace leaf_form;
  const uint8_t* p = page.data() + at;
  const size_t room = at < kPageSize ? kPageSize - at : 0;
  if (header.keyWidth != 0) {
    e = {LeafEntryKind::kWord, p, header.keyWidth, p + header.keyWidth,
         header.keyWidth + kPositionsSize};
  } else if (!header.IsGroupForm()) {
    if (room < kVariablePrefix) return false;
    const size_t n = p[0];
    e = {LeafEntryKind::kWord, p + kVariablePrefix, n, p + kVariablePrefix + n,
         kVariablePrefix + n + kPositionsSize};
  } else {
    if (room < kGroupWordPrefix) return false;
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
        e = LeafEntry{};
        return true;
    }
  }
  return e.length <= room;
}

inline std::optional<LeafEntry> ReadLeafEntry(Page page, const PageHeader& header, size_t at) {
  LeafEntry e;
  if (!ReadLeafEntry(page, header, at, e)) return std::nullopt;
  return e;
}

// Compares an index entry's key (n bytes, ending early at a 0x00 byte) with a search key:
// negative when the entry sorts before it, 0 when it matches, positive when it sorts after.
// Exact mode matches equal keys; the other modes match entries that begin with the key.
inline int CompareEntryKey(const uint8_t* entryKey, size_t n, std::span<const uint8_t> key,
                           KeyMode mode) {
  // One pass over the bytes where they lie, eight at a time while they agree. A key holds
  // no 0x00, so the entry's 0x00 (which ends it) differs from the key's byte there and
  // sorts below it.
  const size_t m = key.size();
  const size_t common = n < m ? n : m;
  size_t i = 0;
  for (; i + 8 <= common; i += 8) {
    const uint64_t a = ReadBe64(entryKey + i);
    const uint64_t b = ReadBe64(key.data() + i);
    if (a != b) return a < b ? -1 : 1;
  }
  for (; i < common; ++i) {
    if (entryKey[i] != key[i]) return entryKey[i] < key[i] ? -1 : 1;
  }
  if (n < m) return -1;  // the entry ends first
  if (mode == KeyMode::kExact && n > m && entryKey[m] != 0) return 1;
  return 0;
}

// The first bytes of a search key, up to eight, as one big-endian number. Most entries
// differ from the key within them, and those are ordered by one comparison.
class KeyPrefix {
 public:
  explicit KeyPrefix(std::span<const uint8_t> key) : width_(key.size() < 8 ? key.size() : 8) {
    for (size_t i = 0; i < width_; ++i) value_ |= uint64_t{key[i]} << (56 - 8 * i);
    mask_ = width_ == 0 ? 0 : ~uint64_t{0} << (64 - 8 * width_);
  }

  // The sign CompareEntryKey gives when the entry's first bytes settle it, else 0. The
  // entry's key (n bytes) starts at `at` in the page.
  int Order(Page page, size_t at, size_t n) const {
    if (width_ == 0 || n < width_ || at > kPageSize - 8) return 0;
    const uint64_t e = ReadBe64(page.data() + at) & mask_;
    return e < value_ ? -1 : (e > value_ ? 1 : 0);
  }

 private:
  size_t width_;
  uint64_t value_ = 0;
  uint64_t mask_ = 0;
};

}  // namespace tomeshelf

#endif  // TOMESHELF_SEARCH_INDEX_PAGE_H_
