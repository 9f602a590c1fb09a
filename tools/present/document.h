// Article text as a person reads it: the raw bytes of a book (JIS X 0208 characters and
// control sequences that begin with 0x1F) parsed into paragraphs of inline items, and that
// model rendered as terminal text, JSON and HTML.
//
// The JSON form is stable (other commands embed it); version 1:
//
//   {"version": 1,
//    "paragraphs": [                      one per line of the article (a line break ends it)
//      {"indent": 0,                      indentation level the book set for the line
//       "items": [                        in reading order, of these kinds:
//         {"type": "text", "text": "...", "half": false, "emphasis": false}
//         {"type": "gaiji", "code": "hA121", "text": "..."}   text only when a map knows it;
//                                         code: h half-width / z full-width, 4 hex digits
//         {"type": "link", "menu": false, "at": "5:52", "label": [items]}
//         {"type": "picture", "colour": false, "at": "2:0", "width": 32, "height": 32,
//          "caption": [items]}            width/height only for monochrome pictures
//         {"type": "sound", "at": "3:0", "end": "4:952", "format": "0000",
//          "caption": [items]}            at/end/format only for sound held in the book
//       ]}]}
//
// "at" values are BLOCK:OFFSET (block from 1, offset 0-2047) in decimal. Label and caption
// items are text and gaiji items only.
#ifndef TOMESHELF_TOOLS_PRESENT_DOCUMENT_H_
#define TOMESHELF_TOOLS_PRESENT_DOCUMENT_H_

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tomeshelf::present {

// A place in a book's text file.
struct Position {
  uint32_t block = 0;  // from 1
  uint32_t offset = 0;  // 0..2047
  int64_t FileOffset() const { return (int64_t{block} - 1) * 2048 + offset; }
  static Position FromFileOffset(int64_t at) {
    return Position{static_cast<uint32_t>(at / 2048 + 1), static_cast<uint32_t>(at % 2048)};
  }
  std::string ToString() const;
  // "BLOCK:OFFSET" in decimal, block at least 1, offset below 2048.
  static std::optional<Position> Parse(const std::string& text);
  bool operator==(const Position&) const = default;
};

// A gaiji code with its width: 'h' half, 'z' full.
struct GaijiKey {
  char width = 'h';
  uint16_t code = 0;
  std::string ToString() const;  // "hA121"
  auto operator<=>(const GaijiKey&) const = default;
};

using GaijiMap = std::map<GaijiKey, std::string>;  // to UTF-8 text

struct Item {
  enum class Type { kText, kGaiji, kLink, kPicture, kSound } type = Type::kText;
  std::string text;  // text; the mapped text of a gaiji
  bool half = false;
  bool emphasis = false;
  GaijiKey gaiji;
  bool menu = false;    // link: a menu reference
  bool colour = false;  // picture
  bool located = false;  // picture, sound: at (and end) are known
  Position at, end;
  uint32_t width = 0, height = 0;  // monochrome picture
  std::string soundFormat;         // sound: four hex digits of reference bytes 4 and 5
  std::vector<Item> inner;         // label or caption
};

struct Paragraph {
  int indent = 0;
  std::vector<Item> items;
};

struct Document {
  std::vector<Paragraph> paragraphs;
  // The first text of the article as one plain line (for titles and lists).
  std::string PlainText() const;
};

// How gaiji found in the map appear: as gaiji items with their text, or merged into the
// text around them (for readers that never need the code).
enum class MappedGaiji { kItem, kText };

// Parses raw book text. Stops at a text end marker (0x1F 0x03), at the article start
// marker of a following article, or where a sequence would run past the end of the bytes.
Document Parse(const std::vector<uint8_t>& raw, const GaijiMap& gaiji = {},
               MappedGaiji mapped = MappedGaiji::kItem);

// As a terminal shows it: links as [label](B:O), pictures and sound as [picture ...],
// unmapped gaiji as 〓 (or {hA121} when codes is set).
std::string ToTerminal(const Document& doc, bool gaijiCodes = false);
// The hook sees every item (labels and captions too) with its JSON and may change the
// JSON, e.g. to name a link's target in the caller's own terms.
using JsonHook = std::function<void(const Item& item, nlohmann::json& json)>;
nlohmann::json ToJson(const Document& doc, const JsonHook& hook = {});
// HTML of the paragraphs. Links go to #/article?at=B:O, pictures and sound to the server's
// /api routes; the book query is added to every URL.
std::string ToHtml(const Document& doc, const std::string& bookQuery);

// A catalog title of 80 bytes: JIS X 0208 when it is, else the printable ASCII it holds.
std::string TitleText(const char* title);

}  // namespace tomeshelf::present

#endif  // TOMESHELF_TOOLS_PRESENT_DOCUMENT_H_
