// Between what people type and read (UTF-8) and what books hold (JIS X 0208 and control
// sequences that begin with 0x1F).
#ifndef TOMESHELF_TOOLS_JIS_TEXT_H_
#define TOMESHELF_TOOLS_JIS_TEXT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/jis.h"

namespace tomeshelf::cli {

using codec::JisToUtf8;
using codec::Utf8ToJis;

// How an article's control sequences show in the rendered text.
struct RenderOptions {
  bool showReferences = true;  // links, menus, pictures and sound as [..] with their targets
};

// Renders raw book text as UTF-8: characters converted, line breaks as newlines, gaiji as
// {XXXX}, references with the block:offset they point to. Unknown sequences are skipped by
// their known lengths, or two bytes when unknown; a truncated sequence ends the text.
std::string RenderText(const std::vector<uint8_t>& text, const RenderOptions& options = {});

// A title of 80 bytes: JIS X 0208 when it is, else the printable ASCII it holds.
std::string RenderTitle(const char* title);

}  // namespace tomeshelf::cli

#endif  // TOMESHELF_TOOLS_JIS_TEXT_H_
