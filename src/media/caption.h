// Captions of picture and sound references: the bytes up to the reference's end code.
#ifndef TOMESHELF_MEDIA_CAPTION_H_
#define TOMESHELF_MEDIA_CAPTION_H_

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

namespace tomeshelf {

inline constexpr size_t kUnboundedCaption = std::numeric_limits<size_t>::max();

// Copies the caption that starts at reference[from] and ends before the first 0x1F endCode
// pair, at most maxBytes of it, and writes a zero byte after the copy. Returns the bytes
// copied, or nullopt (and writes nothing) when the end code does not come within the
// bounded scan of a reference.
std::optional<size_t> CopyCaption(const uint8_t* reference, size_t from, uint8_t endCode,
                                  size_t maxBytes, char* out);

}  // namespace tomeshelf

#endif  // TOMESHELF_MEDIA_CAPTION_H_
