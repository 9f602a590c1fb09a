#include "catalog/book_entry.h"

#include <algorithm>
#include <cstring>

namespace tomeshelf {

namespace {
constexpr size_t kTitleAt = 2;
constexpr size_t kDirectoryAt = 82;
constexpr size_t kFontNamesAt = 100;
}  // namespace

bool IsAcceptedBookType(uint8_t type) {
  switch (type) {
    case 0x00: case 0x10: case 0x20: case 0x30: case 0x40: case 0x50: case 0x70:
      return true;
    default:
      return false;
  }
}

void StripSpaces(std::string& text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
}

std::string CatalogFileName(const std::string& root) {
  if (!root.empty() && root.back() == '\\') return root + "catalogs";
  return root + "\\catalogs";
}

BookEntry MakeBookEntry(const std::string& basePath, const uint8_t* entry) {
  BookEntry book;
  book.bookType = entry[0];
  book.selected = IsAcceptedBookType(book.bookType) ? 1 : 0;
  std::memcpy(book.title.data(), entry + kTitleAt, kTitleSize);
  book.title[kTitleSize] = '\0';

  const auto* dir = reinterpret_cast<const char*>(entry + kDirectoryAt);
  std::string directory(dir, strnlen(dir, kDirectoryNameSize));
  StripSpaces(directory);
  book.bookPath = basePath + directory;
  book.gaijiPath = book.bookPath + "\\gaiji";

  std::memcpy(book.fontNames.data(), entry + kFontNamesAt, kFontNamesSize);
  book.fontNames[kFontNamesSize] = '\0';
  return book;
}

}  // namespace tomeshelf
