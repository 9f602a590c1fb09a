#include <gtest/gtest.h>

#include <array>
#include <map>
#include <random>

#include "book/block_cache.h"

namespace tomeshelf {
namespace {

// Random puts over eight times the cache's room, against a model of the last bytes put for
// each block: a block is found with exactly those bytes or not at all, never more than fit.
TEST(BlockCacheTest, KeepsTheLastBytesOfWhatFitsAndNothingElse) {
  BlockCache cache;
  std::map<uint32_t, uint8_t> model;
  std::array<uint8_t, kBlockSize> bytes{};
  std::mt19937 random(7);
  const auto holds = [&](uint32_t block, uint8_t v) {
    const uint8_t* got = cache.Find(block);
    return got != nullptr && got[0] == v && got[kBlockSize - 1] == v;
  };
  for (int step = 0; step < 20000; ++step) {
    const auto block = static_cast<uint32_t>(random() % (8 * BlockCache::kSlots));
    bytes.fill(static_cast<uint8_t>(random()));
    ASSERT_TRUE(cache.Put(block, bytes.data()));
    model[block] = bytes[0];
    ASSERT_TRUE(holds(block, bytes[0]));
    if (step % 1000 != 999) continue;
    size_t found = 0;
    for (const auto& [b, v] : model) {
      if (cache.Find(b) == nullptr) continue;
      ++found;
      ASSERT_TRUE(holds(b, v)) << b;
    }
    EXPECT_LE(found, BlockCache::kSlots);
  }
  cache.Clear();
  EXPECT_EQ(cache.Find(model.begin()->first), nullptr);
  // Blocks a fixed stride apart (as a word's headings often lie) spread over the sets: a
  // quarter of the room taken at such a stride stays whole.
  for (const uint32_t stride : {64u, 192u}) {
    for (uint32_t k = 0; k < BlockCache::kSlots / 4; ++k) cache.Put(k * stride, bytes.data());
    for (uint32_t k = 0; k < BlockCache::kSlots / 4; ++k) {
      EXPECT_NE(cache.Find(k * stride), nullptr) << stride << " " << k;
    }
    cache.Clear();
  }
}

}  // namespace
}  // namespace tomeshelf
