// Pictures named by references in article text, read in two calls: the size call parses
// the reference and remembers where the data lies, the data call reads it from there.
#ifndef TOMESHELF_MEDIA_PICTURE_H_
#define TOMESHELF_MEDIA_PICTURE_H_

#include <cstddef>
#include <cstdint>

#include "base/status.h"
#include "media/pending.h"

namespace tomeshelf {

class OpenBook;

inline constexpr uint8_t kMonoPicture = 0x44;
inline constexpr uint8_t kMonoPictureEnd = 0x64;
inline constexpr uint8_t kColourPicture = 0x4D;
inline constexpr uint8_t kColourPictureEnd = 0x6D;
// Bytes before a monochrome picture's bits in the caller's buffer: its two dimensions.
inline constexpr size_t kMonoHeaderSize = 8;

// The size call. Copies the caption (zero-terminated) and returns the buffer size the data
// call needs: the bit image and 8 bytes for a monochrome picture, the image file's length
// for a colour one. kRefused for a reference that is not a picture or lacks its end code
// (nothing changes), and for monochrome dimensions whose product does not fit 32 bits
// (nothing is left pending). kIoError when a colour picture's length cannot be read; the
// earlier pending picture then stays.
Sized PrepareImage(OpenBook& book, const uint8_t* reference, char* caption,
                   PendingRead& pending);

// The data call: reads the prepared picture into buffer (a monochrome one behind its two
// dimensions, taken from this reference) and stores its kind. Returns the image bytes read.
// kRefused when nothing is pending or the reference is not a picture of the pending kind
// (the pending picture stays); kIoError when the read fails, and the picture stays
// pending. A read that reached the file clears it.
Sized ReadImage(OpenBook& book, const uint8_t* reference, uint8_t* buffer, int32_t& kind,
                PendingRead& pending);

}  // namespace tomeshelf

#endif  // TOMESHELF_MEDIA_PICTURE_H_
