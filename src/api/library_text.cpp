#include "api/library.h"
#include "text/article_reader.h"
#include "text/page_reader.h"

namespace tomeshelf {

int32_t Library::epwGetWordContent(int32_t hit, unsigned char* buffer, uint32_t size,
                                   uint32_t* count) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(
      ArticleReader(*book_, reading_).GetWordContent(hit, {buffer, size}, *count));
}

int32_t Library::epwGetNextContentByWord(unsigned char* buffer, uint32_t size, uint32_t* count) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(ArticleReader(*book_, reading_).GetNextContent({buffer, size}, *count));
}

int32_t Library::epwGetLastContentByWord(unsigned char* buffer, uint32_t size, uint32_t* count) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(ArticleReader(*book_, reading_).GetLastContent({buffer, size}, *count));
}

int32_t Library::epwGetLinkContent(const unsigned char* reference, unsigned char* buffer,
                                   uint32_t size, uint32_t* count) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(
      ArticleReader(*book_, reading_).GetLinkContent(reference, {buffer, size}, *count));
}

int32_t Library::GetWordCont(int32_t hit, unsigned char* buffer, uint32_t size, uint32_t* count) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(PageReader(*book_, reading_).GetWordCont(hit, {buffer, size}, *count));
}

int32_t Library::GetWordContNext(unsigned char* buffer, uint32_t size, uint32_t* count) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(PageReader(*book_, reading_).GetWordContNext({buffer, size}, *count));
}

int32_t Library::GetWordContLast(unsigned char* buffer, uint32_t size, uint32_t* count) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(PageReader(*book_, reading_).GetWordContLast({buffer, size}, *count));
}

int32_t Library::GetContLastNoSet(unsigned char* buffer, uint32_t size, uint32_t* count) {
  const int32_t chunkStart = reading_.chunkStart;
  const int32_t nextPos = reading_.nextPos;
  const int32_t result = GetWordContLast(buffer, size, count);
  reading_.chunkStart = chunkStart;
  reading_.nextPos = nextPos;
  return result >= 0 ? 1 : 0;
}

int32_t Library::GetLinkContent(const unsigned char* reference, unsigned char* buffer,
                                uint32_t size, uint32_t* count) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(
      PageReader(*book_, reading_).GetLinkContent(reference, {buffer, size}, *count));
}

int32_t Library::GetLinkContByPt(int32_t offset, unsigned char* buffer, uint32_t size,
                                 uint32_t* count) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(PageReader(*book_, reading_).GetLinkContByPt(offset, {buffer, size}, *count));
}

int32_t Library::GetMenuHead() {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(GetMenuOffset(*book_));
}

}  // namespace tomeshelf
