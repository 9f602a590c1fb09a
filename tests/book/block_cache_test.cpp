#include <gtest/gtest.h>

#include <array>

#include "book/block_cache.h"

namespace tomeshelf {
namespace {

// Blocks a fixed stride apart (as a word's headings often lie) spread over the sets: a
// quarter of the room taken at such a stride stays whole.
TEST(BlockCacheTest, BlocksAtAStrideDoNotCrowdOneSet) {
  BlockCache cache;
  std::array<uint8_t, kBlockSize> bytes{};
  for (const uint32_t stride : {1u, 64u, 192u}) {
    for (uint32_t k = 0; k < BlockCache::kSlots / 4; ++k) {
      bytes[0] = static_cast<uint8_t>(k);
      ASSERT_TRUE(cache.Put(k * stride, bytes.data()));
    }
    for (uint32_t k = 0; k < BlockCache::kSlots / 4; ++k) {
      const uint8_t* got = cache.Find(k * stride);
      ASSERT_NE(got, nullptr) << stride << " " << k;
      EXPECT_EQ(got[0], static_cast<uint8_t>(k));
    }
    cache.Clear();
  }
}

}  // namespace
}  // namespace tomeshelf
