// The word search: prepares the caller's word for the chosen word index, descends the
// index's page tree and collects the matching entries into the open book's hit list.
#ifndef TOMESHELF_SEARCH_WORD_SEARCH_H_
#define TOMESHELF_SEARCH_WORD_SEARCH_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/status.h"
#include "book/open_book.h"
#include "search/search_key.h"

namespace tomeshelf {

// Looks the zero-terminated word up in the open book. Empties the hit list first, then
// fills it. The word is rewritten in place as far as it was prepared (never longer).
// kOk: at least one hit. kNotFound: no such index, an empty word, or nothing matched.
// kIoError: the file check, a seek or a read failed, or an index page was short (hits
// taken before a failed leaf read stay in the list). kDamaged: the index runs in a circle.
Status SearchWord(OpenBook& book, uint8_t* word);

// The index code that a prepared word looks for: alphabet, written form or kana, forward
// or backward by the mode.
uint8_t WantedIndexCode(std::span<const uint8_t> key, KeyMode mode);
// The entry of that code, else the written-form index of the same direction, else null.
const IndexEntry* ChooseIndex(std::span<const uint8_t> key, KeyMode mode,
                              const std::vector<IndexEntry>& table);

}  // namespace tomeshelf

#endif  // TOMESHELF_SEARCH_WORD_SEARCH_H_
