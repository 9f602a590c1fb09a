// The exported C functions: each forwards to the process-wide Library.
#include "api/library.h"
#include "tomeshelf/tomeshelf.h"

using tomeshelf::ProcessLibrary;

extern "C" {

int32_t TOMESHELF_CALL OpenEpwing(const char* rootPath) {
  return ProcessLibrary().OpenEpwing(rootPath);
}
void TOMESHELF_CALL CloseEpwing(void) { ProcessLibrary().CloseEpwing(); }
int32_t TOMESHELF_CALL epwGetBooks(void) { return ProcessLibrary().epwGetBooks(); }
int32_t TOMESHELF_CALL epwGetBookInfo(int32_t unused, BookInfo* info) {
  return ProcessLibrary().epwGetBookInfo(unused, info);
}
int32_t TOMESHELF_CALL epwSelectBook(int32_t index) {
  return ProcessLibrary().epwSelectBook(index);
}
int32_t TOMESHELF_CALL epwBooksOpen(void) { return ProcessLibrary().epwBooksOpen(); }
void TOMESHELF_CALL epwBooksClose(void) { ProcessLibrary().epwBooksClose(); }
int32_t TOMESHELF_CALL epwGetWordProperties(unsigned char* word, WordProperties* props) {
  return ProcessLibrary().epwGetWordProperties(word, props);
}
int32_t TOMESHELF_CALL epwGetWordItem(int32_t hit, WordItemRecord* record) {
  return ProcessLibrary().epwGetWordItem(hit, record);
}
int32_t TOMESHELF_CALL epwGetWordContent(int32_t hit, unsigned char* buffer, uint32_t size,
                                         uint32_t* count) {
  return ProcessLibrary().epwGetWordContent(hit, buffer, size, count);
}
int32_t TOMESHELF_CALL epwGetImageSize(const unsigned char* reference, char* caption) {
  return ProcessLibrary().epwGetImageSize(reference, caption);
}
int32_t TOMESHELF_CALL epwGetImage(const unsigned char* reference, void* buffer, ImageKind* kind) {
  return ProcessLibrary().epwGetImage(reference, buffer, kind);
}
int32_t TOMESHELF_CALL epwGetSoundProp(const unsigned char* reference, SoundProp* prop) {
  return ProcessLibrary().epwGetSoundProp(reference, prop);
}
int32_t TOMESHELF_CALL epwGetPcmSize(const unsigned char* reference) {
  return ProcessLibrary().epwGetPcmSize(reference);
}
int32_t TOMESHELF_CALL epwGetPcmCont(int32_t unused, void* buffer) {
  return ProcessLibrary().epwGetPcmCont(unused, buffer);
}
int32_t TOMESHELF_CALL epwGetNextContentByWord(unsigned char* buffer, uint32_t size,
                                               uint32_t* count) {
  return ProcessLibrary().epwGetNextContentByWord(buffer, size, count);
}
int32_t TOMESHELF_CALL epwGetLastContentByWord(unsigned char* buffer, uint32_t size,
                                               uint32_t* count) {
  return ProcessLibrary().epwGetLastContentByWord(buffer, size, count);
}
int32_t TOMESHELF_CALL epwShowExCode(uint32_t code, int32_t size, int32_t widthKind, int32_t left,
                                     int32_t top, int32_t right, int32_t bottom, uint32_t ink,
                                     uint32_t paper, void* deviceContext) {
  return ProcessLibrary().epwShowExCode(code, size, widthKind, left, top, right, bottom, ink,
                                        paper, deviceContext);
}
int32_t TOMESHELF_CALL epwExCode2Bmp(uint32_t code, int32_t size, int32_t widthKind,
                                     int32_t unused1, int32_t unused2, uint32_t ink,
                                     uint32_t paper, void* bitmapObject) {
  return ProcessLibrary().epwExCode2Bmp(code, size, widthKind, unused1, unused2, ink, paper,
                                        bitmapObject);
}
int32_t TOMESHELF_CALL epwShowExCodePixel(uint32_t code, int32_t size, int32_t widthKind,
                                          int32_t left, int32_t top, int32_t right,
                                          int32_t bottom, uint32_t ink, void* deviceContext) {
  return ProcessLibrary().epwShowExCodePixel(code, size, widthKind, left, top, right, bottom, ink,
                                             deviceContext);
}
int32_t TOMESHELF_CALL epwGetLinkContent(const unsigned char* reference, unsigned char* buffer,
                                         uint32_t size, uint32_t* count) {
  return ProcessLibrary().epwGetLinkContent(reference, buffer, size, count);
}
int32_t TOMESHELF_CALL GetWordCont(int32_t hit, unsigned char* buffer, uint32_t size,
                                   uint32_t* count) {
  return ProcessLibrary().GetWordCont(hit, buffer, size, count);
}
int32_t TOMESHELF_CALL GetWordContLast(unsigned char* buffer, uint32_t size, uint32_t* count) {
  return ProcessLibrary().GetWordContLast(buffer, size, count);
}
int32_t TOMESHELF_CALL GetWordContNext(unsigned char* buffer, uint32_t size, uint32_t* count) {
  return ProcessLibrary().GetWordContNext(buffer, size, count);
}
int32_t TOMESHELF_CALL GetLinkContent(const unsigned char* reference, unsigned char* buffer,
                                      uint32_t size, uint32_t* count) {
  return ProcessLibrary().GetLinkContent(reference, buffer, size, count);
}
int32_t TOMESHELF_CALL GetLinkContByPt(int32_t offset, unsigned char* buffer, uint32_t size,
                                       uint32_t* count) {
  return ProcessLibrary().GetLinkContByPt(offset, buffer, size, count);
}
int32_t TOMESHELF_CALL IsEpwBook(const char* path, char* title) {
  return ProcessLibrary().IsEpwBook(path, title);
}
int32_t TOMESHELF_CALL GetMenuHead(void) { return ProcessLibrary().GetMenuHead(); }
int32_t TOMESHELF_CALL GetContLastNoSet(unsigned char* buffer, uint32_t size, uint32_t* count) {
  return ProcessLibrary().GetContLastNoSet(buffer, size, count);
}

#if !defined(_WIN32)
int32_t TomeshelfBookCount(void) { return ProcessLibrary().BookCount(); }
int32_t TomeshelfGetBook(int32_t index, uint8_t* bookType, char* title) {
  return ProcessLibrary().GetBook(index, bookType, title);
}
int32_t TomeshelfOpenBook(int32_t index) { return ProcessLibrary().OpenBookAt(index); }
int32_t TomeshelfGetAreaCodes(uint8_t* codes, int32_t capacity) {
  return ProcessLibrary().GetAreaCodes(codes, capacity);
}
#endif

}  // extern "C"
