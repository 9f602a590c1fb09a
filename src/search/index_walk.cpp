#include "search/index_walk.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "search/index_page.h"
#include "search/index_tree.h"

namespace tomeshelf {

namespace {

constexpr int32_t kMaxStrangers = 16;

int32_t PageOffset(uint32_t block) { return BlockAddress{block, 0}.FileOffset(); }

class Walker {
 public:
  Walker(OpenBook& book, const std::function<void(const WalkedEntry&)>& visit)
      : book_(book), visit_(visit) {}

  std::vector<WalkProblem> Run(uint32_t root) {
    const std::optional<uint32_t> first = FirstLeaf(root);
    if (!first) return std::move(problems_);
    // A sound tree names its last leaf too; without it the leaves end at the page that
    // says it is the last of its level.
    const std::optional<uint32_t> lastLeaf = LastLeaf(root);
    const bool bounded = lastLeaf.has_value() && *lastLeaf >= *first;
    const uint32_t last = bounded ? *lastLeaf : 0;
    int32_t strangers = 0;  // pages in a row that are not leaves
    for (uint32_t block = *first; pagesRead_ < kMaxSearchPages; ++block) {
      const bool more = bounded && block < last;
      // Past the end of the file nothing more can be read.
      if (!Read(block)) {
        Report(PageOffset(block), WalkDamage::kUnreadable);
        break;
      }
      const PageHeader header = ReadPageHeader(page_);
      if (!header.IsLeaf()) {
        Report(PageOffset(block), WalkDamage::kNotALeaf);
        // A damaged leaf is skipped; a run of other pages means the bound itself is wrong.
        if (more && ++strangers < kMaxStrangers) continue;
        break;
      }
      strangers = 0;
      ScanLeaf(block, header);
      if (bounded ? !more : header.IsLastOfLevel()) break;
    }
    return std::move(problems_);
  }

 private:
  bool Read(uint32_t block) {
    ++pagesRead_;
    const auto got = book_.Read(PageOffset(block), page_);
    return got && *got == kPageSize;
  }

  void Report(int32_t offset, WalkDamage damage) { problems_.push_back({offset, damage}); }

  // The child block of the first or last entry of the intermediate page in page_.
  std::optional<uint32_t> Child(bool lastEntry) const {
    const PageHeader header = ReadPageHeader(page_);
    const size_t entryLength = size_t{header.keyWidth} + kChildBlockSize;
    const size_t fit = (kPageSize - kPageHeaderSize) / entryLength;
    const size_t count = std::min<size_t>(header.count, fit);
    if (count == 0) return std::nullopt;
    const size_t at = kPageHeaderSize + (lastEntry ? count - 1 : 0) * entryLength;
    return ReadBe32(page_.data() + at + header.keyWidth);
  }

  std::optional<uint32_t> FirstLeaf(uint32_t root) {
    uint32_t block = root;
    for (int32_t depth = 0; depth <= kMaxIndexDepth; ++depth) {
      if (!Read(block)) {
        Report(PageOffset(block), WalkDamage::kUnreadable);
        return std::nullopt;
      }
      if (ReadPageHeader(page_).IsLeaf()) return block;
      const auto child = Child(false);
      if (!child) break;
      block = *child;
    }
    Report(PageOffset(block), WalkDamage::kNoLeaves);
    return std::nullopt;
  }

  // Along each level to its last page, then down its last entry; nullopt when that way is
  // broken or the leaf reached does not close its level.
  std::optional<uint32_t> LastLeaf(uint32_t root) {
    uint32_t block = root;
    for (int32_t depth = 0; depth <= kMaxIndexDepth; ++depth) {
      for (;;) {
        if (pagesRead_ >= kMaxSearchPages || !Read(block)) return std::nullopt;
        const PageHeader header = ReadPageHeader(page_);
        if (header.IsLeaf()) return header.IsLastOfLevel() ? std::optional(block) : std::nullopt;
        if (header.IsLastOfLevel()) break;
        ++block;
      }
      const auto child = Child(true);
      if (!child) return std::nullopt;
      block = *child;
    }
    return std::nullopt;
  }

  void ScanLeaf(uint32_t block, const PageHeader& header) {
    const int32_t pageOffset = PageOffset(block);
    size_t at = kPageHeaderSize;
    for (uint16_t i = 0; i < header.count; ++i) {
      const auto entry = ReadLeafEntry(page_, header, at);
      const int32_t where = OffsetOf(pageOffset, at);
      if (!entry) return Report(where, WalkDamage::kEntryPastPage);
      if (entry->kind == LeafEntryKind::kUnknown) return Report(where, WalkDamage::kUnknownEntry);
      at += entry->length;
      if (entry->kind == LeafEntryKind::kGroupHead) continue;
      const BlockAddress text = ReadIndexPosition(entry->positions);
      if (text.block == 0) {
        Report(where, WalkDamage::kBadPosition);
        continue;
      }
      const void* zero = std::memchr(entry->key, 0, entry->keyLength);
      const size_t keyLength =
          zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - entry->key) : entry->keyLength;
      visit_(WalkedEntry{{entry->key, keyLength}, text.FileOffset(),
                         ReadIndexPosition(entry->positions + kIndexPositionSize).FileOffset()});
    }
  }

  static int32_t OffsetOf(int32_t pageOffset, size_t at) {
    return static_cast<int32_t>(static_cast<uint32_t>(pageOffset) + static_cast<uint32_t>(at));
  }

  OpenBook& book_;
  const std::function<void(const WalkedEntry&)>& visit_;
  std::array<uint8_t, kPageSize> page_{};
  std::vector<WalkProblem> problems_;
  int64_t pagesRead_ = 0;
};

}  // namespace

std::vector<WalkProblem> WalkIndex(OpenBook& book, uint32_t rootBlock,
                                   const std::function<void(const WalkedEntry&)>& visit) {
  return Walker(book, visit).Run(rootBlock);
}

}  // namespace tomeshelf
