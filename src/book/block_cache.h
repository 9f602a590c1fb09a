// A bounded cache of whole 2048-byte blocks of the text file. Any block may take any slot
// (a table keyed by block number finds it), so blocks read at a fixed stride, as a word's
// headings often are, cannot crowd each other out while the blocks in use fit. A clock
// sweep picks the block to drop: one not used since the hand last passed it.
#ifndef TOMESHELF_BOOK_BLOCK_CACHE_H_
#define TOMESHELF_BOOK_BLOCK_CACHE_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/bytes.h"

namespace tomeshelf {

class BlockCache {
 public:
  static constexpr size_t kSlots = 512;  // 1 MiB

  // The cached block, or null.
  const uint8_t* Find(uint32_t block) {
    if (!bytes_) return nullptr;
    for (size_t at = Home(block);; at = (at + 1) & kTableMask) {
      if (table_[at].tag == 0) return nullptr;
      if (table_[at].tag == block + 1) {
        used_[table_[at].slot] = 1;
        return Slot(table_[at].slot);
      }
    }
  }

  // Keeps a copy of a whole block, in place of one not used for a while. False when there
  // was no memory for the cache (the read still goes on without it).
  bool Put(uint32_t block, const uint8_t* bytes);

  // Forgets every block; Release also gives the memory back.
  void Clear();
  void Release();

 private:
  static constexpr unsigned kTableBits = 10;
  static constexpr size_t kTableSize = size_t{1} << kTableBits;
  static constexpr size_t kTableMask = kTableSize - 1;
  static_assert(kTableSize >= 2 * kSlots);  // at most half full: probes stay short

  struct Entry {
    uint32_t tag = 0;  // block + 1; 0 = empty
    uint16_t slot = 0;
  };

  static size_t Home(uint32_t block) { return (block * 2654435769u) >> (32 - kTableBits); }
  uint8_t* Slot(size_t slot) { return bytes_.get() + slot * kBlockSize; }
  size_t TakeSlot();
  void Erase(uint32_t block);

  std::unique_ptr<uint8_t[]> bytes_;    // taken on first use
  std::unique_ptr<Entry[]> table_;      // open addressing, linear probing
  std::unique_ptr<uint32_t[]> blocks_;  // by slot: block + 1; 0 = free
  std::unique_ptr<uint8_t[]> used_;     // by slot: used since the hand last passed
  size_t filled_ = 0;                   // slots filled since the last clear
  size_t hand_ = 0;
};

}  // namespace tomeshelf

#endif  // TOMESHELF_BOOK_BLOCK_CACHE_H_
