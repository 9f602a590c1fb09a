#include "search/heading.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "book/open_book.h"

namespace tomeshelf {

namespace {
constexpr uint8_t kLineBreakCode = 0x0A;
}

Status ReadHeading(OpenBook& book, int32_t n, uint8_t* buffer) {
  if (!book.Hits().Contains(n)) return Status::kRefused;
  const int32_t offset = book.Hits()[n].headingOffset;
  const std::span<uint8_t> out(buffer, kHeadingSize);
  size_t got = 0;
  const size_t within = offset < 0 ? 0 : static_cast<size_t>(offset) % kBlockSize;
  if (offset >= 0 && within + kHeadingSize <= kBlockSize) {
    // Most headings lie inside one block: copied straight from the cache, in one piece.
    std::array<uint8_t, kBlockSize> spare;
    const auto block = book.View(offset - static_cast<int32_t>(within), spare);
    if (!block) return Status::kIoError;
    // Past the hits the search read ahead for: the next ones in one batch.
    if (block->data() == spare.data()) PrefetchHeadings(book, n + 1);
    if (block->size() == kBlockSize) {
      std::memcpy(buffer, block->data() + within, kHeadingSize);
      got = kHeadingSize;
    } else {
      got = block->size() > within ? std::min(block->size() - within, kHeadingSize) : 0;
      std::memcpy(buffer, block->data() + within, got);
    }
  } else {
    const auto read = book.Read(offset, out, ReadOrder::kSeekFirst);
    if (!read) return Status::kIoError;
    got = *read;
  }
  // The heading ends at the 0x1F of the first 0x1F 0x0A, or after the last byte read when
  // the file ended first; nothing outside the 500 bytes is written.
  size_t end = std::min(got, kHeadingSize - 1);
  if (const void* lineBreak = std::memchr(buffer, kLineBreakCode, got)) {
    const auto at = static_cast<size_t>(static_cast<const uint8_t*>(lineBreak) - buffer);
    end = std::min(end, at == 0 ? 0 : at - 1);
  }
  out[end] = 0;
  out[kHeadingSize - 1] = 0;
  return Status::kOk;
}

void PrefetchHeadings(OpenBook& book, int32_t first) {
  if (!book.ReadsInBatches()) return;
  std::array<uint32_t, 2 * kHeadingsAhead> blocks;
  size_t n = 0;
  const int32_t end = std::min(book.Hits().Count(), first + kHeadingsAhead);
  for (int32_t h = std::max(first, 0); h < end; ++h) {
    const int32_t offset = book.Hits()[h].headingOffset;
    if (offset < 0) continue;
    const auto at = static_cast<uint64_t>(offset);
    const auto firstBlock = static_cast<uint32_t>(at / kBlockSize);
    const auto lastBlock = static_cast<uint32_t>((at + kHeadingSize - 1) / kBlockSize);
    blocks[n++] = firstBlock;
    if (lastBlock != firstBlock) blocks[n++] = lastBlock;
  }
  book.Prefetch(std::span(blocks.data(), n));
}

}  // namespace tomeshelf
