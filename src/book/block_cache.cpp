#include "book/block_cache.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tomeshelf {

std::optional<size_t> BlockCache::Claim(uint32_t block) {
  if (!bytes_) {
    try {
      bytes_ = std::make_unique_for_overwrite<uint8_t[]>(kSlots * kBlockSize);
      tags_ = std::make_unique<uint32_t[]>(kSlots);
      next_ = std::make_unique<uint8_t[]>(kSets);
    } catch (const std::bad_alloc&) {
      Release();
      return std::nullopt;
    }
  }
  const size_t set = SetOf(block);
  size_t way = next_[set];
  for (size_t w = 0; w < kWays; ++w) {
    if (tags_[set * kWays + w] == block + 1) way = w;
  }
  if (way == next_[set]) next_[set] = static_cast<uint8_t>((way + 1) % kWays);
  tags_[set * kWays + way] = 0;
  return set * kWays + way;
}

bool BlockCache::Put(uint32_t block, const uint8_t* bytes) {
  const auto slot = Claim(block);
  if (!slot) return false;
  std::memcpy(Slot(*slot), bytes, kBlockSize);
  Keep(*slot, block);
  return true;
}

void BlockCache::Clear() {
  if (tags_) std::fill(tags_.get(), tags_.get() + kSlots, 0u);
}

void BlockCache::Release() {
  bytes_.reset();
  tags_.reset();
  next_.reset();
}

}  // namespace tomeshelf
