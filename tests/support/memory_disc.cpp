#include "support/memory_disc.h"

#include <algorithm>

namespace tomeshelf::testing {

namespace {

constexpr size_t kNameField = 8;
constexpr size_t kStartCodeAt = 10;

std::string WithoutSpaces(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
  return s;
}

}  // namespace

std::string MemoryTextPath(const std::string& root, const std::string& directory) {
  return root + "\\" + WithoutSpaces(directory) + "\\data\\honmon";
}

void PutMemoryDisc(MemoryPlatform& platform, const std::string& root,
                   const std::vector<BookFiles>& books) {
  std::vector<CatalogEntry> entries;
  for (const auto& b : books) entries.push_back(b.entry);
  platform.files[root + "\\catalogs"] = CatalogBytes(entries);
  for (const auto& b : books) {
    const std::string dir = root + "\\" + WithoutSpaces(b.entry.directory);
    if (!b.honmon.empty()) platform.files[MemoryTextPath(root, b.entry.directory)] = b.honmon;
    for (const auto& [name, bytes] : b.fonts) {
      std::string field = name;
      field.resize(std::max(field.size(), kNameField), ' ');
      platform.files[dir + "\\gaiji\\" + field] = bytes;
    }
  }
}

Bytes FontHeaderOnly(uint16_t startCode) {
  Bytes out(kBlock, 0);
  PutBe16(out, kStartCodeAt, startCode);
  return out;
}

}  // namespace tomeshelf::testing
