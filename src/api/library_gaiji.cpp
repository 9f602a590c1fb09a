#include "api/library.h"

namespace tomeshelf {

// Not yet built: each answers only the no-book and no-fonts cases.
int32_t Library::epwShowExCode(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                               uint32_t, uint32_t, void*) {
  return ToResultCode(Status::kNoState);
}
int32_t Library::epwExCode2Bmp(uint32_t, int32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t,
                               void*) {
  return ToResultCode(Status::kNoState);
}
int32_t Library::epwShowExCodePixel(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                    int32_t, uint32_t, void*) {
  return ToResultCode(Status::kNoState);
}

}  // namespace tomeshelf
