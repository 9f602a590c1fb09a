// Any CATALOGS file: listed, probed, every entry selected and opened. A book that opens
// must lie in one directory right under the disc root.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_session.h"
#include "support/writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tomeshelf::fuzzing;
  DiscPlatform platform;
  platform.memory.files["catalogs"].assign(data, data + size);
  platform.memory.files["honmon"] = tomeshelf::testing::TextFileBuilder().Build();
  platform.memory.files["font"] = std::vector<uint8_t>(2048, 0);
  tomeshelf::Library lib(platform);
  char title[TOMESHELF_TITLE_SIZE];
  lib.IsEpwBook(kRoot, title);
  if (lib.OpenEpwing(kRoot) != 1) return 0;
  lib.epwGetBooks();
  BookInfo info{0, {}, title};
  lib.epwGetBookInfo(0, &info);
  const int32_t entries = lib.catalog()->EntryCount();
  for (int32_t i = -1; i <= entries && i < 64; ++i) {
    lib.epwSelectBook(i);
    if (lib.epwBooksOpen() != 1) continue;
    const std::string path = lib.book()->TextPath();
    const std::string dir = path.substr(sizeof kRoot, path.size() - sizeof kRoot - 12);
    if (path.compare(0, sizeof kRoot, std::string(kRoot) + "\\") != 0 || dir.empty() ||
        dir.find_first_of("/\\") != std::string::npos ||
        dir.find_first_not_of('.') == std::string::npos) {
      std::abort();  // the book lies outside the disc
    }
  }
  return 0;
}
