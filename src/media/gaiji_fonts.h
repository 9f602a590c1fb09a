// The open book's external-character fonts: two tables of seven slots, keyed by size.
#ifndef TOMESHELF_MEDIA_GAIJI_FONTS_H_
#define TOMESHELF_MEDIA_GAIJI_FONTS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace tomeshelf {

inline constexpr size_t kFontSlots = 7;
inline constexpr size_t kFontHeaderRead = 14;
inline constexpr size_t kStartCodeAt = 10;

struct GaijiFont {
  std::unique_ptr<File> file;  // null: the slot is empty
  uint16_t startCode = 0;
  uint64_t fileSize = 0;
};

enum class WidthKind : uint8_t { kHalf = 0, kFull = 1 };

// The key of a size: 30 and 32 name the 30-dot fonts, keyed 32.
constexpr uint32_t SizeKey(uint32_t size) { return (size == 30 || size == 32) ? 32 : size; }
// The slot of a key: 2 for 16, 3 for 24, 4 for 30, 6 for 48; other sizes land anywhere.
constexpr uint32_t SlotOf(uint32_t key) { return (key + 2) / 8; }

class GaijiFonts {
 public:
  // Opens the eight fonts named in the 64-byte name field under the gaiji directory
  // (name 1-4: full-width 16, 24, 30, 48; name 5-8: half-width). A missing file, a name
  // that is empty, dots alone or holds a separator, or a file shorter than its header
  // leaves its slot empty. Fonts open already are
  // closed first. Always succeeds.
  void OpenGaijiFonts(Platform& platform, const std::string& directory, const char* names);
  // Closes every open font; false when a close failed. The slots are emptied all the same.
  bool CloseGaijiFonts();

  // The font in the slot for a size and width kind, or null when the slot is empty.
  GaijiFont* Slot(WidthKind width, uint32_t slot);

 private:
  std::array<GaijiFont, kFontSlots> fullWidthFonts_;
  std::array<GaijiFont, kFontSlots> halfWidthFonts_;
};

}  // namespace tomeshelf

#endif  // TOMESHELF_MEDIA_GAIJI_FONTS_H_
