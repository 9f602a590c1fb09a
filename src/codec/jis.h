// Between what people type and read (UTF-8) and the two-byte JIS X 0208 characters books
// hold, through iconv. Used by the writer and the program, never by the reading library.
#ifndef TOMESHELF_CODEC_JIS_H_
#define TOMESHELF_CODEC_JIS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tomeshelf::codec {

// A UTF-8 word as the two-byte JIS X 0208 characters of a search word (no terminator).
// ASCII letters, digits and the asterisk become their full-width forms, a space the
// ideographic space. nullopt when a character has no JIS X 0208 form.
std::optional<std::vector<uint8_t>> Utf8ToJis(const std::string& utf8);

// One JIS X 0208 character (row and cell bytes 0x21-0x7E) as UTF-8; empty when unassigned.
std::string JisToUtf8(uint8_t row, uint8_t cell);

}  // namespace tomeshelf::codec

#endif  // TOMESHELF_CODEC_JIS_H_
