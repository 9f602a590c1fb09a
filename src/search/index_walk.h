// Every entry of one word index, in index order: the walk a whole-book export makes.
// Pages are read through the book's guarded reads; a page that cannot be read or that
// contradicts itself is reported by its position and the walk goes on with the next one.
#ifndef TOMESHELF_SEARCH_INDEX_WALK_H_
#define TOMESHELF_SEARCH_INDEX_WALK_H_

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "book/open_book.h"

namespace tomeshelf {

struct WalkedEntry {
  std::span<const uint8_t> key;  // as stored: cut at its first 0x00, reversed in a backward index
  int32_t textOffset = 0;
  int32_t headingOffset = 0;
};

enum class WalkDamage : uint8_t {
  kUnreadable,     // the page could not be read whole
  kNotALeaf,       // a page among the leaves without the leaf flag
  kEntryPastPage,  // an entry (or the count) runs past its page: the rest of the page is lost
  kUnknownEntry,   // a group entry of an unknown type: the rest of the page is lost
  kBadPosition,    // an entry whose text position names block 0: that entry is skipped
  kNoLeaves,       // the descent from the root to the first leaf failed
};

struct WalkProblem {
  int32_t fileOffset = 0;  // the page, or the entry within it
  WalkDamage damage = WalkDamage::kUnreadable;
};

// Walks the index whose root page is at rootBlock and calls visit for every entry that
// leads to an article (single words and group members; group heads lead nowhere).
// Returns what was skipped; an empty list means the whole index was read.
std::vector<WalkProblem> WalkIndex(OpenBook& book, uint32_t rootBlock,
                                   const std::function<void(const WalkedEntry&)>& visit);

}  // namespace tomeshelf

#endif  // TOMESHELF_SEARCH_INDEX_WALK_H_
