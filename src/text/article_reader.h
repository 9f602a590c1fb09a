// The article readers: each delivers one article, one piece (one caller's buffer) per
// call, and stops at the article's end. Results: kOk when this piece holds the end (count
// = the bytes that belong to the article), kMore when the article goes on (count = all
// bytes read), kIoError when the check or a read failed.
#ifndef TOMESHELF_TEXT_ARTICLE_READER_H_
#define TOMESHELF_TEXT_ARTICLE_READER_H_

#include <cstdint>
#include <span>

#include "base/status.h"
#include "book/open_book.h"
#include "text/reading_state.h"

namespace tomeshelf {

// Lives for one call; the state it moves belongs to the Library.
class ArticleReader {
 public:
  ArticleReader(OpenBook& book, ReadingState& state) : book_(book), state_(state) {}

  // The article of hit `hit`: the next piece when that hit's article is in progress, else
  // its first piece. count is 0 on any failure; a hit outside the list gives kNoState.
  Status GetWordContent(int32_t hit, std::span<uint8_t> buffer, uint32_t& count);
  // The article at nextPos, or the next piece of the next/last/link article in progress.
  Status GetNextContent(std::span<uint8_t> buffer, uint32_t& count);
  // The article before chunkStart, or the next piece of the article in progress. When no
  // previous article can be found, chunkStart and nextPos become -1 and later next and last
  // reads fail until a page or article is read from a hit, a link or a position.
  Status GetLastContent(std::span<uint8_t> buffer, uint32_t& count);
  // The article a link reference points to, or the next piece of the article in progress
  // (the reference is then not looked at). kRefused for anything but a link reference with
  // its end pair. count is untouched on failure.
  Status GetLinkContent(const uint8_t* reference, std::span<uint8_t> buffer, uint32_t& count);

  // The file offset of the last article start marker in the 200 windows of 2048 bytes
  // before p (counted back from p, a marker across two windows included), p itself when
  // there is none, or -1 when a window would start before the file or cannot be read.
  int32_t FindPreviousArticle(int32_t p);

 private:
  Status ReadHitArticle(int32_t hit, std::span<uint8_t> buffer, uint32_t& count);
  Status ContinueHitArticle(std::span<uint8_t> buffer, uint32_t& count);
  Status ReadArticlePiece(int32_t offset, ReadOrder order, std::span<uint8_t> buffer,
                          uint32_t& count);

  OpenBook& book_;
  ReadingState& state_;
};

}  // namespace tomeshelf

#endif  // TOMESHELF_TEXT_ARTICLE_READER_H_
