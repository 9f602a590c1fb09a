#include "support/index_builder.h"

#include <algorithm>

namespace tomeshelf::testing {

namespace {

constexpr size_t kHeader = 4;
constexpr uint8_t kLeaf = 0x80;
constexpr uint8_t kLast = 0x20;
constexpr uint8_t kGroupForm = 0x10;
constexpr uint8_t kTypeWord = 0x00;
constexpr uint8_t kTypeHead = 0x80;
constexpr uint8_t kTypeMember = 0xC0;

void AppendPosition(Bytes& out, Position p) {
  AppendBe32(out, p.block);
  AppendBe16(out, p.offset);
}

// One unit of the sorted index: a word alone, or a group head with its members.
struct Unit {
  Bytes sortKey;
  std::vector<StoredEntry> entries;
};

// Pages of one level being filled: each page's entry bytes, count and last sort key.
struct PageFill {
  Bytes body;
  size_t count = 0;
  Bytes lastKey;
};

class LevelPacker {
 public:
  explicit LevelPacker(size_t maxEntries) : maxEntries_(maxEntries) {}
  void Add(const Bytes& entry, const Bytes& sortKey) {
    if (pages_.empty() || kHeader + pages_.back().body.size() + entry.size() > kBlock ||
        (maxEntries_ != 0 && pages_.back().count >= maxEntries_)) {
      pages_.emplace_back();
    }
    PageFill& p = pages_.back();
    p.body.insert(p.body.end(), entry.begin(), entry.end());
    ++p.count;
    p.lastKey = sortKey;
  }
  std::vector<PageFill>& pages() { return pages_; }

 private:
  size_t maxEntries_;
  std::vector<PageFill> pages_;
};

Bytes PageBytes(uint8_t flags, uint8_t width, const PageFill& fill) {
  Bytes page(kBlock, 0);
  page[0] = flags;
  page[1] = width;
  PutBe16(page, 2, static_cast<uint16_t>(fill.count));
  std::copy(fill.body.begin(), fill.body.end(), page.begin() + kHeader);
  return page;
}

// Unsigned byte order, the order index keys are filed in.
bool KeyLess(const Bytes& a, const Bytes& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return a.size() < b.size();
}

}  // namespace

Bytes Reversed(const Bytes& key) {
  Bytes out;
  for (size_t at = key.size() - key.size() % 2; at >= 2; at -= 2) {
    out.push_back(key[at - 2]);
    out.push_back(key[at - 1]);
  }
  if (key.size() % 2 != 0) out.push_back(key.back());
  return out;
}

BuiltIndex IndexBuilder::Build(TextFileBuilder& text) const {
  auto stored = [&](const Bytes& key) { return shape_.backward ? Reversed(key) : key; };

  std::vector<Unit> units;
  for (const IndexWord& w : words_) {
    units.push_back({stored(w.key), {{StoredEntry::kWord, stored(w.key), w.text, w.heading}}});
  }
  for (const IndexGroup& g : groups_) {
    Unit u{stored(g.headKey), {{StoredEntry::kGroupHead, stored(g.headKey), {}, {}}}};
    for (const IndexWord& m : g.members) {
      u.entries.push_back({StoredEntry::kGroupMember, stored(m.key), m.text, m.heading});
    }
    units.push_back(std::move(u));
  }
  std::stable_sort(units.begin(), units.end(),
                   [](const Unit& a, const Unit& b) { return KeyLess(a.sortKey, b.sortKey); });

  size_t width = shape_.fixedWidth;
  if (width == 0) {
    for (const Unit& u : units) width = std::max(width, u.sortKey.size());
  }

  BuiltIndex built;
  LevelPacker leaves(shape_.leafEntriesPerPage);
  for (const Unit& u : units) {
    for (const StoredEntry& e : u.entries) {
      built.entries.push_back(e);
      Bytes bytes;
      const auto n = static_cast<uint8_t>(e.key.size());
      switch (shape_.form) {
        case LeafForm::kFixed: {
          Bytes key = e.key;
          key.resize(width, 0);
          bytes = key;
          break;
        }
        case LeafForm::kVariable:
          bytes.push_back(n);
          bytes.insert(bytes.end(), e.key.begin(), e.key.end());
          break;
        case LeafForm::kGroup:
          if (e.kind == StoredEntry::kGroupHead) {
            bytes = {kTypeHead, n, 0, 0};
          } else {
            bytes = {e.kind == StoredEntry::kWord ? kTypeWord : kTypeMember, n};
          }
          bytes.insert(bytes.end(), e.key.begin(), e.key.end());
          break;
      }
      if (e.kind != StoredEntry::kGroupHead) {
        AppendPosition(bytes, e.text);
        AppendPosition(bytes, e.heading);
      }
      leaves.Add(bytes, u.sortKey);
    }
  }
  if (leaves.pages().empty()) leaves.pages().emplace_back();

  // The leaves first, in consecutive blocks.
  std::vector<PageFill> level = std::move(leaves.pages());
  uint32_t first = text.ReserveBlocks(static_cast<uint32_t>(level.size()));
  built.levels.emplace_back();
  const uint8_t leafFlags = static_cast<uint8_t>(
      kLeaf | (shape_.form == LeafForm::kGroup ? kGroupForm : 0));
  const auto leafWidth = static_cast<uint8_t>(shape_.form == LeafForm::kFixed ? width : 0);
  for (size_t i = 0; i < level.size(); ++i) {
    const uint8_t last = i + 1 == level.size() ? kLast : 0;
    built.pages[first + static_cast<uint32_t>(i)] =
        PageBytes(static_cast<uint8_t>(leafFlags | last), leafWidth, level[i]);
    built.levels.back().push_back(first + static_cast<uint32_t>(i));
  }

  // Each parent entry holds the last key of its child, padded to the level's key width.
  while (level.size() > 1 || built.levels.size() - 1 < shape_.minLevels) {
    size_t keyWidth = 1;
    for (const PageFill& p : level) keyWidth = std::max(keyWidth, p.lastKey.size());
    LevelPacker parents(shape_.fanout);
    const std::vector<uint32_t>& children = built.levels.back();
    for (size_t i = 0; i < level.size(); ++i) {
      Bytes entry = level[i].lastKey;
      entry.resize(keyWidth, 0);
      AppendBe32(entry, children[i]);
      parents.Add(entry, level[i].lastKey);
    }
    level = std::move(parents.pages());
    first = text.ReserveBlocks(static_cast<uint32_t>(level.size()));
    built.levels.emplace_back();
    for (size_t i = 0; i < level.size(); ++i) {
      const uint8_t flags = i + 1 == level.size() ? kLast : 0;
      built.pages[first + static_cast<uint32_t>(i)] =
          PageBytes(flags, static_cast<uint8_t>(keyWidth), level[i]);
      built.levels.back().push_back(first + static_cast<uint32_t>(i));
    }
  }
  built.root = built.levels.back().front();
  return built;
}

void WriteIndex(TextFileBuilder& text, const BuiltIndex& index, IndexTableEntry entry) {
  for (const auto& [block, page] : index.pages) text.Put(Offset(block), page);
  entry.startBlock = index.root;
  text.AddIndexEntry(entry);
}

}  // namespace tomeshelf::testing
