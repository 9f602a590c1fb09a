// The book writer: entries (keys, a heading, paragraphs with links, a picture, a sound) in
// UTF-8 become a whole disc: CATALOGS, the book's text file with its word indexes in both
// directions, and gaiji fonts. Article text goes to the file as entries come; what needs
// every entry (link targets, headings, media, indexes) is written by Finish.
#ifndef TOMESHELF_WRITER_BOOK_WRITER_H_
#define TOMESHELF_WRITER_BOOK_WRITER_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "writer/book_builder.h"
#include "writer/key_forms.h"
#include "writer/text_encoder.h"

namespace tomeshelf::writer {

// A piece of a paragraph: text, or with `link` set a link labelled `text` to the entry
// whose heading (or else a key) is `link`.
struct Run {
  std::string text;
  std::string link;
};
using Paragraph = std::vector<Run>;

struct Key {
  std::string text;
  std::optional<KeyKind> kind;  // filed in this index too; the search's own choice always
};

struct Picture {
  bool colour = false;       // colour: data is a BMP or JPEG file
  Bytes data;                // monochrome: rows of width / 8 bytes, top first, 1 = ink
  uint32_t width = 0, height = 0;  // monochrome only; width a multiple of 8
  std::string caption;
};

struct Sound {
  Bytes data;  // as stored: a wave file's chunks after its 12-byte RIFF header
  std::string caption;
};

// One size of an external character: `size` rows of FontShape::RowBytes() bytes each.
struct Glyph {
  uint32_t size = 16;
  bool fullWidth = true;
  Bytes rows;
};

struct Entry {
  std::string where;  // the entry's place in its source, for messages ("words.jsonl:12")
  std::vector<Key> keys;
  std::string heading;  // empty: the first key
  std::vector<Paragraph> text;
  std::optional<Picture> picture;
  std::optional<Sound> sound;
};

struct BookOptions {
  std::string title;
  std::string directory = "BOOK";  // upper case, at most 8 characters
  uint8_t type = 0x00;
};

class BookWriter {
 public:
  // Starts the book under root (an existing directory) at root/DIRECTORY/DATA/HONMON.
  BookWriter(const std::filesystem::path& root, BookOptions options);
  BookWriter(const BookWriter&) = delete;
  BookWriter& operator=(const BookWriter&) = delete;

  // Each of these returns an empty string, or one message that names the place and field;
  // after a message the writer must not be finished.
  // Gives a character outside JIS X 0208 an external code, from now on. A character given
  // again keeps its first glyphs.
  std::string DefineGaiji(const std::string& character, const std::vector<Glyph>& glyphs,
                          const std::string& where);
  std::string Add(const Entry& entry);
  // A menu of links to these headwords, one line each; `where` names each line.
  void SetMenu(std::vector<std::pair<std::string, std::string>> headwordsAndPlaces);
  // Writes everything that is left; the disc is complete when this returns empty.
  std::string Finish();

  size_t entries() const { return articles_.size(); }
  const TextEncoder& encoder() const { return encoder_; }

 private:
  struct Record {  // one member of a group in a word index
    uint32_t entry;
    uint32_t head, member;  // offsets into the index's arena
    uint8_t headLength, memberLength;
  };
  struct IndexData {
    Bytes arena;
    std::vector<Record> records;
  };
  struct Patch {  // 6 BCD bytes of a reference, filled in once the target is placed
    uint32_t at;
    uint32_t value;  // a link (index into links_) or a media offset
    bool link;
  };
  struct LinkName {
    std::string name, where;
  };

  std::string AddKey(const Key& key, uint32_t entry, const std::string& where);
  uint32_t Reference(Bytes& article, uint32_t articleAt, size_t bcdAt, uint32_t value, bool link);
  std::optional<uint32_t> Resolve(const std::string& name) const;
  uint32_t WriteArea(const Bytes& bytes);  // at the next block; returns its first block
  uint32_t WriteIndex(const IndexData& index, bool backward);
  void WriteFonts(std::map<std::string, Bytes>& fonts, std::array<std::string, 8>& names) const;

  std::filesystem::path root_;
  BookOptions options_;
  std::vector<char> outBuffer_;  // before out_: a writer left unfinished flushes into it
  std::ofstream out_;
  uint32_t textAt_;  // file offset of the next article byte
  TextEncoder encoder_;

  std::vector<uint32_t> articles_;  // file offset of each entry's article
  std::vector<uint32_t> headings_;  // offset of each entry's heading in headingBytes_
  Bytes headingBytes_;
  Bytes media_;
  std::vector<Patch> patches_;
  std::vector<LinkName> links_;
  std::unordered_map<std::string, uint32_t> byHeading_, byKey_;
  std::array<IndexData, 3> indexes_;  // by KeyKind
  std::vector<std::pair<std::string, std::string>> menu_;

  struct GaijiChar {
    uint16_t code;
    std::map<uint32_t, Bytes> rows;  // by size
  };
  std::map<char32_t, GaijiChar> gaiji_;
  uint16_t nextHalf_, nextFull_;
};

}  // namespace tomeshelf::writer

#endif  // TOMESHELF_WRITER_BOOK_WRITER_H_
