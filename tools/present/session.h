// One book of a disc, open through the library's interface, read as a person reads it:
// search with spelling retries, articles by position with their neighbours, the menu,
// glyphs, pictures and sound. The library holds one process-wide state, so one Session
// at a time; every read names its own position, so no earlier call changes what it gets.
// A failed file operation closes the book; the next call opens it again (a disc that was
// taken out and put back).
#ifndef TOMESHELF_TOOLS_PRESENT_SESSION_H_
#define TOMESHELF_TOOLS_PRESENT_SESSION_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "present/document.h"

namespace tomeshelf::present {

enum class Failure { kNone, kNotFound, kRefused, kDisc };

struct Error {
  Failure kind = Failure::kNone;
  std::string message;
  explicit operator bool() const { return kind != Failure::kNone; }
};

struct BookSummary {
  int32_t index = 0;
  std::string title;
  uint8_t type = 0;
  std::string path;  // the book's directory, with native separators
  bool usable = false;
  std::vector<std::string> indexes;  // "kana", "written", "alphabet", each "... backward"
  bool menu = false;
  std::vector<std::string> fonts;  // font file names the catalog gives
};

enum class SearchMode { kExact, kForward, kBackward };

struct SearchHit {
  std::string heading;
  Position at;
};

struct SearchResult {
  std::string spelling;  // the spelling that found the hits (UTF-8)
  std::string how;       // which retry it was: "as typed", "upper case", ...
  int32_t total = 0;
  std::vector<SearchHit> hits;  // the first ones, up to the limit asked for
};

struct Article {
  Position at;
  Document document;
  std::optional<Position> previous, next;
};

struct Binary {
  std::string mime;
  std::vector<uint8_t> bytes;
};

// The books a disc's catalog names, with what each holds. Opens and closes each book.
std::vector<BookSummary> ListBooks(const std::string& disc, Error& error);

// A disc path as the person typed it, with separators of this system.
std::string NativePath(const std::string& libraryPath);

class Session {
 public:
  Session(std::string disc, int32_t book);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const std::string& disc() const { return disc_; }
  int32_t book() const { return book_; }
  // Gaiji map problems met while opening (malformed lines), for a warning.
  const std::vector<std::string>& mapProblems() const { return mapProblems_; }

  Error Open();
  SearchResult Search(const std::string& word, SearchMode mode, bool strict, size_t limit,
                      Error& error);
  Article Read(Position at, Error& error);
  Article Menu(Error& error);
  // Glyph of a gaiji as PNG; size 16, 24, 30 or 48 (the nearest the book has is used).
  Binary Glyph(GaijiKey key, int32_t size, Error& error);
  Binary MonoPicture(Position at, uint32_t width, uint32_t height, Error& error);
  Binary ColourPicture(Position at, Error& error);
  Binary Sound(Position at, Position end, const std::string& format, Error& error);

 private:
  bool Ready(Error& error);
  // A -1 result: the disc changed or went away.
  Error Lost(const std::string& what);
  void Close();
  std::vector<uint8_t> ReadBytes(int64_t at, uint32_t size, Error& error);

  std::string disc_;
  int32_t book_;
  bool open_ = false;
  GaijiMap gaiji_;
  std::vector<std::string> mapProblems_;
};

}  // namespace tomeshelf::present

#endif  // TOMESHELF_TOOLS_PRESENT_SESSION_H_
