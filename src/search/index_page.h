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

PageHeader ReadPageHeader(Page page);

enum class LeafEntryKind { kWord, kGroupHead, kGroupMember, kUnknown };

// One entry of a leaf page, pointing into the page.
struct LeafEntry {
  LeafEntryKind kind = LeafEntryKind::kUnknown;
  const uint8_t* key = nullptr;
  size_t keyLength = 0;
  const uint8_t* positions = nullptr;  // text position, then heading position (6 bytes each)
  size_t length = 0;                   // bytes to the next entry
};

// The leaf entry at byte `at` of the page, or nullopt when it would run past the page.
// A group entry of an unknown type comes back as kUnknown: the rest of its page is unread.
std::optional<LeafEntry> ReadLeafEntry(Page page, const PageHeader& header, size_t at);

// Compares an index entry's key (n bytes, ending early at a 0x00 byte) with a search key:
// negative when the entry sorts before it, 0 when it matches, positive when it sorts after.
// Exact mode matches equal keys; the other modes match entries that begin with the key.
int CompareEntryKey(const uint8_t* entryKey, size_t n, const Key& key, KeyMode mode);

}  // namespace tomeshelf

#endif  // TOMESHELF_SEARCH_INDEX_PAGE_H_
