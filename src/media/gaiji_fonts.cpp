#include "media/gaiji_fonts.h"

#include <cstring>

#include "base/bytes.h"
#include "base/disc_name.h"
#include "catalog/book_entry.h"

namespace tomeshelf {

namespace {

// Longest font path: the gaiji directory's buffer holds 256 bytes with its terminator.
constexpr size_t kMaxFontPath = 255;

// Slot of each name field, in table order; the first four are full-width.
constexpr std::array<uint32_t, kFontCount> kSlotOfName = {2, 3, 4, 6, 2, 3, 4, 6};

}  // namespace

void GaijiFonts::OpenGaijiFonts(Platform& platform, const std::string& directory,
                                const char* names) {
  CloseGaijiFonts();
  std::string dir = directory;
  if (dir.size() > 1 && dir.back() != '\\') dir += '\\';

  for (size_t n = 0; n < kFontCount; ++n) {
    const char* field = names + n * kFontNameSize;
    const std::string name(field, strnlen(field, kFontNameSize));
    // Spaces do not count: systems drop them around dots (". ." reads as ".."), and a name
    // of spaces alone would name the directory itself.
    std::string bare = name;
    std::erase(bare, ' ');
    if (!IsPlainName(bare)) continue;
    const std::string path = dir + name;
    if (path.size() > kMaxFontPath) continue;
    auto file = platform.OpenRead(platform.ResolvePath(path));
    if (!file) continue;
    std::array<uint8_t, kFontHeaderRead> header{};
    auto got = file->ReadAt(0, header);
    if (!got || *got < header.size()) continue;
    GaijiFont& font = (n < 4 ? fullWidthFonts_ : halfWidthFonts_)[kSlotOfName[n]];
    font.startCode = ReadBe16(header.data() + kStartCodeAt);
    font.fileSize = file->Size().value_or(0);
    font.file = std::move(file);
  }
}

bool GaijiFonts::CloseGaijiFonts() {
  bool clean = true;
  for (auto* table : {&halfWidthFonts_, &fullWidthFonts_}) {
    for (auto& font : *table) {
      if (font.file && !font.file->Close()) clean = false;
      font = GaijiFont{};
    }
  }
  return clean;
}

GaijiFont* GaijiFonts::Slot(WidthKind width, uint32_t slot) {
  if (slot >= kFontSlots) return nullptr;
  GaijiFont& font = (width == WidthKind::kFull ? fullWidthFonts_ : halfWidthFonts_)[slot];
  return font.file ? &font : nullptr;
}

}  // namespace tomeshelf
