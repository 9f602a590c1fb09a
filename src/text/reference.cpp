#include "text/reference.h"

namespace tomeshelf {

int32_t DecodeBcd(const uint8_t* bytes, int32_t n) {
  uint32_t value = 0;  // wraps rather than overflows for more than 4 bytes
  for (int32_t i = 0; i < n; ++i) {
    for (const uint32_t digit : {uint32_t{bytes[i]} >> 4, uint32_t{bytes[i]} & 0x0Fu}) {
      if (digit > 9) return static_cast<int32_t>(value);
      value = value * 10 + digit;
    }
  }
  return static_cast<int32_t>(value);
}

std::optional<size_t> FindEndCode(const uint8_t* reference, size_t from, uint8_t endCode) {
  for (size_t i = from; i + 1 < kMaxReferenceScan; ++i) {
    if (reference[i] == kEscape && reference[i + 1] == endCode) return i;
  }
  return std::nullopt;
}

std::optional<int32_t> FindReferenceTarget(const uint8_t* reference, uint8_t endCode) {
  const auto pair = FindEndCode(reference, kEndPairSearchFrom, endCode);
  if (!pair) return std::nullopt;
  const size_t address = *pair + kEndPairSize;
  if (address + kBcdAddressSize > kMaxReferenceScan) return std::nullopt;
  return DecodeBcdAddress(reference + address).FileOffset();
}

}  // namespace tomeshelf
