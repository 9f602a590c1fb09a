// Headings of hits: the raw text at a hit's heading offset, cut before its line break.
#ifndef TOMESHELF_SEARCH_HEADING_H_
#define TOMESHELF_SEARCH_HEADING_H_

#include <cstddef>
#include <cstdint>

#include "base/status.h"

namespace tomeshelf {

class OpenBook;

inline constexpr size_t kHeadingSize = 500;

// Reads the heading of hit n into a 500-byte buffer, always zero-terminated within it.
// kRefused for a hit number outside the list (buffer untouched); kIoError when the seek,
// the check or the read failed.
Status ReadHeading(OpenBook& book, int32_t n, uint8_t* buffer);

// A word's headings lie far apart in the file, a block each: the blocks of the next
// kHeadingsAhead hits from first, where not cached, are read in one batch rather than one
// read per heading. Only right after a read that passed the file check (OpenBook::Prefetch).
inline constexpr int32_t kHeadingsAhead = 10;
void PrefetchHeadings(OpenBook& book, int32_t first);

}  // namespace tomeshelf

#endif  // TOMESHELF_SEARCH_HEADING_H_
