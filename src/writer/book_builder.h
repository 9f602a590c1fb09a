// The low-level book builder: writes real discs (CATALOGS, a book's text file, its fonts)
// from the format as documented, sharing no parsing code with the library, so each checks
// the other. BookWriter builds whole books on top of it.
#ifndef TOMESHELF_WRITER_BOOK_BUILDER_H_
#define TOMESHELF_WRITER_BOOK_BUILDER_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tomeshelf::writer {

using Bytes = std::vector<uint8_t>;
inline constexpr uint32_t kBlock = 2048;

void WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);
Bytes ReadFile(const std::filesystem::path& path);

// Big-endian and packed-BCD encoders for the builder's own use.
void PutBe16(Bytes& out, size_t at, uint16_t v);
void PutBe32(Bytes& out, size_t at, uint32_t v);
void AppendBe16(Bytes& out, uint16_t v);
void AppendBe32(Bytes& out, uint32_t v);
// Appends a few literal bytes one by one: GCC 12 at -O3 misjudges the bounds of
// initializer-list inserts into small vectors.
void AppendBytes(Bytes& out, std::initializer_list<uint8_t> bytes);
// n bytes of packed BCD holding the decimal digits of value, most significant first.
Bytes Bcd(uint32_t value, size_t n);
// The file offset of a block address.
constexpr uint32_t Offset(uint32_t block, uint32_t offset = 0) { return (block - 1) * kBlock + offset; }

// ---- CATALOGS ----

struct CatalogEntry {
  uint8_t type = 0x00;
  std::string title;                    // up to 80 bytes
  std::string directory;                // up to 8 bytes, padded with spaces
  std::array<std::string, 8> fonts{};   // up to 8 bytes each; empty = a slot of zero bytes
};

// The CATALOGS file: a 16-byte header with the count (declaredCount when given) and one
// 164-byte entry per book.
Bytes CatalogBytes(const std::vector<CatalogEntry>& entries,
                   std::optional<uint16_t> declaredCount = std::nullopt);

// ---- The text file (honmon) ----

struct IndexTableEntry {
  uint8_t code = 0;
  uint32_t startBlock = 0;
  uint8_t settingsSwitch = 0;                 // byte 10: 1 = every setting 0
  std::array<uint8_t, 3> settings{0, 0, 0};   // bytes 11-13: twelve 2-bit settings
  uint8_t extent = 0;                         // byte 15: 3 = symbol removal only
  uint32_t blockCount = 0;                    // bytes 6-9: the area's length in blocks
};

// The header and index table: the count at bytes 0-1, then 16 bytes per entry.
Bytes IndexTableBytes(const std::vector<IndexTableEntry>& entries);

class TextFileBuilder {
 public:
  // The header and index table take the first blocks; content blocks follow them.
  void AddIndexEntry(const IndexTableEntry& entry) { index_.push_back(entry); }
  std::vector<IndexTableEntry>& IndexEntries() { return index_; }
  // Hands out n fresh blocks and returns the number of the first.
  uint32_t ReserveBlocks(uint32_t n);
  // Places bytes at a file offset (the file grows to hold them).
  void Put(uint32_t fileOffset, std::span<const uint8_t> bytes);
  // The whole file: header (count at bytes 0-1), index table, content. Padded to whole
  // blocks unless exactSize is set.
  Bytes Build(bool padToBlock = true) const;

 private:
  std::vector<IndexTableEntry> index_;
  Bytes content_;  // from file offset 0; the header and table are written over it
  uint32_t nextBlock_ = 0;
};

// ---- A disc ----

enum class NameCase { kUpper, kLower, kIso9660 };  // how the disc's file system shows names

struct BookFiles {
  CatalogEntry entry;
  Bytes honmon;                           // empty: no data\honmon is written
  std::map<std::string, Bytes> fonts;     // file name (as in the catalog) -> bytes
};

// Writes CATALOGS and every book's directory under root. Names are written in the given
// case; directory and font names lose their padding spaces as a file system shows them.
void WriteDisc(const std::filesystem::path& root, const std::vector<BookFiles>& books,
               NameCase names = NameCase::kUpper);

}  // namespace tomeshelf::writer

#endif  // TOMESHELF_WRITER_BOOK_BUILDER_H_
