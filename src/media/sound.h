// Sound named by references in article text: its properties, then its bytes in two calls.
#ifndef TOMESHELF_MEDIA_SOUND_H_
#define TOMESHELF_MEDIA_SOUND_H_

#include <cstddef>
#include <cstdint>

#include "base/status.h"
#include "media/pending.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {

class OpenBook;

inline constexpr uint8_t kSoundData = 0x4A;
inline constexpr uint8_t kSoundDataEnd = 0x6A;
inline constexpr uint8_t kSoundValues = 0x48;
inline constexpr uint8_t kSoundValuesEnd = 0x68;
inline constexpr uint8_t kSoundInTextFile = 1;
inline constexpr size_t kMaxSoundCaption = 200;

// Fills the record from a 0x4A or 0x48 reference (bytes of the other record kind are left
// alone). Touches neither the file nor the pending sound. kRefused for another reference,
// or one whose end code does not come within the bounded scan.
Status ReadSoundProp(const uint8_t* reference, SoundProp& prop);

// The size call: a sound data reference of sound kind 1 makes its bytes pending and gives
// their count. kRefused for any other reference (nothing changes) and for one whose end
// lies before its start or too far after it for the count to be told from an error code
// (nothing is left pending). kIoError when the start lies out of reach of a read; the
// sound is pending all the same, as a failed seek leaves it.
Sized PrepareSound(const uint8_t* reference, PendingRead& pending);

// The data call: reads the pending sound into buffer in one read and returns the bytes
// read. kRefused when nothing is pending; kIoError when the read fails, and the sound
// stays pending. A read that reached the file clears it.
Sized ReadSound(OpenBook& book, uint8_t* buffer, PendingRead& pending);

}  // namespace tomeshelf

#endif  // TOMESHELF_MEDIA_SOUND_H_
