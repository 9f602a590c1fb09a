#include "writer/index_builder.h"

#include <algorithm>

namespace tomeshelf::writer {

namespace {

constexpr size_t kHeader = 4;
constexpr uint8_t kLeaf = 0x80, kLast = 0x20, kGroupForm = 0x10;
constexpr uint8_t kTypeWord = 0x00, kTypeHead = 0x80, kTypeMember = 0xC0;

// A page being filled: its entries' bytes, their count and the last one's sort key.
struct PageFill {
  Bytes body;
  size_t count = 0;
  Bytes lastKey;
};

void AddEntry(std::vector<PageFill>& pages, size_t maxEntries, const Bytes& entry,
              const Bytes& sortKey) {
  if (pages.empty() || kHeader + pages.back().body.size() + entry.size() > kBlock ||
      (maxEntries != 0 && pages.back().count >= maxEntries)) {
    pages.emplace_back();
  }
  PageFill& p = pages.back();
  p.body.insert(p.body.end(), entry.begin(), entry.end());
  ++p.count;
  p.lastKey = sortKey;
}

// Lays one level out in fresh consecutive blocks; its last page carries the last flag.
void PlaceLevel(TextFileBuilder& text, BuiltIndex& built, const std::vector<PageFill>& level,
                uint8_t flags, size_t width) {
  const uint32_t first = text.ReserveBlocks(static_cast<uint32_t>(level.size()));
  built.levels.emplace_back();
  for (uint32_t i = 0; i < level.size(); ++i) {
    Bytes page(kBlock, 0);
    page[0] = static_cast<uint8_t>(flags | (i + 1 == level.size() ? kLast : 0));
    page[1] = static_cast<uint8_t>(width);
    PutBe16(page, 2, static_cast<uint16_t>(level[i].count));
    std::copy(level[i].body.begin(), level[i].body.end(), page.begin() + kHeader);
    built.pages[first + i] = std::move(page);
    built.levels.back().push_back(first + i);
  }
}

}  // namespace

Bytes Reversed(const Bytes& key) {
  Bytes out;
  for (size_t at = key.size() - key.size() % 2; at >= 2; at -= 2) {
    AppendBytes(out, {key[at - 2], key[at - 1]});
  }
  if (key.size() % 2 != 0) out.push_back(key.back());
  return out;
}

BuiltIndex IndexBuilder::Build(TextFileBuilder& text) const {
  auto stored = [&](const Bytes& key) { return shape_.backward ? Reversed(key) : key; };
  // Sorted as units: a word alone, or a group head with its members.
  std::vector<std::vector<StoredEntry>> units;
  for (const IndexWord& w : words_) {
    units.push_back({{StoredEntry::kWord, stored(w.key), w.text, w.heading}});
  }
  for (const IndexGroup& g : groups_) {
    units.push_back({{StoredEntry::kGroupHead, stored(g.headKey), {}, {}}});
    for (const IndexWord& m : g.members) {
      units.back().push_back({StoredEntry::kGroupMember, stored(m.key), m.text, m.heading});
    }
  }
  // The ranges form: vector's operator< made GCC 12 at -O3 doubt memcmp's length.
  std::stable_sort(units.begin(), units.end(), [](const auto& a, const auto& b) {
    return std::ranges::lexicographical_compare(a.front().key, b.front().key);
  });

  BuiltIndex built;
  size_t width = 0;
  for (const auto& u : units) {
    built.entries.insert(built.entries.end(), u.begin(), u.end());
    for (const StoredEntry& e : u) width = std::max(width, e.key.size());
  }
  std::vector<PageFill> level;
  for (const auto& u : units) {
    for (const StoredEntry& e : u) {
      const auto n = static_cast<uint8_t>(e.key.size());
      Bytes bytes;
      if (shape_.form == LeafForm::kVariable) bytes.push_back(n);
      if (shape_.form == LeafForm::kGroup) {
        if (e.kind == StoredEntry::kGroupHead) {
          AppendBytes(bytes, {kTypeHead, n, 0, 0});
        } else {
          AppendBytes(bytes, {e.kind == StoredEntry::kWord ? kTypeWord : kTypeMember, n});
        }
      }
      bytes.insert(bytes.end(), e.key.begin(), e.key.end());
      if (shape_.form == LeafForm::kFixed) bytes.resize(width, 0);
      if (e.kind != StoredEntry::kGroupHead) {
        for (Position p : {e.text, e.heading}) {
          AppendBe32(bytes, p.block);
          AppendBe16(bytes, p.offset);
        }
      }
      AddEntry(level, shape_.leafEntriesPerPage, bytes, u.front().key);
    }
  }
  if (level.empty()) level.emplace_back();
  const bool group = shape_.form == LeafForm::kGroup;
  PlaceLevel(text, built, level, static_cast<uint8_t>(group ? kLeaf | kGroupForm : kLeaf),
             shape_.form == LeafForm::kFixed ? width : 0);

  // Each parent entry holds the last key of its child, padded to the level's key width.
  while (level.size() > 1) {
    size_t keyWidth = 1;
    for (const PageFill& p : level) keyWidth = std::max(keyWidth, p.lastKey.size());
    std::vector<PageFill> parents;
    for (size_t i = 0; i < level.size(); ++i) {
      Bytes entry = level[i].lastKey;
      entry.resize(keyWidth, 0);
      AppendBe32(entry, built.levels.back()[i]);
      AddEntry(parents, shape_.fanout, entry, level[i].lastKey);
    }
    level = std::move(parents);
    PlaceLevel(text, built, level, 0, keyWidth);
  }
  built.root = built.levels.back().front();
  return built;
}

void WriteIndex(TextFileBuilder& text, const BuiltIndex& index, IndexTableEntry entry) {
  for (const auto& [block, page] : index.pages) text.Put(Offset(block), page);
  entry.startBlock = index.root;
  text.AddIndexEntry(entry);
}

}  // namespace tomeshelf::writer
