// The spellings a typed word is tried in when it finds nothing as typed: books commonly
// store Latin upper-cased or lower-cased, kana in one script, and Latin full-width.
#ifndef TOMESHELF_TOOLS_PRESENT_SPELLING_H_
#define TOMESHELF_TOOLS_PRESENT_SPELLING_H_

#include <string>
#include <vector>

namespace tomeshelf::present {

struct Spelling {
  std::string word;  // UTF-8
  std::string how;   // "as typed", "upper case", "lower case", "hiragana", "katakana",
                     // "ASCII", "full width"
};

// The word as typed first, then each retry in a fixed order, leaving out those that spell
// the same as an earlier one. With strict, the word as typed alone.
std::vector<Spelling> Spellings(const std::string& word, bool strict);

// Code points of UTF-8 text and back; a malformed byte stands for itself as U+FFFD.
std::u32string DecodeUtf8(const std::string& text);
std::string EncodeUtf8(const std::u32string& text);

}  // namespace tomeshelf::present

#endif  // TOMESHELF_TOOLS_PRESENT_SPELLING_H_
