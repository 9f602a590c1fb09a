// The data call of a picture or a sound reads what the size call prepared.
#ifndef TOMESHELF_MEDIA_PENDING_H_
#define TOMESHELF_MEDIA_PENDING_H_

#include <cstdint>

namespace tomeshelf {

struct PendingRead {
  uint32_t bytes = 0;   // 0: nothing prepared
  int32_t offset = 0;   // file offset the data call reads from
  uint8_t kind = 0;     // the reference kind that prepared it (pictures)
};

}  // namespace tomeshelf

#endif  // TOMESHELF_MEDIA_PENDING_H_
