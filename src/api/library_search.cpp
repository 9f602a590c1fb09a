#include "api/library.h"
#include "search/heading.h"
#include "search/word_search.h"

namespace tomeshelf {

int32_t Library::epwGetWordProperties(unsigned char* word, WordProperties* props) {
  if (!book_) return ToResultCode(Status::kNoState);
  // The hit list is rebuilt: no article of the old list is being read any more.
  reading_.currentHit = -1;
  const Status s = SearchWord(*book_, word);
  if (s == Status::kOk) {
    props->hitCount = book_->Hits().Count();
    props->itemSize = static_cast<int32_t>(kHeadingSize);
  }
  return ToResultCode(s);
}

int32_t Library::epwGetWordItem(int32_t hit, WordItemRecord* record) {
  if (!book_) return ToResultCode(Status::kNoState);
  return ToResultCode(ReadHeading(*book_, hit, record->itemBuffer));
}

}  // namespace tomeshelf
