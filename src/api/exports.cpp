// The exported C functions: each refuses the null pointers it cannot work with, then
// forwards to the process-wide Library under its lock.
#include "api/guarded_call.h"
#include "api/library.h"
#include "tomeshelf/tomeshelf.h"

namespace {

using tomeshelf::AnyNull;
using tomeshelf::Library;

const int32_t kRefused = tomeshelf::ToResultCode(tomeshelf::Status::kRefused);
constexpr int32_t kNoResult = 0;  // what the void exports' calls give back
constexpr int32_t kFalse = 0;

template <typename Call>
int32_t Export(Call&& call,
               int32_t onThrow = tomeshelf::ToResultCode(tomeshelf::Status::kIoError)) {
  return tomeshelf::GuardedCall(tomeshelf::ProcessLibrary(), call, onThrow);
}

}  // namespace

extern "C" {

int32_t TOMESHELF_CALL OpenEpwing(const char* rootPath) {
  if (AnyNull(rootPath)) return kRefused;
  return Export([&](Library& lib) { return lib.OpenEpwing(rootPath); });
}
void TOMESHELF_CALL CloseEpwing(void) {
  Export([](Library& lib) {
    lib.CloseEpwing();
    return kNoResult;
  });
}
int32_t TOMESHELF_CALL epwGetBooks(void) {
  return Export([](Library& lib) { return lib.epwGetBooks(); });
}
int32_t TOMESHELF_CALL epwGetBookInfo(int32_t unused, BookInfo* info) {
  if (AnyNull(info) || AnyNull(info->title)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetBookInfo(unused, info); });
}
int32_t TOMESHELF_CALL epwSelectBook(int32_t index) {
  return Export([&](Library& lib) { return lib.epwSelectBook(index); });
}
int32_t TOMESHELF_CALL epwBooksOpen(void) {
  return Export([](Library& lib) { return lib.epwBooksOpen(); });
}
void TOMESHELF_CALL epwBooksClose(void) {
  Export([](Library& lib) {
    lib.epwBooksClose();
    return kNoResult;
  });
}
int32_t TOMESHELF_CALL epwGetWordProperties(unsigned char* word, WordProperties* props) {
  if (AnyNull(word, props)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetWordProperties(word, props); });
}
int32_t TOMESHELF_CALL epwGetWordItem(int32_t hit, WordItemRecord* record) {
  if (AnyNull(record) || AnyNull(record->itemBuffer)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetWordItem(hit, record); });
}
int32_t TOMESHELF_CALL epwGetWordContent(int32_t hit, unsigned char* buffer, uint32_t size,
                                         uint32_t* count) {
  if (AnyNull(buffer, count)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetWordContent(hit, buffer, size, count); });
}
int32_t TOMESHELF_CALL epwGetImageSize(const unsigned char* reference, char* caption) {
  if (AnyNull(reference, caption)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetImageSize(reference, caption); });
}
int32_t TOMESHELF_CALL epwGetImage(const unsigned char* reference, void* buffer, ImageKind* kind) {
  if (AnyNull(reference, buffer, kind)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetImage(reference, buffer, kind); });
}
int32_t TOMESHELF_CALL epwGetSoundProp(const unsigned char* reference, SoundProp* prop) {
  if (AnyNull(reference, prop)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetSoundProp(reference, prop); });
}
int32_t TOMESHELF_CALL epwGetPcmSize(const unsigned char* reference) {
  if (AnyNull(reference)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetPcmSize(reference); });
}
int32_t TOMESHELF_CALL epwGetPcmCont(int32_t unused, void* buffer) {
  if (AnyNull(buffer)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetPcmCont(unused, buffer); });
}
int32_t TOMESHELF_CALL epwGetNextContentByWord(unsigned char* buffer, uint32_t size,
                                               uint32_t* count) {
  if (AnyNull(buffer, count)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetNextContentByWord(buffer, size, count); });
}
int32_t TOMESHELF_CALL epwGetLastContentByWord(unsigned char* buffer, uint32_t size,
                                               uint32_t* count) {
  if (AnyNull(buffer, count)) return kRefused;
  return Export([&](Library& lib) { return lib.epwGetLastContentByWord(buffer, size, count); });
}
int32_t TOMESHELF_CALL epwShowExCode(uint32_t code, int32_t size, int32_t widthKind, int32_t left,
                                     int32_t top, int32_t right, int32_t bottom, uint32_t ink,
                                     uint32_t paper, void* deviceContext) {
  if (AnyNull(deviceContext)) return kRefused;
  return Export([&](Library& lib) {
    return lib.epwShowExCode(code, size, widthKind, left, top, right, bottom, ink, paper,
                             deviceContext);
  });
}
int32_t TOMESHELF_CALL epwExCode2Bmp(uint32_t code, int32_t size, int32_t widthKind,
                                     int32_t unused1, int32_t unused2, uint32_t ink, uint32_t paper,
                                     void* bitmapObject) {
  if (AnyNull(bitmapObject)) return kRefused;
  return Export([&](Library& lib) {
    return lib.epwExCode2Bmp(code, size, widthKind, unused1, unused2, ink, paper, bitmapObject);
  });
}
int32_t TOMESHELF_CALL epwShowExCodePixel(uint32_t code, int32_t size, int32_t widthKind,
                                          int32_t left, int32_t top, int32_t right, int32_t bottom,
                                          uint32_t ink, void* deviceContext) {
  if (AnyNull(deviceContext)) return kRefused;
  return Export([&](Library& lib) {
    return lib.epwShowExCodePixel(code, size, widthKind, left, top, right, bottom, ink,
                                  deviceContext);
  });
}
int32_t TOMESHELF_CALL epwGetLinkContent(const unsigned char* reference, unsigned char* buffer,
                                         uint32_t size, uint32_t* count) {
  if (AnyNull(reference, buffer, count)) return kRefused;
  return Export(
      [&](Library& lib) { return lib.epwGetLinkContent(reference, buffer, size, count); });
}
int32_t TOMESHELF_CALL GetWordCont(int32_t hit, unsigned char* buffer, uint32_t size,
                                   uint32_t* count) {
  if (AnyNull(buffer, count)) return kRefused;
  return Export([&](Library& lib) { return lib.GetWordCont(hit, buffer, size, count); });
}
int32_t TOMESHELF_CALL GetWordContLast(unsigned char* buffer, uint32_t size, uint32_t* count) {
  if (AnyNull(buffer, count)) return kRefused;
  return Export([&](Library& lib) { return lib.GetWordContLast(buffer, size, count); });
}
int32_t TOMESHELF_CALL GetWordContNext(unsigned char* buffer, uint32_t size, uint32_t* count) {
  if (AnyNull(buffer, count)) return kRefused;
  return Export([&](Library& lib) { return lib.GetWordContNext(buffer, size, count); });
}
int32_t TOMESHELF_CALL GetLinkContent(const unsigned char* reference, unsigned char* buffer,
                                      uint32_t size, uint32_t* count) {
  if (AnyNull(reference, buffer, count)) return kRefused;
  return Export([&](Library& lib) { return lib.GetLinkContent(reference, buffer, size, count); });
}
int32_t TOMESHELF_CALL GetLinkContByPt(int32_t offset, unsigned char* buffer, uint32_t size,
                                       uint32_t* count) {
  if (AnyNull(buffer, count)) return kRefused;
  return Export([&](Library& lib) { return lib.GetLinkContByPt(offset, buffer, size, count); });
}
int32_t TOMESHELF_CALL IsEpwBook(const char* path, char* title) {
  if (AnyNull(path, title)) return kRefused;
  return Export([&](Library& lib) { return lib.IsEpwBook(path, title); });
}
int32_t TOMESHELF_CALL GetMenuHead(void) {
  return Export([](Library& lib) { return lib.GetMenuHead(); });
}
int32_t TOMESHELF_CALL GetContLastNoSet(unsigned char* buffer, uint32_t size, uint32_t* count) {
  if (AnyNull(buffer, count)) return kRefused;
  // A throw inside reads as "could not be read": this export answers 1 or 0.
  return Export([&](Library& lib) { return lib.GetContLastNoSet(buffer, size, count); }, kFalse);
}

#if !defined(_WIN32)
int32_t TomeshelfBookCount(void) {
  return Export([](Library& lib) { return lib.BookCount(); });
}
int32_t TomeshelfGetBook(int32_t index, uint8_t* bookType, char* title) {
  if (AnyNull(bookType, title)) return kRefused;
  return Export([&](Library& lib) { return lib.GetBook(index, bookType, title); });
}
int32_t TomeshelfOpenBook(int32_t index) {
  return Export([&](Library& lib) { return lib.OpenBookAt(index); });
}
int32_t TomeshelfGetAreaCodes(uint8_t* codes, int32_t capacity) {
  if (capacity > 0 && AnyNull(codes)) return kRefused;
  return Export([&](Library& lib) { return lib.GetAreaCodes(codes, capacity); });
}
#endif

}  // extern "C"
