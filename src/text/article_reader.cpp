#include "text/article_reader.h"

#include <algorithm>
#include <array>

#include "text/reference.h"
#include "text/scan.h"

namespace tomeshelf {

namespace {
constexpr int64_t kWindowSize = kBlockSize;
constexpr int kMaxBackWindows = 200;

// A piece that the file's end cut short holds the end of its article even without a
// marker; otherwise a caller waiting for the end would be handed empty pieces for ever.
std::optional<size_t> EndOrFileEnd(std::optional<size_t> marker, size_t got, size_t asked) {
  if (marker || got == asked) return marker;
  return got;
}
}  // namespace

Status ArticleReader::GetWordContent(int32_t hit, std::span<uint8_t> buffer, uint32_t& count) {
  count = 0;
  // A hit number the list does not hold has no article: -1, as for a missing book.
  if (!book_.Hits().Contains(hit)) return Status::kNoState;
  if (state_.currentHit != hit || state_.articleDone == 1 ||
      !book_.Hits().Contains(state_.continuedHit)) {
    state_.articleDone = 0;
    state_.currentHit = hit;
    state_.continuedHit = 0;
    book_.Hits().ClearStartSeen();
    return ReadHitArticle(hit, buffer, count);
  }
  return ContinueHitArticle(buffer, count);
}

Status ArticleReader::ReadHitArticle(int32_t hit, std::span<uint8_t> buffer, uint32_t& count) {
  state_.chunkStart = book_.Hits()[hit].textOffset;
  const auto got = book_.Read(state_.chunkStart, buffer, ReadOrder::kCheckFirst);
  if (!got) {
    // Nothing of the article went out, so asking again starts it again.
    state_.currentHit = -1;
    return Status::kIoError;
  }
  state_.articleBytesRead = static_cast<uint32_t>(*got);
  const auto end = EndOrFileEnd(FindHitArticleEnd(buffer.first(*got), book_.Hits()[hit].articleStartSeen),
                                *got, buffer.size());
  if (end) {
    count = static_cast<uint32_t>(*end);
    state_.nextPos = OffsetAfter(state_.chunkStart, *end);
    state_.currentHit = -1;
    state_.articleDone = 1;
    return Status::kOk;
  }
  count = static_cast<uint32_t>(*got);
  state_.continuedHit = hit;
  state_.hitResume = OffsetAfter(state_.chunkStart, *got);
  return Status::kMore;
}

Status ArticleReader::ContinueHitArticle(std::span<uint8_t> buffer, uint32_t& count) {
  const int32_t offset = state_.hitResume;
  const auto got = book_.Read(offset, buffer, ReadOrder::kCheckFirst);
  if (!got) return Status::kIoError;  // a repeat goes on from the same place
  state_.articleBytesRead += static_cast<uint32_t>(*got);
  Hit& hit = book_.Hits()[state_.continuedHit];
  const auto end =
      EndOrFileEnd(FindHitArticleEnd(buffer.first(*got), hit.articleStartSeen), *got, buffer.size());
  if (end) {
    count = static_cast<uint32_t>(*end);
    state_.nextPos = OffsetAfter(offset, *end);
    state_.currentHit = -1;
    state_.articleDone = 1;
    return Status::kOk;
  }
  count = static_cast<uint32_t>(*got);
  state_.hitResume = OffsetAfter(offset, *got);
  return Status::kMore;
}

Status ArticleReader::GetNextContent(std::span<uint8_t> buffer, uint32_t& count) {
  count = 0;
  if (state_.continuing == 0) {
    state_.chunkStart = state_.nextPos;
    return ReadArticlePiece(state_.chunkStart, ReadOrder::kSeekFirst, buffer, count);
  }
  return ReadArticlePiece(state_.articleResume, ReadOrder::kCheckFirst, buffer, count);
}

Status ArticleReader::GetLastContent(std::span<uint8_t> buffer, uint32_t& count) {
  if (state_.continuing == 0) {
    const int32_t previous = FindPreviousArticle(state_.chunkStart);
    state_.chunkStart = previous;
    state_.nextPos = previous;
  }
  return GetNextContent(buffer, count);
}

Status ArticleReader::GetLinkContent(const uint8_t* reference, std::span<uint8_t> buffer,
                                     uint32_t& count) {
  if (state_.continuing != 0) {
    return ReadArticlePiece(state_.articleResume, ReadOrder::kCheckFirst, buffer, count);
  }
  if (reference[0] != kEscape || reference[kReferenceKindAt] != kLinkStartCode) {
    return Status::kRefused;
  }
  const auto target = FindReferenceTarget(reference, kLinkEndCode);
  if (!target) return Status::kRefused;
  state_.chunkStart = *target;
  return ReadArticlePiece(state_.chunkStart, ReadOrder::kSeekFirst, buffer, count);
}

Status ArticleReader::ReadArticlePiece(int32_t offset, ReadOrder order,
                                       std::span<uint8_t> buffer, uint32_t& count) {
  const auto got = book_.Read(offset, buffer, order);
  if (!got) return Status::kIoError;
  const bool continuing = state_.continuing == 1;
  if (continuing) {
    state_.articleBytesRead += static_cast<uint32_t>(*got);
  } else {
    state_.articleBytesRead = static_cast<uint32_t>(*got);
  }
  const auto end = EndOrFileEnd(FindArticleEnd(buffer.first(*got), continuing), *got, buffer.size());
  if (end) {
    count = static_cast<uint32_t>(*end);
    state_.continuing = 0;
    state_.nextPos = OffsetAfter(offset, *end);
    return Status::kOk;
  }
  count = static_cast<uint32_t>(*got);
  state_.continuing = 1;
  state_.articleResume = OffsetAfter(offset, *got);
  return Status::kMore;
}

int32_t ArticleReader::FindPreviousArticle(int32_t p) {
  std::array<uint8_t, kBlockSize> window{};
  // A marker cut by the boundary between two windows lies in neither; the first bytes of
  // the later window are kept so that the junction can be tried as well.
  std::array<uint8_t, 2 * (kArticleStartSize - 1)> junction{};
  constexpr size_t kCarried = kArticleStartSize - 1;
  size_t carried = 0;
  // The window that ends at p leaves out the marker at p itself.
  int64_t start = int64_t{p} - kWindowSize;
  for (int n = 0; n < kMaxBackWindows; ++n) {
    if (start < 0) return -1;
    const auto got = book_.Read(static_cast<int32_t>(start), window, ReadOrder::kSeekFirst);
    if (!got) return -1;
    if (*got == window.size() && carried == kCarried) {
      std::copy(window.end() - kCarried, window.end(), junction.begin());
      if (const auto marker = FindLastArticleStart(junction)) {
        return static_cast<int32_t>(start + kWindowSize - static_cast<int64_t>(kCarried) +
                                    static_cast<int64_t>(*marker));
      }
    }
    if (const auto marker = FindLastArticleStart(std::span(window).first(*got))) {
      return static_cast<int32_t>(start + static_cast<int64_t>(*marker));
    }
    carried = std::min(*got, kCarried);
    std::copy(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(carried),
              junction.begin() + kCarried);
    start -= kWindowSize;
  }
  // The search stops at the file's start rather than at the window limit when both fall
  // together, as when it meets the start within the limit.
  if (start < 0) return -1;
  return p;
}

}  // namespace tomeshelf
