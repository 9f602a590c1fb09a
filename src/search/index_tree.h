// One search through a word index's page tree: the descent from the root page to the
// first leaf that can hold the key, then the scan of the leaf pages that follow it.
#ifndef TOMESHELF_SEARCH_INDEX_TREE_H_
#define TOMESHELF_SEARCH_INDEX_TREE_H_

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "base/status.h"
#include "book/open_book.h"
#include "search/index_page.h"
#include "search/search_key.h"

namespace tomeshelf {

// Bounds on the pages one search reads, far beyond any real index: descents deeper than
// this, or more pages than a 2 GiB text file holds, mean the index leads round in a circle.
inline constexpr int32_t kMaxIndexDepth = 64;
inline constexpr int64_t kMaxSearchPages = int64_t{1} << 20;
// Leaf blocks read along with one that the cache lacks, once a scan has read this many.
inline constexpr uint32_t kLeafReadAhead = 7;
inline constexpr uint32_t kLongLeafRun = 3;
// Blocks read along with an index page the cache lacks, on the way down for a prefix match.
inline constexpr uint32_t kPrefixDescentReadAhead = 1;

// Lives for one search; holds references to the keys, which must outlive it.
class IndexTreeSearch {
 public:
  // key: the prepared key the index is ordered by; rawKey: the word before normalisation,
  // symbols stripped, that every hit's own key must match as well.
  IndexTreeSearch(OpenBook& book, std::span<const uint8_t> key, std::span<const uint8_t> rawKey,
                  KeyMode mode)
      : book_(book), key_(key), rawKey_(rawKey), prefix_(key), mode_(mode) {}

  // Searches the tree whose root page is this block; appends the hits to the book's list.
  Status Run(uint32_t rootBlock);

 private:
  enum class Step { kChild, kNextPage, kBeyondLevel };
  enum class PageEnd { kGoOn, kKeyPassed };

  Status ReadIndexPage(uint32_t block, std::optional<Page>& page);
  Step DescendIntermediatePage(Page page, uint32_t& child) const;
  Status ScanLeafPages(Page page, uint32_t firstBlock);
  PageEnd ScanLeafPage(Page page);
  void TakeHit(const LeafEntry& entry);
  int Compare(Page page, const LeafEntry& entry) const;

  OpenBook& book_;
  const std::span<const uint8_t> key_;
  const std::span<const uint8_t> rawKey_;
  const KeyPrefix prefix_;
  const KeyMode mode_;
  int64_t pagesRead_ = 0;
  int lastComparison_ = -1;  // carries over from entry to entry and page to page
  bool groupMatched_ = false;
  // Pages come as views of the book's cache; a page the cache lacks is read in here.
  std::array<uint8_t, kPageSize> spare_;
};

}  // namespace tomeshelf

#endif  // TOMESHELF_SEARCH_INDEX_TREE_H_
