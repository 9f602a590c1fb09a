// The forms in which the writer files a key, chosen together with the conversion settings it
// stores for every word index. The search converts a typed word by those settings and
// compares the result with a group head, then compares the typed word itself (symbols
// stripped) with each member of the group. So a head holds the converted key and the
// members hold the spellings people type: as given, in hiragana and in katakana, and Latin
// letters in lower case, upper case and with a capital first letter.
#ifndef TOMESHELF_WRITER_KEY_FORMS_H_
#define TOMESHELF_WRITER_KEY_FORMS_H_

#include <array>
#include <cstdint>
#include <vector>

#include "writer/book_builder.h"

namespace tomeshelf::writer {

enum class KeyKind : uint8_t { kKana, kWritten, kAlphabet };

// Index table bytes 11-13: katakana folded to hiragana, Latin letters upper-cased, the marks
// (middle dot, apostrophe, minus) dropped; the prolonged sound mark, small and voiced kana
// kept as they are. Byte 10 and byte 15 stay 0, so these settings and every conversion apply.
inline constexpr std::array<uint8_t, 3> kKeySettings{0x01, 0x55, 0x55};

// A key (two-byte JIS X 0208 characters) converted as the search converts a typed word
// under kKeySettings: what a group head holds. Empty when nothing of the key is left.
Bytes HeadForm(const Bytes& key);
// A key with the characters dropped that the search drops from the typed word before its
// last comparison: what a group member holds.
Bytes TypedForm(const Bytes& key);
// The spellings of a key a group lists, each in TypedForm, without repeats; the key as
// given comes first.
std::vector<Bytes> Spellings(const Bytes& key);
// The index the search looks a key up in.
KeyKind KindOf(const Bytes& key);

}  // namespace tomeshelf::writer

#endif  // TOMESHELF_WRITER_KEY_FORMS_H_
