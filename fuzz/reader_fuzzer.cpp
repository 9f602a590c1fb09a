// The article, page and reference readers over any text file, from hits the input names.
// Input: hit count (1 byte), hits (text and heading offsets, 4 bytes each), text length
// (4), the text file, then export calls as for the disc fuzzer.
#include <cstddef>
#include <cstdint>

#include "fuzz_session.h"
#include "support/writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tomeshelf::fuzzing;
  Input in(data, size);
  DiscPlatform platform;
  platform.memory.files["catalogs"] =
      tomeshelf::testing::CatalogBytes({{0x00, "Fuzz", "BOOK", {}}});
  struct Hit {
    int32_t text, heading;
  };
  std::vector<Hit> hits(in.Byte() % 16);
  for (auto& h : hits) {
    h.text = static_cast<int32_t>(in.U32());
    h.heading = static_cast<int32_t>(in.U32());
  }
  const auto text = in.Bytes(in.U32() % (1u << 20));
  platform.memory.files["honmon"] = text;
  tomeshelf::Library lib(platform);
  if (lib.OpenEpwing(kRoot) != 1 || lib.epwBooksOpen() != 1) return 0;
  for (const auto& h : hits) lib.book()->Hits().AppendHit(h.text, h.heading);
  RunCalls(lib, in, text);
  return 0;
}
