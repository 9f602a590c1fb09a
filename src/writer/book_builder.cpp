#include "writer/book_builder.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace tomeshelf::writer {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, std::span<const uint8_t> bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void PutBe16(Bytes& out, size_t at, uint16_t v) {
  out[at] = static_cast<uint8_t>(v >> 8);
  out[at + 1] = static_cast<uint8_t>(v);
}

void PutBe32(Bytes& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

void AppendBe16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void AppendBe32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (24 - 8 * i)));
}

void AppendBytes(Bytes& out, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) out.push_back(b);
}

Bytes Bcd(uint32_t value, size_t n) {
  Bytes out(n, 0);
  for (size_t i = n; i-- > 0;) {
    const uint32_t lo = value % 10;
    value /= 10;
    const uint32_t hi = value % 10;
    value /= 10;
    out[i] = static_cast<uint8_t>((hi << 4) | lo);
  }
  return out;
}

namespace {

void PutText(Bytes& out, size_t at, const std::string& text, size_t width, uint8_t pad) {
  for (size_t i = 0; i < width; ++i) {
    out[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : pad;
  }
}

std::string Trimmed(std::string name) {
  while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
  return name;
}

std::string InCase(std::string name, NameCase names, bool isFile) {
  for (char& c : name) {
    c = static_cast<char>(names == NameCase::kLower ? std::tolower(static_cast<unsigned char>(c))
                                                    : std::toupper(static_cast<unsigned char>(c)));
  }
  if (names == NameCase::kIso9660 && isFile) name += (name.find('.') == std::string::npos ? ".;1" : ";1");
  return name;
}

}  // namespace

Bytes CatalogBytes(const std::vector<CatalogEntry>& entries, std::optional<uint16_t> declaredCount) {
  Bytes out(16 + 164 * entries.size(), 0);
  PutBe16(out, 0, declaredCount.value_or(static_cast<uint16_t>(entries.size())));
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t at = 16 + 164 * i;
    const CatalogEntry& e = entries[i];
    out[at] = e.type;
    PutText(out, at + 2, e.title, 80, 0);
    PutText(out, at + 82, e.directory, 8, ' ');
    for (size_t f = 0; f < 8; ++f) {
      PutText(out, at + 100 + 8 * f, e.fonts[f], 8, e.fonts[f].empty() ? 0 : ' ');
    }
  }
  return out;
}

uint32_t TextFileBuilder::ReserveBlocks(uint32_t n) {
  if (nextBlock_ == 0) {
    // Block 1 holds the header and as much of the table as fits; the table may run on.
    const uint32_t tableBytes = static_cast<uint32_t>(16 + 16 * std::max<size_t>(index_.size(), 64));
    nextBlock_ = 1 + (tableBytes + kBlock - 1) / kBlock;
  }
  const uint32_t first = nextBlock_;
  nextBlock_ += n;
  return first;
}

void TextFileBuilder::Put(uint32_t fileOffset, std::span<const uint8_t> bytes) {
  if (content_.size() < fileOffset + bytes.size()) content_.resize(fileOffset + bytes.size(), 0);
  std::copy(bytes.begin(), bytes.end(), content_.begin() + static_cast<std::ptrdiff_t>(fileOffset));
}

Bytes IndexTableBytes(const std::vector<IndexTableEntry>& entries) {
  Bytes out(16, 0);
  PutBe16(out, 0, static_cast<uint16_t>(entries.size()));
  for (const IndexTableEntry& e : entries) {
    AppendBytes(out, {e.code, 0});
    AppendBe32(out, e.startBlock);
    AppendBe32(out, e.blockCount);
    AppendBytes(out, {e.settingsSwitch, e.settings[0], e.settings[1], e.settings[2], 0, e.extent});
  }
  return out;
}

Bytes TextFileBuilder::Build(bool padToBlock) const {
  Bytes out = content_;
  const Bytes table = IndexTableBytes(index_);
  if (out.size() < table.size()) out.resize(table.size(), 0);
  std::copy(table.begin(), table.end(), out.begin());
  if (padToBlock && out.size() % kBlock != 0) out.resize((out.size() / kBlock + 1) * kBlock, 0);
  return out;
}

void WriteDisc(const fs::path& root, const std::vector<BookFiles>& books, NameCase names) {
  std::vector<CatalogEntry> entries;
  for (const auto& b : books) entries.push_back(b.entry);
  WriteFile(root / InCase("CATALOGS", names, true), CatalogBytes(entries));
  for (const auto& b : books) {
    std::string dirName = b.entry.directory;
    dirName.erase(std::remove(dirName.begin(), dirName.end(), ' '), dirName.end());
    const fs::path dir = root / InCase(dirName, names, false);
    if (!b.honmon.empty()) {
      WriteFile(dir / InCase("DATA", names, false) / InCase("HONMON", names, true), b.honmon);
    }
    for (const auto& [name, bytes] : b.fonts) {
      WriteFile(dir / InCase("GAIJI", names, false) / InCase(Trimmed(name), names, true), bytes);
    }
  }
}

}  // namespace tomeshelf::writer
