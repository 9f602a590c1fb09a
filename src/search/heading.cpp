#include "search/heading.h"

#include <algorithm>
#include <span>

#include "book/open_book.h"

namespace tomeshelf {

namespace {
constexpr uint8_t kLineBreakCode = 0x0A;
}

Status ReadHeading(OpenBook& book, int32_t n, uint8_t* buffer) {
  if (!book.Hits().Contains(n)) return Status::kRefused;
  const std::span<uint8_t> out(buffer, kHeadingSize);
  auto got = book.Read(book.Hits()[n].headingOffset, out, ReadOrder::kSeekFirst);
  if (!got) return Status::kIoError;
  // The heading ends at the 0x1F of the first 0x1F 0x0A, or after the last byte read when
  // the file ended first; nothing outside the 500 bytes is written.
  size_t end = std::min(*got, kHeadingSize - 1);
  auto lineBreak = std::find(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(*got),
                             kLineBreakCode);
  if (lineBreak != out.begin() + static_cast<std::ptrdiff_t>(*got)) {
    const size_t at = static_cast<size_t>(lineBreak - out.begin());
    end = std::min(end, at == 0 ? 0 : at - 1);
  }
  out[end] = 0;
  out[kHeadingSize - 1] = 0;
  return Status::kOk;
}

}  // namespace tomeshelf
