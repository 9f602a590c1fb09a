#include "api/library.h"
#include "search/heading.h"

namespace tomeshelf {

int32_t Library::epwGetWordProperties(unsigned char* /*word*/, WordProperties* /*props*/) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(Status::kNotFound);
}

int32_t Library::epwGetWordItem(int32_t hit, WordItemRecord* record) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(ReadHeading(*book_, hit, record->itemBuffer));
}

}  // namespace tomeshelf
