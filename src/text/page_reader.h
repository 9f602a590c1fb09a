// The page readers: one raw page of the caller's size, with no regard to article
// boundaries. Each returns the page's file offset (count = bytes read), kIoError when the
// check, the seek or the read failed (count untouched), or kRefused for a hit, reference
// or position it does not take.
#ifndef TOMESHELF_TEXT_PAGE_READER_H_
#define TOMESHELF_TEXT_PAGE_READER_H_

#include <cstdint>
#include <span>

#include "base/status.h"
#include "book/open_book.h"
#include "text/reading_state.h"

namespace tomeshelf {

// Lives for one call; the state it moves belongs to the Library.
class PageReader {
 public:
  PageReader(OpenBook& book, ReadingState& state) : book_(book), state_(state) {}

  // The page at the hit's article.
  Sized GetWordCont(int32_t hit, std::span<uint8_t> buffer, uint32_t& count);
  // The page at nextPos.
  Sized GetWordContNext(std::span<uint8_t> buffer, uint32_t& count);
  // The page that ends at chunkStart, shorter when it would start before the file; at
  // offset 0 an empty page at 0. A negative chunkStart (left by a failed backward search)
  // gives kIoError and reads nothing.
  Sized GetWordContLast(std::span<uint8_t> buffer, uint32_t& count);
  // The page at a link or menu reference's target. A reference that does not start with
  // 0x1F or is of another kind shows "SuperLink Error1" or "SuperLink Error2"; one without
  // its end pair is refused quietly.
  Sized GetLinkContent(const uint8_t* reference, std::span<uint8_t> buffer, uint32_t& count);
  // The page at a file offset handed out earlier.
  Sized GetLinkContByPt(int32_t offset, std::span<uint8_t> buffer, uint32_t& count);

 private:
  // Reads the page at chunkStart and sets nextPos after it; the readers of article pages
  // also count it in articleBytesRead.
  Sized ReadPage(ReadOrder order, bool countInArticle, std::span<uint8_t> buffer,
                 uint32_t& count);

  OpenBook& book_;
  ReadingState& state_;
};

// The file offset of the first block of the book's menu area (the first index table entry
// with the menu code); kNotFound when the book has none, or names a block before the file.
Sized GetMenuOffset(const OpenBook& book);

}  // namespace tomeshelf

#endif  // TOMESHELF_TEXT_PAGE_READER_H_
