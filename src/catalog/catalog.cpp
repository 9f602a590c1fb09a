#include "catalog/catalog.h"

#include <array>
#include <cstring>
#include <memory>
#include <optional>

#include "base/bytes.h"
#include "platform/platform.h"

namespace tomeshelf {

namespace {

// Opens CATALOGS under a root and reads its header: the file and the entry count.
struct CatalogFile {
  std::unique_ptr<File> file;
  uint16_t count = 0;
};

std::optional<CatalogFile> OpenCatalogFile(Platform& platform, const std::string& root) {
  auto file = platform.OpenRead(platform.ResolvePath(CatalogFileName(root)));
  if (!file) return std::nullopt;
  std::array<uint8_t, kCatalogHeaderSize> header{};
  auto got = file->ReadAt(0, header);
  if (!got || *got < header.size()) return std::nullopt;
  return CatalogFile{std::move(file), ReadBe16(header.data())};
}

// Reads entry i whole; false when the file ends before it does.
bool ReadEntry(File& file, uint32_t i, std::array<uint8_t, kCatalogEntrySize>& entry) {
  auto got = file.ReadAt(kCatalogHeaderSize + uint64_t{i} * kCatalogEntrySize, entry);
  return got && *got == entry.size();
}

}  // namespace

bool Catalog::LoadCatalog(Platform& platform, const std::string& root) {
  entries_.clear();
  if (root.size() < kMinPath || root.size() > kMaxRootPath) return false;
  const std::string base = root.back() == '\\' ? root : root + "\\";
  auto catalog = OpenCatalogFile(platform, root);
  if (!catalog) return false;
  std::array<uint8_t, kCatalogEntrySize> entry{};
  for (uint32_t i = 0; i < catalog->count; ++i) {
    if (!ReadEntry(*catalog->file, i, entry)) break;
    AddEntry(base, entry);
  }
  catalog->file->Close();
  return true;
}

void Catalog::AddEntry(const std::string& basePath, CatalogEntryBytes entry) {
  entries_.push_back(MakeBookEntry(basePath, entry));
}

bool Catalog::SelectEntry(int32_t index) {
  if (index < 0 || index >= EntryCount()) return false;
  entries_[static_cast<size_t>(index)].selected = 1;
  return true;
}

bool Catalog::SelectOnly(int32_t index) {
  if (index < 0 || index >= EntryCount()) return false;
  for (BookEntry& entry : entries_) entry.selected = 0;
  entries_[static_cast<size_t>(index)].selected = 1;
  return true;
}

bool Catalog::GetEntry(int32_t index, BookEntry& out) const {
  if (index < 0 || index >= EntryCount()) return false;
  out = entries_[static_cast<size_t>(index)];
  return out.selected == 1;
}

int32_t Catalog::ListSelected(std::array<int32_t, kMaxListedSelections>& out) const {
  int32_t n = 0;
  for (size_t i = 0; i < entries_.size() && n < kMaxListedSelections; ++i) {
    if (entries_[i].selected == 1) out[static_cast<size_t>(n++)] = static_cast<int32_t>(i);
  }
  return n;
}

const BookEntry* Catalog::FirstSelected() const {
  for (const auto& e : entries_) {
    if (e.selected == 1) return &e;
  }
  return nullptr;
}

std::string Catalog::SelectedGaijiPath() const {
  const BookEntry* e = FirstSelected();
  return e ? e->gaijiPath : std::string();
}

bool Catalog::SelectedFontNames(std::array<char, kFontNamesSize + 1>& out) const {
  const BookEntry* e = FirstSelected();
  if (!e) return false;
  out = e->fontNames;
  return true;
}

bool ProbeBook(Platform& platform, const std::string& path, char* title) {
  if (path.size() < kMinPath || path.size() > kMaxProbePath) return false;
  auto catalog = OpenCatalogFile(platform, path);
  if (!catalog) return false;
  std::array<uint8_t, kCatalogEntrySize> entry{};
  for (uint32_t i = 0; i < catalog->count; ++i) {
    if (!ReadEntry(*catalog->file, i, entry)) return false;
    if (IsAcceptedBookType(entry[0])) {
      std::memcpy(title, entry.data() + kEntryTitleAt, kTitleSize);
      title[kTitleSize] = '\0';
      return true;
    }
  }
  return false;
}

}  // namespace tomeshelf
