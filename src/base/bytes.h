// The one place where bytes of the disc become numbers: big-endian integers, the
// little-endian length of colour pictures, and block addresses. Callers check lengths first.
#ifndef TOMESHELF_BASE_BYTES_H_
#define TOMESHELF_BASE_BYTES_H_

#include <cstddef>
#include <cstdint>

namespace tomeshelf {

inline constexpr uint32_t kBlockSize = 2048;

inline uint16_t ReadBe16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline uint32_t ReadBe32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

inline uint64_t ReadBe64(const uint8_t* p) {
  return (uint64_t{ReadBe32(p)} << 32) | ReadBe32(p + 4);
}

inline uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

inline void WriteLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline void WriteLe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// A position in a book file: block numbers start at 1, offsets lie within the block.
struct BlockAddress {
  uint32_t block = 0;
  uint32_t offset = 0;

  // (block - 1) * 2048 + offset, wrapping modulo 2^32 and seen as signed: every position the
  // library keeps or hands out has this form, so offsets at 2 GiB and beyond are negative.
  int32_t FileOffset() const {
    return static_cast<int32_t>((block - 1u) * kBlockSize + offset);
  }
};

// The 6-byte form of word index entries: block big-endian 32-bit, offset big-endian 16-bit.
inline constexpr size_t kIndexPositionSize = 6;
inline BlockAddress ReadIndexPosition(const uint8_t* p) {
  return BlockAddress{ReadBe32(p), ReadBe16(p + 4)};
}

}  // namespace tomeshelf

#endif  // TOMESHELF_BASE_BYTES_H_
