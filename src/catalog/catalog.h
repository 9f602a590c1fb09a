// The list of books a disc's CATALOGS names, in catalog order, and their selection.
#ifndef TOMESHELF_CATALOG_CATALOG_H_
#define TOMESHELF_CATALOG_CATALOG_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalog/book_entry.h"

namespace tomeshelf {

class Platform;

inline constexpr int32_t kMaxListedSelections = 200;

class Catalog {
 public:
  // Empties the list and reads CATALOGS under the root. False when the root is too short
  // or too long, or the file or its header cannot be read. Entries past the end of a
  // truncated file are dropped; the complete ones are kept.
  bool LoadCatalog(Platform& platform, const std::string& root);
  // Appends the record of one entry; basePath ends in a backslash.
  void AddEntry(const std::string& basePath, CatalogEntryBytes entry);

  int32_t EntryCount() const { return static_cast<int32_t>(entries_.size()); }
  bool SelectEntry(int32_t index);
  // For the program: selects the record at index and deselects every other one, so that
  // epwBooksOpen opens it. False (nothing changed) when the index is out of range.
  bool SelectOnly(int32_t index);
  // Copies the record at index (selected or not) when it exists; true only when selected.
  bool GetEntry(int32_t index, BookEntry& out) const;
  // Writes the selected indexes in ascending order, at most 200; returns how many.
  int32_t ListSelected(std::array<int32_t, kMaxListedSelections>& out) const;
  // The gaiji path of the lowest-indexed selected record, or empty when none is.
  std::string SelectedGaijiPath() const;
  // The 65-byte font name field of the lowest-indexed selected record; false when none.
  bool SelectedFontNames(std::array<char, kFontNamesSize + 1>& out) const;

 private:
  const BookEntry* FirstSelected() const;
  std::vector<BookEntry> entries_;
};

// Reads CATALOGS under path and copies the title of the first book of an accepted type
// into the 81-byte buffer. False (buffer untouched) for anything else.
bool ProbeBook(Platform& platform, const std::string& path, char* title);

}  // namespace tomeshelf

#endif  // TOMESHELF_CATALOG_CATALOG_H_
