#include "search/hit_list.h"

#include <algorithm>

namespace tomeshelf {

namespace {
constexpr size_t kMinGrowth = 4;
constexpr size_t kMaxGrowth = 1024;
// Room for the hits of most searches, kept from one search to the next; a list grown far
// past it gives its storage back.
constexpr size_t kFirstCapacity = 64;
constexpr size_t kKeptCapacity = 4096;
}  // namespace

void HitList::ClearHits() {
  if (hits_.capacity() > kKeptCapacity) {
    std::vector<Hit>().swap(hits_);
  } else {
    hits_.clear();
  }
}

void HitList::Grow() {
  hits_.reserve(hits_.empty() ? kFirstCapacity
                              : hits_.capacity() + std::clamp(hits_.size() / 8, kMinGrowth, kMaxGrowth));
}

void HitList::ClearStartSeen() {
  for (auto& h : hits_) h.articleStartSeen = 0;
}

}  // namespace tomeshelf
