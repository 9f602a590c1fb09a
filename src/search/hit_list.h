// The hits of the last word search, in index order.
#ifndef TOMESHELF_SEARCH_HIT_LIST_H_
#define TOMESHELF_SEARCH_HIT_LIST_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tomeshelf {

struct Hit {
  int32_t textOffset = 0;     // file offset of the article
  int32_t headingOffset = 0;  // file offset of the heading
  int32_t articleStartSeen = 0;
};

class HitList {
 public:
  // Empties the list; its storage stays for the next search unless the list grew large.
  void ClearHits();
  // Appends a hit unless it repeats the text offset of the hit just before it, or has text
  // offset 0 and is not the first. Starts with room for 64 hits, then grows by an eighth
  // of the count (4 to 1024 elements).
  void AppendHit(int32_t textOffset, int32_t headingOffset) {
    if (!hits_.empty() && (textOffset == 0 || textOffset == hits_.back().textOffset)) return;
    if (hits_.size() == hits_.capacity()) Grow();
    hits_.push_back(Hit{textOffset, headingOffset, 0});
  }

  int32_t Count() const { return static_cast<int32_t>(hits_.size()); }
  bool Contains(int32_t n) const { return n >= 0 && n < Count(); }
  Hit& operator[](int32_t n) { return hits_[static_cast<size_t>(n)]; }
  const Hit& operator[](int32_t n) const { return hits_[static_cast<size_t>(n)]; }
  size_t Capacity() const { return hits_.capacity(); }
  void ClearStartSeen();

 private:
  void Grow();

  std::vector<Hit> hits_;
};

}  // namespace tomeshelf

#endif  // TOMESHELF_SEARCH_HIT_LIST_H_
