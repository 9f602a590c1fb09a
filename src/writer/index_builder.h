// Writes word indexes: B-trees of 2048-byte pages in a text file, from a list of words and
// their text and heading positions. Leaf pages come in the fixed, variable or group form;
// as many intermediate levels as the leaves need sit above them.
#ifndef TOMESHELF_WRITER_INDEX_BUILDER_H_
#define TOMESHELF_WRITER_INDEX_BUILDER_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "writer/book_builder.h"

namespace tomeshelf::writer {

// A block address as index entries store it.
struct Position {
  uint32_t block = 1;
  uint16_t offset = 0;
  int32_t FileOffset() const { return static_cast<int32_t>(Offset(block, offset)); }
};

struct IndexWord {
  Bytes key;  // in reading order; a backward index stores it reversed
  Position text;
  Position heading;
};

// A group head and the members filed under it (group form only).
struct IndexGroup {
  Bytes headKey;
  std::vector<IndexWord> members;
};

enum class LeafForm { kFixed, kVariable, kGroup };

struct IndexShape {
  LeafForm form = LeafForm::kVariable;
  bool backward = false;          // keys stored with their two-byte characters reversed
  size_t leafEntriesPerPage = 0;  // at most this many entries per leaf page; 0 = as fit
  size_t fanout = 0;              // at most this many entries per intermediate page; 0 = as fit
};

// One entry as the index holds it, in index order: what a brute-force scan walks.
struct StoredEntry {
  enum Kind { kWord, kGroupHead, kGroupMember } kind = kWord;
  Bytes key;  // as stored (reversed in a backward index)
  Position text;
  Position heading;
};

struct BuiltIndex {
  uint32_t root = 0;
  std::vector<std::vector<uint32_t>> levels;  // levels[0]: the leaf blocks; back(): {root}
  std::map<uint32_t, Bytes> pages;            // block -> page; a test may damage one
  std::vector<StoredEntry> entries;
};

class IndexBuilder {
 public:
  explicit IndexBuilder(IndexShape shape) : shape_(shape) {}
  void Add(IndexWord word) { words_.push_back(std::move(word)); }
  void AddGroup(IndexGroup group) { groups_.push_back(std::move(group)); }

  // Sorts the entries by their stored keys (equal keys keep the order they were added in)
  // and lays the pages out in fresh blocks of the text file: the leaves consecutive, then
  // each intermediate level up to the root. Nothing is written yet.
  BuiltIndex Build(TextFileBuilder& text) const;

 private:
  IndexShape shape_;
  std::vector<IndexWord> words_;
  std::vector<IndexGroup> groups_;
};

// Writes the pages and adds the index table entry, with its start block set to the root.
void WriteIndex(TextFileBuilder& text, const BuiltIndex& index, IndexTableEntry entry);

// A key's two-byte characters in reverse order.
Bytes Reversed(const Bytes& key);

}  // namespace tomeshelf::writer

#endif  // TOMESHELF_WRITER_INDEX_BUILDER_H_
