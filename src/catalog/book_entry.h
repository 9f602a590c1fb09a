// One book as CATALOGS names it, and the reading of the catalog file.
#ifndef TOMESHELF_CATALOG_BOOK_ENTRY_H_
#define TOMESHELF_CATALOG_BOOK_ENTRY_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tomeshelf {

inline constexpr size_t kCatalogHeaderSize = 16;
inline constexpr size_t kCatalogEntrySize = 164;
inline constexpr size_t kTitleSize = 80;
inline constexpr size_t kDirectoryNameSize = 8;
inline constexpr size_t kFontNamesSize = 64;
inline constexpr size_t kFontNameSize = 8;
inline constexpr size_t kFontCount = 8;

// Where the used fields of an entry start.
inline constexpr size_t kEntryTitleAt = 2;
inline constexpr size_t kEntryDirectoryAt = 82;
inline constexpr size_t kEntryFontNamesAt = 100;

inline constexpr char kCatalogFileName[] = "catalogs";
inline constexpr char kGaijiDirectory[] = "\\gaiji";

// One whole entry as it stands in the file.
using CatalogEntryBytes = std::span<const uint8_t, kCatalogEntrySize>;

// Longest root path OpenEpwing takes (the gaiji path of an 8-character directory must fit
// 256 bytes), and the longest path the probe takes (its file name buffer holds 268 bytes).
inline constexpr size_t kMaxRootPath = 240;
inline constexpr size_t kMaxProbePath = 258;
inline constexpr size_t kMinPath = 2;

struct BookEntry {
  uint8_t bookType = 0;
  std::array<char, kTitleSize + 1> title{};          // 80 bytes and a zero byte
  std::string bookPath;                              // root\DIR, no trailing backslash
  std::string gaijiPath;                             // bookPath\gaiji
  std::array<char, kFontNamesSize + 1> fontNames{};  // eight 8-byte slots and a zero byte
  int32_t selected = 0;
  bool usable = true;  // false: the directory name would leave the disc or is empty
};

bool IsAcceptedBookType(uint8_t type);

// Removes every space, keeping the order of the other characters.
void StripSpaces(std::string& text);

// The catalog file name for a root path: "catalogs" after a trailing backslash, else
// "\catalogs". Only the backslash counts as a separator.
std::string CatalogFileName(const std::string& root);

// Builds a record from one entry; basePath ends in a backslash.
BookEntry MakeBookEntry(const std::string& basePath, CatalogEntryBytes entry);

}  // namespace tomeshelf

#endif  // TOMESHELF_CATALOG_BOOK_ENTRY_H_
