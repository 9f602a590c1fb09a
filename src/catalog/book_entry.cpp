#include "catalog/book_entry.h"

#include <algorithm>
#include <cstring>

#include "base/disc_name.h"

namespace tomeshelf {

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
  if (!root.empty() && root.back() == '\\') return root + kCatalogFileName;
  return root + "\\" + kCatalogFileName;
}

BookEntry MakeBookEntry(const std::string& basePath, CatalogEntryBytes entry) {
  BookEntry book;
  book.bookType = entry[0];
  book.selected = IsAcceptedBookType(book.bookType) ? 1 : 0;
  std::memcpy(book.title.data(), entry.data() + kEntryTitleAt, kTitleSize);
  book.title[kTitleSize] = '\0';

  const auto* dir = reinterpret_cast<const char*>(entry.data() + kEntryDirectoryAt);
  std::string directory(dir, strnlen(dir, kDirectoryNameSize));
  StripSpaces(directory);
  book.usable = IsPlainName(directory);
  book.bookPath = basePath + directory;
  book.gaijiPath = book.bookPath + kGaijiDirectory;

  std::memcpy(book.fontNames.data(), entry.data() + kEntryFontNamesAt, kFontNamesSize);
  book.fontNames[kFontNamesSize] = '\0';
  return book;
}

}  // namespace tomeshelf
