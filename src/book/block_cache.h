// A bounded cache of whole 2048-byte blocks of the text file, sixteen ways per set.
#ifndef TOMESHELF_BOOK_BLOCK_CACHE_H_
#define TOMESHELF_BOOK_BLOCK_CACHE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "base/bytes.h"

namespace tomeshelf {

class BlockCache {
 public:
  static constexpr size_t kSets = 32;
  static constexpr size_t kWays = 16;
  static constexpr size_t kSlots = kSets * kWays;  // 512 blocks: 1 MiB

  // The cached block, or null.
  const uint8_t* Find(uint32_t block) {
    if (!bytes_) return nullptr;
    const size_t set = SetOf(block);
    for (size_t way = 0; way < kWays; ++way) {
      if (tags_[set * kWays + way] == block + 1) return Slot(set * kWays + way);
    }
    return nullptr;
  }

  // Keeps a copy of a whole block in place of the set's oldest one. False
  // when there was no memory for the cache (the read still goes on without it).
  bool Put(uint32_t block, const uint8_t* bytes);

  // Put in two steps, for a read straight into the cache: Claim empties the slot the block
  // would take and returns it (nullopt without memory), Keep files the filled slot under
  // the block. Up to kWays blocks of one set can be claimed before they are kept.
  std::optional<size_t> Claim(uint32_t block);
  std::span<uint8_t, kBlockSize> SlotBytes(size_t slot) {
    return std::span<uint8_t, kBlockSize>(Slot(slot), kBlockSize);
  }
  void Keep(size_t slot, uint32_t block) { tags_[slot] = block + 1; }

  // Forgets every block; Release also gives the memory back.
  void Clear();
  void Release();

 private:
  // Blocks read at a fixed stride (a word's headings often are) would crowd into a few sets
  // under block % kSets; a multiplicative hash spreads them over all.
  static size_t SetOf(uint32_t block) {
    static_assert(kSets == 32);
    return (block * 2654435769u) >> 27;
  }
  uint8_t* Slot(size_t slot) { return bytes_.get() + slot * kBlockSize; }

  std::unique_ptr<uint8_t[]> bytes_;       // taken on first use
  std::unique_ptr<uint32_t[]> tags_;       // block + 1 by slot; 0 = empty
  std::unique_ptr<uint8_t[]> next_;        // by set: the way to fill next
};

}  // namespace tomeshelf

#endif  // TOMESHELF_BOOK_BLOCK_CACHE_H_
