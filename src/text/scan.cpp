#include "text/scan.h"

namespace tomeshelf {

namespace {

bool IsArticleStart(std::span<const uint8_t> piece, size_t at) {
  return at + kArticleStartSize <= piece.size() && piece[at] == kEscape &&
         piece[at + 1] == kArticleStartCode && piece[at + 2] == kArticleStartParameter;
}

bool IsTextEnd(std::span<const uint8_t> piece, size_t at) {
  return at + kTextEndSize <= piece.size() && piece[at] == kEscape &&
         piece[at + 1] == kTextEndCode;
}

}  // namespace

std::optional<size_t> FindHitArticleEnd(std::span<const uint8_t> piece, int32_t& startSeen) {
  for (size_t i = 0; i < piece.size();) {
    if (!IsArticleStart(piece, i)) {
      ++i;
      continue;
    }
    if (startSeen != 0) return i;
    startSeen = 1;
    i += kArticleStartSize;
  }
  return std::nullopt;
}

std::optional<size_t> FindArticleEnd(std::span<const uint8_t> piece, bool continuing) {
  int markers = 0;
  for (size_t i = 0; i < piece.size();) {
    if (IsTextEnd(piece, i)) return i;
    if (!IsArticleStart(piece, i)) {
      ++i;
      continue;
    }
    if (continuing || ++markers > 1) return i;
    i += kArticleStartSize;
  }
  return std::nullopt;
}

std::optional<size_t> FindLastArticleStart(std::span<const uint8_t> piece) {
  std::optional<size_t> last;
  for (size_t i = 0; i < piece.size();) {
    if (!IsArticleStart(piece, i)) {
      ++i;
      continue;
    }
    last = i;
    i += kArticleStartSize;
  }
  return last;
}

}  // namespace tomeshelf
