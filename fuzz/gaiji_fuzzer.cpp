// Any font file behind every font name of a book, drawn through the three drawing calls.
// Input: four glyph requests (code 2 bytes, size, width kind, right, bottom, call), the
// font file.
#include <cstddef>
#include <cstdint>

#include "fuzz_session.h"
#include "support/writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tomeshelf::fuzzing;
  Input in(data, size);
  struct Request {
    uint16_t code;
    int32_t dots, width, right, bottom, call;
  };
  Request requests[4];
  for (auto& r : requests) {
    r = {in.U16(),
         in.Byte(),
         static_cast<int8_t>(in.Byte()),
         static_cast<int8_t>(in.Byte()),
         static_cast<int8_t>(in.Byte()),
         in.Byte() % 3};
  }
  DiscPlatform platform;
  platform.memory.files["catalogs"] = tomeshelf::testing::CatalogBytes(
      {{0x00, "Fuzz", "BOOK", {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8"}}});
  platform.memory.files["honmon"] = tomeshelf::testing::TextFileBuilder().Build();
  platform.memory.files["font"] = in.Rest();
  tomeshelf::Library lib(platform);
  if (lib.OpenEpwing(kRoot) != 1 || lib.epwBooksOpen() != 1) return 0;
  int device = 0;
  for (const auto& r : requests) {
    switch (r.call) {
      case 0:
        lib.epwShowExCode(r.code, r.dots, r.width, 0, 0, r.right, r.bottom, 0, 0, &device);
        break;
      case 1:
        lib.epwExCode2Bmp(r.code, r.dots, r.width, 0, 0, 0, 0, &device);
        break;
      default:
        lib.epwShowExCodePixel(r.code, r.dots, r.width, 0, 0, r.right, r.bottom, 0, &device);
    }
  }
  return 0;
}
