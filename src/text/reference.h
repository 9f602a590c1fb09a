// References copied out of article text: packed-BCD numbers and the end codes that close
// them. A reference comes with no length, so every search for its end code is bounded.
#ifndef TOMESHELF_TEXT_REFERENCE_H_
#define TOMESHELF_TEXT_REFERENCE_H_

#include <cstddef>
#include <cstdint>
#include <optional>

#include "base/bytes.h"

namespace tomeshelf {

inline constexpr uint8_t kEscape = 0x1F;
// No real reference comes near this many bytes before its end code.
inline constexpr size_t kMaxReferenceScan = 4096;

// Reads n bytes as decimal digits, two per byte, high nibble first, stopping at the first
// nibble that is not a digit (0xA to 0xF); no digits give 0, as do n of 0 or less.
int32_t DecodeBcd(const uint8_t* bytes, int32_t n);

// The offset of the first 0x1F followed by endCode at or after `from`, looking no further
// than kMaxReferenceScan bytes from the reference's start; nullopt when it does not come.
std::optional<size_t> FindEndCode(const uint8_t* reference, size_t from, uint8_t endCode);

// A block (4 BCD bytes) and an offset (2 BCD bytes) as they follow an end code.
inline BlockAddress DecodeBcdAddress(const uint8_t* p) {
  return BlockAddress{static_cast<uint32_t>(DecodeBcd(p, 4)),
                      static_cast<uint32_t>(DecodeBcd(p + 4, 2))};
}

// Link and menu references: 0x1F, the start code, a label, 0x1F and the end code, then the
// target as a BCD block and offset.
inline constexpr uint8_t kLinkStartCode = 0x42;
inline constexpr uint8_t kLinkEndCode = 0x62;
inline constexpr uint8_t kMenuStartCode = 0x43;
inline constexpr uint8_t kMenuEndCode = 0x63;
inline constexpr size_t kReferenceKindAt = 1;
// The label holds at least one two-byte character, so the end pair comes no sooner.
inline constexpr size_t kEndPairSearchFrom = 4;
inline constexpr size_t kEndPairSize = 2;
inline constexpr size_t kBcdAddressSize = 6;

// The file offset a link or menu reference points to. nullopt when the end pair with
// endCode and the six BCD bytes after it do not all lie within kMaxReferenceScan bytes of
// the reference's start; no byte beyond that is read.
std::optional<int32_t> FindReferenceTarget(const uint8_t* reference, uint8_t endCode);

}  // namespace tomeshelf

#endif  // TOMESHELF_TEXT_REFERENCE_H_
