#include "book/block_cache.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tomeshelf {

bool BlockCache::Put(uint32_t block, const uint8_t* bytes) {
  if (!bytes_) {
    try {
      bytes_ = std::make_unique_for_overwrite<uint8_t[]>(kSlots * kBlockSize);
      table_ = std::make_unique<Entry[]>(kTableSize);
      blocks_ = std::make_unique<uint32_t[]>(kSlots);
      used_ = std::make_unique<uint8_t[]>(kSlots);
    } catch (const std::bad_alloc&) {
      Release();
      return false;
    }
  }
  size_t at = Home(block);
  while (table_[at].tag != 0 && table_[at].tag != block + 1) at = (at + 1) & kTableMask;
  size_t slot = 0;
  if (table_[at].tag == block + 1) {
    slot = table_[at].slot;
  } else {
    slot = TakeSlot();
    // Taking the slot may have moved entries along the probe run: look for room again.
    at = Home(block);
    while (table_[at].tag != 0) at = (at + 1) & kTableMask;
    table_[at] = Entry{block + 1, static_cast<uint16_t>(slot)};
    blocks_[slot] = block + 1;
  }
  used_[slot] = 1;
  std::memcpy(Slot(slot), bytes, kBlockSize);
  return true;
}

size_t BlockCache::TakeSlot() {
  if (filled_ < kSlots) return filled_++;
  // The hand clears the marks it passes; the first block found unmarked goes.
  for (;;) {
    const size_t slot = hand_;
    hand_ = (hand_ + 1) % kSlots;
    if (used_[slot] != 0) {
      used_[slot] = 0;
      continue;
    }
    Erase(blocks_[slot] - 1);
    blocks_[slot] = 0;
    return slot;
  }
}

void BlockCache::Erase(uint32_t block) {
  size_t hole = Home(block);
  while (table_[hole].tag != block + 1) {
    if (table_[hole].tag == 0) return;
    hole = (hole + 1) & kTableMask;
  }
  // Backward shift: an entry further along the run moves into the hole unless its home
  // lies between the hole and where it sits.
  for (size_t at = (hole + 1) & kTableMask; table_[at].tag != 0; at = (at + 1) & kTableMask) {
    const size_t home = Home(table_[at].tag - 1);
    if (((at - home) & kTableMask) >= ((at - hole) & kTableMask)) {
      table_[hole] = table_[at];
      hole = at;
    }
  }
  table_[hole] = Entry{};
}

void BlockCache::Clear() {
  if (!bytes_) return;
  std::fill(table_.get(), table_.get() + kTableSize, Entry{});
  std::fill(blocks_.get(), blocks_.get() + kSlots, 0u);
  filled_ = 0;
  hand_ = 0;
}

void BlockCache::Release() {
  bytes_.reset();
  table_.reset();
  blocks_.reset();
  used_.reset();
  filled_ = 0;
  hand_ = 0;
}

}  // namespace tomeshelf
