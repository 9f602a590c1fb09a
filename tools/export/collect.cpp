#include <algorithm>
#include <cstdio>
#include <span>
#include <unordered_map>

#include "export/export.h"
#include "search/heading.h"
#include "search/index_walk.h"
#include "text/reading_state.h"
#include "text/scan.h"

namespace tomeshelf::exporter {

namespace {

constexpr size_t kPiece = 4096;
// No real article comes near this; a longer one is a book without its end markers.
constexpr size_t kMaxArticleBytes = size_t{1} << 20;

struct IndexKindOf {
  uint8_t code;
  IndexKind kind;
  bool backward;
};
constexpr IndexKindOf kWordIndexes[] = {
    {kKanaIndex, IndexKind::kKana, false},         {kWrittenIndex, IndexKind::kWritten, false},
    {kAlphabetIndex, IndexKind::kAlphabet, false}, {kKanaBackwardIndex, IndexKind::kKana, true},
    {kWrittenBackwardIndex, IndexKind::kWritten, true},
    {kAlphabetBackwardIndex, IndexKind::kAlphabet, true},
};

const char* DamageText(WalkDamage damage) {
  switch (damage) {
    case WalkDamage::kUnreadable: return "index page unreadable";
    case WalkDamage::kNotALeaf: return "index page is not a leaf";
    case WalkDamage::kEntryPastPage: return "index entry runs past its page; rest of page skipped";
    case WalkDamage::kUnknownEntry: return "index entry of unknown type; rest of page skipped";
    case WalkDamage::kBadPosition: return "index entry points at block 0";
    case WalkDamage::kNoLeaves: return "index tree leads to no leaf";
  }
  return "index damaged";
}

std::vector<uint8_t> InReadingOrder(std::span<const uint8_t> key, bool backward) {
  if (!backward) return {key.begin(), key.end()};
  std::vector<uint8_t> out;
  out.reserve(key.size());
  for (size_t at = key.size() / 2 * 2; at >= 2; at -= 2) out.insert(out.end(), {key[at - 2], key[at - 1]});
  return out;
}

}  // namespace

const char* IndexKindName(IndexKind kind) {
  switch (kind) {
    case IndexKind::kKana: return "kana";
    case IndexKind::kWritten: return "written";
    case IndexKind::kAlphabet: return "alphabet";
  }
  return "";
}

std::string PositionText(int32_t fileOffset) {
  const auto at = static_cast<uint32_t>(fileOffset);
  char text[24];
  std::snprintf(text, sizeof text, "%u:%u", at / kBlockSize + 1, at % kBlockSize);
  return text;
}

Collected CollectEntries(OpenBook& book) {
  Collected out;
  std::unordered_map<int32_t, size_t> byOffset;
  std::vector<uint32_t> walked;
  for (const IndexEntry& index : book.IndexTable()) {
    const auto* kind = std::find_if(std::begin(kWordIndexes), std::end(kWordIndexes),
                                    [&](const IndexKindOf& k) { return k.code == index.Code(); });
    if (kind == std::end(kWordIndexes)) continue;
    // The same tree named twice would only repeat its keys.
    const uint32_t root = index.StartBlock();
    if (std::find(walked.begin(), walked.end(), root) != walked.end()) continue;
    walked.push_back(root);

    const auto problems = WalkIndex(book, root, [&](const WalkedEntry& walkedEntry) {
      auto [it, fresh] = byOffset.try_emplace(walkedEntry.textOffset, out.entries.size());
      if (fresh) out.entries.push_back(Entry{walkedEntry.textOffset, {}, {}});
      Entry& entry = out.entries[it->second];
      EntryKey key{InReadingOrder(walkedEntry.key, kind->backward), kind->kind};
      const bool known = std::any_of(entry.keys.begin(), entry.keys.end(), [&](const EntryKey& k) {
        return k.kind == key.kind && k.jis == key.jis;
      });
      if (!known && !key.jis.empty()) entry.keys.push_back(std::move(key));
      auto& headings = entry.headingOffsets;
      if (std::find(headings.begin(), headings.end(), walkedEntry.headingOffset) == headings.end()) {
        headings.push_back(walkedEntry.headingOffset);
      }
    });
    for (const WalkProblem& p : problems) out.problems.push_back({p.fileOffset, DamageText(p.damage)});
  }
  std::sort(out.entries.begin(), out.entries.end(),
            [](const Entry& a, const Entry& b) { return a.textOffset < b.textOffset; });
  return out;
}

ArticleRead ReadArticle(OpenBook& book, int32_t offset, std::vector<uint8_t>& out) {
  out.clear();
  bool ownStart = false;
  size_t scanFrom = 0;
  while (out.size() < kMaxArticleBytes) {
    const size_t before = out.size();
    out.resize(before + kPiece);
    const auto got = book.Read(OffsetAfter(offset, before), std::span(out).subspan(before));
    if (!got) {
      out.resize(before);
      return ArticleRead::kFailed;
    }
    out.resize(before + *got);
    if (before == 0) {
      // A text position may point past the article's own start marker.
      ownStart = out.size() >= kArticleStartSize && out[0] == kEscape &&
                 out[1] == kArticleStartCode && out[2] == kArticleStartParameter;
    }
    const auto end = FindArticleEnd(std::span<const uint8_t>(out).subspan(scanFrom),
                                    scanFrom > 0 || !ownStart);
    if (end) {
      out.resize(scanFrom + *end);
      return ArticleRead::kWhole;
    }
    if (*got < kPiece) return ArticleRead::kWhole;  // the file ends here
    // Scan again from a little before the seam, so a marker cut by it is seen whole.
    scanFrom = std::max(scanFrom, out.size() - (kArticleStartSize - 1));
  }
  return ArticleRead::kCut;
}

std::optional<std::vector<uint8_t>> ReadHeadingAt(OpenBook& book, int32_t offset) {
  std::vector<uint8_t> heading(kHeadingSize);
  const auto got = book.Read(offset, heading);
  if (!got) return std::nullopt;
  heading.resize(*got);
  for (size_t i = 0; i + 1 < heading.size(); ++i) {
    if (heading[i] == kEscape && heading[i + 1] == 0x0A) {
      heading.resize(i);
      break;
    }
  }
  return heading;
}

}  // namespace tomeshelf::exporter
