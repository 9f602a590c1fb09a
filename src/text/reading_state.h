// Where the article and page readers stand between calls.
#ifndef TOMESHELF_TEXT_READING_STATE_H_
#define TOMESHELF_TEXT_READING_STATE_H_

#include <cstddef>
#include <cstdint>

namespace tomeshelf {

struct ReadingState {
  int32_t currentHit = -1;        // hit whose article epwGetWordContent is delivering
  int32_t articleDone = 0;        // 1 once that article was delivered to its end
  int32_t continuedHit = 0;       // hit whose unfinished article goes on
  int32_t continuing = 0;         // 1 while a next/last/link article is in progress
  uint32_t articleBytesRead = 0;  // bytes of the current article (or page) read so far
  int32_t chunkStart = 0;         // file offset of the article or page read last
  int32_t nextPos = 0;            // file offset just after the text delivered last

  // Where the next piece of each unfinished article is read. Any other read (a search, a
  // heading, a page, a picture) may come between two pieces, so neither may rely on where
  // the previous piece stopped.
  int32_t hitResume = 0;      // epwGetWordContent
  int32_t articleResume = 0;  // the next, last and link readers together
};

// A file offset n bytes further on, wrapping as all 32-bit file offsets do.
inline int32_t OffsetAfter(int32_t offset, size_t n) {
  return static_cast<int32_t>(static_cast<uint32_t>(offset) + static_cast<uint32_t>(n));
}

}  // namespace tomeshelf

#endif  // TOMESHELF_TEXT_READING_STATE_H_
