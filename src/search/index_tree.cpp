#include "search/index_tree.h"

#include <limits>

namespace tomeshelf {

namespace {

int64_t BlockOffset(uint32_t block) { return BlockAddress{block, 0}.FileOffset(); }

}  // namespace

Status IndexTreeSearch::Run(uint32_t rootBlock) {
  std::optional<Page> page;
  uint32_t block = rootBlock;
  int32_t depth = 0;
  for (;;) {
    const Status read = ReadIndexPage(block, page);
    if (read != Status::kOk) return read;
    if (ReadPageHeader(*page).IsLeaf()) return ScanLeafPages(*page, block);

    uint32_t child = 0;
    switch (DescendIntermediatePage(*page, child)) {
      case Step::kChild:
        if (++depth > kMaxIndexDepth) return Status::kDamaged;
        block = child;
        break;
      case Step::kNextPage:
        ++block;
        break;
      case Step::kBeyondLevel:
        return Status::kNotFound;
    }
  }
}

Status IndexTreeSearch::ReadIndexPage(uint32_t block, std::optional<Page>& page) {
  if (++pagesRead_ > kMaxSearchPages) return Status::kDamaged;
  // A prefix match usually runs on into the next leaf: a miss reads that one with it.
  const uint32_t readAhead = mode_ == KeyMode::kExact ? 0 : kPrefixDescentReadAhead;
  const auto got = book_.View(BlockAddress{block, 0}.FileOffset(), spare_, readAhead);
  if (!got || got->size() < kPageSize) return Status::kIoError;
  page.emplace(got->first<kPageSize>());
  return Status::kOk;
}

IndexTreeSearch::Step IndexTreeSearch::DescendIntermediatePage(Page page, uint32_t& child) const {
  const PageHeader header = ReadPageHeader(page);
  const size_t entryLength = size_t{header.keyWidth} + kChildBlockSize;
  size_t at = kPageHeaderSize;
  // Entries that would run past the page are not there.
  for (uint16_t i = 0; i < header.count && at + entryLength <= kPageSize; ++i) {
    const uint8_t* entry = page.data() + at;
    int order = prefix_.Order(page, at, header.keyWidth);
    if (order == 0) order = CompareEntryKey(entry, header.keyWidth, key_, KeyMode::kExact);
    if (order >= 0) {
      child = ReadBe32(entry + header.keyWidth);
      return Step::kChild;
    }
    at += entryLength;
  }
  return header.IsLastOfLevel() ? Step::kBeyondLevel : Step::kNextPage;
}

Status IndexTreeSearch::ScanLeafPages(Page first, uint32_t firstBlock) {
  // Leaf pages are consecutive blocks, read one by one through the book's cache. Once a
  // scan runs long, a miss reads the next few pages with it.
  int64_t nextOffset = BlockOffset(firstBlock) + int64_t{kPageSize};
  Page page = first;
  for (uint32_t scanned = 1;; ++scanned) {
    if (ScanLeafPage(page) == PageEnd::kKeyPassed) break;
    if (ReadPageHeader(page).IsLastOfLevel()) break;
    if (++pagesRead_ > kMaxSearchPages) return Status::kDamaged;
    if (nextOffset > std::numeric_limits<int32_t>::max()) return Status::kIoError;
    const auto got = book_.View(static_cast<int32_t>(nextOffset), spare_,
                                scanned >= kLongLeafRun ? kLeafReadAhead : 0);
    if (!got) return Status::kIoError;
    if (got->size() < kPageSize) break;  // the file ended
    page = Page(got->first<kPageSize>());
    nextOffset += int64_t{kPageSize};
  }
  return book_.Hits().Count() > 0 ? Status::kOk : Status::kNotFound;
}

IndexTreeSearch::PageEnd IndexTreeSearch::ScanLeafPage(Page page) {
  const PageHeader header = ReadPageHeader(page);
  size_t at = kPageHeaderSize;
  for (uint16_t i = 0; i < header.count; ++i) {
    LeafEntry entry;
    // An entry that runs past the page, or of a type not known, ends the page.
    if (!ReadLeafEntry(page, header, at, entry) || entry.kind == LeafEntryKind::kUnknown) {
      return PageEnd::kGoOn;
    }
    switch (entry.kind) {
      case LeafEntryKind::kWord:
        groupMatched_ = false;
        lastComparison_ = Compare(page, entry);
        if (lastComparison_ == 0) TakeHit(entry);
        break;
      case LeafEntryKind::kGroupHead:
        lastComparison_ = Compare(page, entry);
        groupMatched_ = lastComparison_ == 0;
        break;
      case LeafEntryKind::kGroupMember:
        if (groupMatched_) TakeHit(entry);
        break;
      case LeafEntryKind::kUnknown:
        break;
    }
    if (lastComparison_ > 0) return PageEnd::kKeyPassed;
    at += entry.length;
  }
  return PageEnd::kGoOn;
}

int IndexTreeSearch::Compare(Page page, const LeafEntry& entry) const {
  const int order = prefix_.Order(page, static_cast<size_t>(entry.key - page.data()), entry.keyLength);
  return order != 0 ? order : CompareEntryKey(entry.key, entry.keyLength, key_, mode_);
}

void IndexTreeSearch::TakeHit(const LeafEntry& entry) {
  if (CompareEntryKey(entry.key, entry.keyLength, rawKey_, mode_) != 0) return;
  const BlockAddress text = ReadIndexPosition(entry.positions);
  const BlockAddress heading = ReadIndexPosition(entry.positions + kIndexPositionSize);
  book_.Hits().AppendHit(text.FileOffset(), heading.FileOffset());
}

}  // namespace tomeshelf
