#include "api/library.h"

namespace tomeshelf {

// Not yet built: each answers only the no-book and nothing-pending cases.
int32_t Library::epwGetImageSize(const unsigned char*, char*) {
  return ToResultCode(book_ ? Status::kRefused : Status::kNoState);
}
int32_t Library::epwGetImage(const unsigned char*, void*, ImageKind*) {
  return ToResultCode(book_ ? Status::kRefused : Status::kNoState);
}
int32_t Library::epwGetSoundProp(const unsigned char*, SoundProp*) {
  return ToResultCode(book_ ? Status::kRefused : Status::kNoState);
}
int32_t Library::epwGetPcmSize(const unsigned char*) {
  return ToResultCode(book_ ? Status::kRefused : Status::kNoState);
}
int32_t Library::epwGetPcmCont(int32_t, void*) {
  return ToResultCode(book_ ? Status::kRefused : Status::kNoState);
}

}  // namespace tomeshelf
