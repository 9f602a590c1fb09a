// Discs for the in-memory platform: the same books WriteDisc puts on a file system, under
// the exact backslash paths the library forms for them.
#ifndef TOMESHELF_TESTS_SUPPORT_MEMORY_DISC_H_
#define TOMESHELF_TESTS_SUPPORT_MEMORY_DISC_H_

#include <cstdint>
#include <string>
#include <vector>

#include "support/writer.h"
#include "support/memory_platform.h"

namespace tomeshelf::testing {

// root\catalogs, root\DIR\data\honmon (when the book has one) and root\DIR\gaiji\NAME for
// each font, NAME being the catalog's 8-byte field with its padding spaces.
void PutMemoryDisc(MemoryPlatform& platform, const std::string& root,
                   const std::vector<BookFiles>& books);

// The text file path of a book directory on such a disc.
std::string MemoryTextPath(const std::string& root, const std::string& directory);

// A font file of its header block alone, naming the code of its first glyph.
Bytes FontHeaderOnly(uint16_t startCode);

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_SUPPORT_MEMORY_DISC_H_
