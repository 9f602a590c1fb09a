// UTF-8 as book text: two-byte JIS X 0208 characters, half-width runs for ASCII, external
// character codes for what JIS X 0208 lacks. Nothing is lost silently: a character with
// neither form becomes the geta mark and is counted, with the first few places.
#ifndef TOMESHELF_WRITER_TEXT_ENCODER_H_
#define TOMESHELF_WRITER_TEXT_ENCODER_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "writer/book_builder.h"

namespace tomeshelf::writer {

class TextEncoder {
 public:
  TextEncoder();

  // From now on the character (one UTF-8 character) is written as the external code.
  void SetGaiji(char32_t character, uint16_t code) { gaiji_[character] = code; }
  bool HasGaiji(char32_t character) const { return gaiji_.count(character) != 0; }

  // Article text and headings: printable ASCII as full-width characters inside half-width
  // marks, a newline as a line break, other characters as JIS X 0208 or their external
  // code. False (nothing appended) when utf8 is not valid UTF-8.
  bool AppendText(std::string_view utf8, Bytes& out, std::string_view where);
  // Keys and titles: the same without marks, line breaks or external codes.
  bool AppendPlain(std::string_view utf8, Bytes& out, std::string_view where);

  size_t substituted() const { return substituted_; }
  // "place: character" for the first few substitutions.
  const std::vector<std::string>& places() const { return places_; }

 private:
  bool Append(std::string_view utf8, Bytes& out, std::string_view where, bool text);
  uint16_t Jis(char32_t c);
  void Substitute(Bytes& out, std::string_view where, std::string_view character);

  std::vector<uint16_t> bmp_;  // JIS code by code point; 0 none, kUnknown not looked up yet
  std::map<char32_t, uint16_t> gaiji_;
  size_t substituted_ = 0;
  std::vector<std::string> places_;
};

// The first character of a UTF-8 string and its length in bytes; 0 bytes when invalid.
std::pair<char32_t, size_t> DecodeUtf8(std::string_view utf8);

}  // namespace tomeshelf::writer

#endif  // TOMESHELF_WRITER_TEXT_ENCODER_H_
