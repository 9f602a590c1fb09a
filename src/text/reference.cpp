#include "text/reference.h"

namespace tomeshelf {

int32_t DecodeBcd(const uint8_t* bytes, int32_t n) {
  int32_t value = 0;
  for (int32_t i = 0; i < n; ++i) {
    for (const uint8_t digit : {static_cast<uint8_t>(bytes[i] >> 4), static_cast<uint8_t>(bytes[i] & 0x0F)}) {
      if (digit > 9) return value;
      value = value * 10 + digit;
    }
  }
  return value;
}

std::optional<size_t> FindEndCode(const uint8_t* reference, size_t from, uint8_t endCode) {
  for (size_t i = from; i + 1 < kMaxReferenceScan; ++i) {
    if (reference[i] == kEscape && reference[i + 1] == endCode) return i;
  }
  return std::nullopt;
}

}  // namespace tomeshelf
