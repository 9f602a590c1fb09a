#include "api/library.h"

namespace tomeshelf {

// Not yet built: each answers only the no-book case.
#define TOMESHELF_NOT_YET return ToResultCode(book_ ? Status::kIoError : Status::kNoState)

int32_t Library::epwGetWordContent(int32_t, unsigned char*, uint32_t, uint32_t*) { TOMESHELF_NOT_YET; }
int32_t Library::epwGetNextContentByWord(unsigned char*, uint32_t, uint32_t*) { TOMESHELF_NOT_YET; }
int32_t Library::epwGetLastContentByWord(unsigned char*, uint32_t, uint32_t*) { TOMESHELF_NOT_YET; }
int32_t Library::epwGetLinkContent(const unsigned char*, unsigned char*, uint32_t, uint32_t*) { TOMESHELF_NOT_YET; }
int32_t Library::GetWordCont(int32_t, unsigned char*, uint32_t, uint32_t*) { TOMESHELF_NOT_YET; }
int32_t Library::GetWordContNext(unsigned char*, uint32_t, uint32_t*) { TOMESHELF_NOT_YET; }
int32_t Library::GetWordContLast(unsigned char*, uint32_t, uint32_t*) { TOMESHELF_NOT_YET; }
int32_t Library::GetContLastNoSet(unsigned char* buffer, uint32_t size, uint32_t* count) {
  return GetWordContLast(buffer, size, count) >= 0 ? 1 : 0;
}
int32_t Library::GetLinkContent(const unsigned char*, unsigned char*, uint32_t, uint32_t*) { TOMESHELF_NOT_YET; }
int32_t Library::GetLinkContByPt(int32_t, unsigned char*, uint32_t, uint32_t*) { TOMESHELF_NOT_YET; }
int32_t Library::GetMenuHead() { TOMESHELF_NOT_YET; }

}  // namespace tomeshelf
