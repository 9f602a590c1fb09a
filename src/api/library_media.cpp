#include "api/library.h"
#include "media/picture.h"
#include "media/sound.h"

namespace tomeshelf {

int32_t Library::epwGetImageSize(const unsigned char* reference, char* caption) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(PrepareImage(*book_, reference, caption, pendingImage_));
}

int32_t Library::epwGetImage(const unsigned char* reference, void* buffer, ImageKind* kind) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(
      ReadImage(*book_, reference, static_cast<uint8_t*>(buffer), *kind, pendingImage_));
}

int32_t Library::epwGetSoundProp(const unsigned char* reference, SoundProp* prop) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(ReadSoundProp(reference, *prop));
}

int32_t Library::epwGetPcmSize(const unsigned char* reference) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(PrepareSound(reference, pendingSound_));
}

int32_t Library::epwGetPcmCont(int32_t, void* buffer) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(ReadSound(*book_, static_cast<uint8_t*>(buffer), pendingSound_));
}

}  // namespace tomeshelf
