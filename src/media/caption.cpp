#include "media/caption.h"

#include <algorithm>
#include <cstring>

#include "text/reference.h"

namespace tomeshelf {

std::optional<size_t> CopyCaption(const uint8_t* reference, size_t from, uint8_t endCode,
                                  size_t maxBytes, char* out) {
  const auto end = FindEndCode(reference, from, endCode);
  if (!end) return std::nullopt;
  const size_t n = std::min(*end - from, maxBytes);
  std::memcpy(out, reference + from, n);
  out[n] = '\0';
  return n;
}

}  // namespace tomeshelf
