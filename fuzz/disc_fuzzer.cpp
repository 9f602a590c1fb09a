// A whole disc from the input (CATALOGS, the text file, one font behind every font name)
// driven through a sequence of export calls that the input chooses. Input: catalog length
// (2 bytes), font length (2), text length (4), the three files, then the calls.
#include <cstddef>
#include <cstdint>

#include "fuzz_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tomeshelf::fuzzing;
  Input in(data, size);
  const size_t catalogSize = in.U16();
  const size_t fontSize = in.U16();
  const size_t textSize = in.U32() % (1u << 20);
  DiscPlatform platform;
  platform.memory.files["catalogs"] = in.Bytes(catalogSize);
  platform.memory.files["font"] = in.Bytes(fontSize);
  const auto text = in.Bytes(textSize);
  platform.memory.files["honmon"] = text;
  tomeshelf::Library lib(platform);
  RunCalls(lib, in, text);
  return 0;
}
