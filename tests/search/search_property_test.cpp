// Random dictionaries searched with random words: the hits must be those of a plain walk
// over every entry of the index, under the same matching rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "search_fixture.h"

namespace tomeshelf::testing {
namespace {

using Rng = std::mt19937;

// Large unvoiced kana, katakana, kanji, Latin capitals and small letters, and a digit.
const uint16_t kAlphabet[] = {0x2422, 0x2424, 0x2426, 0x242B, 0x2522, 0x2524,
                              0x3021, 0x3022, 0x2341, 0x2342, 0x2361, 0x2331};
constexpr uint16_t kSpace = 0x2121, kStar = 0x2176, kMiddleDot = 0x2126;

size_t Pick(Rng& rng, size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }

Bytes RandomKey(Rng& rng) {
  Bytes key;
  for (size_t n = 1 + Pick(rng, 4); n > 0; --n) {
    key = key + Chars({kAlphabet[Pick(rng, std::size(kAlphabet))]});
  }
  return key;
}

struct Dictionary {
  std::vector<IndexWord> words;
  std::vector<IndexGroup> groups;
  std::vector<Bytes> keys;  // every key, for drawing search words from
};

Dictionary RandomDictionary(Rng& rng, bool groups) {
  Dictionary d;
  uint32_t block = 100, heading = 0;
  auto next = [&](const Bytes& key) {
    if (Pick(rng, 10) != 0) ++block;  // now and then the same article twice in a row
    d.keys.push_back(key);
    // Now and then an article at offset 0; each entry its own heading, so that it shows
    // which of two hits for one article is kept.
    const Position text{Pick(rng, 20) == 0 ? 1 : block, 0};
    return IndexWord{key, text, {block, static_cast<uint16_t>(++heading % 2000)}};
  };
  for (size_t units = 5 + Pick(rng, 300); units > 0; --units) {
    const Bytes key = RandomKey(rng);
    if (groups && Pick(rng, 3) == 0) {
      IndexGroup g{key, {}};
      for (size_t m = 1 + Pick(rng, 3); m > 0; --m) {
        g.members.push_back(next(Pick(rng, 2) ? key : RandomKey(rng)));
      }
      d.keys.push_back(key);
      d.groups.push_back(std::move(g));
    } else {
      d.words.push_back(next(key));
    }
  }
  return d;
}

// The search word as a caller might type it, with the mode's asterisk.
Bytes RandomWord(Rng& rng, const Dictionary& d, KeyMode mode) {
  Bytes base = Pick(rng, 5) == 0 ? RandomKey(rng) : d.keys[Pick(rng, d.keys.size())];
  const auto keep = static_cast<std::ptrdiff_t>(2 + 2 * Pick(rng, base.size() / 2));
  if (mode == KeyMode::kForward) base.erase(base.begin() + keep, base.end());
  if (mode == KeyMode::kBackward) base.erase(base.begin(), base.end() - keep);
  if (Pick(rng, 4) == 0) {
    const Bytes extra = Chars({Pick(rng, 2) ? kSpace : kMiddleDot});
    base.insert(base.begin() + 2 * Pick(rng, base.size() / 2 + 1), extra.begin(), extra.end());
  }
  if (mode == KeyMode::kForward) return base + Chars({kStar});
  return mode == KeyMode::kBackward ? Chars({kStar}) + base : base;
}

// The word before normalisation as the index words are compared with it: spaces and the
// mode's asterisk gone, only characters that index words hold, reversed for backward.
Bytes RawKeyOf(const Bytes& word, KeyMode mode) {
  Key raw(word.begin() + (mode == KeyMode::kBackward ? 2 : 0),
          word.end() - (mode == KeyMode::kForward ? 2 : 0));
  StripRawKey(raw);
  return mode == KeyMode::kBackward ? Reversed(raw) : raw;
}

bool Matches(const Bytes& entry, const Bytes& key, KeyMode mode) {
  if (mode == KeyMode::kExact) return entry == key;
  return entry.size() >= key.size() && std::equal(key.begin(), key.end(), entry.begin());
}

using Hits = std::vector<std::pair<int32_t, int32_t>>;  // text and heading offsets

// A hit repeating the article just before, or at offset 0 after the first, is dropped.
Hits BruteForce(const std::vector<StoredEntry>& entries, const Bytes& key, const Bytes& raw,
                KeyMode mode) {
  Hits hits;
  auto take = [&](const StoredEntry& e) {
    const int32_t text = e.text.FileOffset();
    if (!Matches(e.key, raw, mode) || (!hits.empty() && (text == 0 || text == hits.back().first))) return;
    hits.emplace_back(text, e.heading.FileOffset());
  };
  bool inMatchedGroup = false;
  for (const StoredEntry& e : entries) {
    if (e.kind == StoredEntry::kGroupMember) {
      if (inMatchedGroup) take(e);
      continue;
    }
    inMatchedGroup = e.kind == StoredEntry::kGroupHead && Matches(e.key, key, mode);
    if (e.kind == StoredEntry::kWord && Matches(e.key, key, mode)) take(e);
  }
  return hits;
}

TEST(SearchPropertyTest, HitsEqualABruteForceWalkOfTheIndex) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    Rng rng(seed);
    IndexShape shape;
    shape.form = static_cast<LeafForm>(Pick(rng, 3));
    shape.leafEntriesPerPage = Pick(rng, 6);
    shape.fanout = Pick(rng, 2) ? 0 : 2 + Pick(rng, 3);
    const Dictionary d = RandomDictionary(rng, shape.form == LeafForm::kGroup);

    IndexTableEntry settings{kWrittenIndex, 0, static_cast<uint8_t>(Pick(rng, 2)), {}, 0};
    for (size_t i = 0; i < 9; ++i) {
      const auto value = static_cast<uint8_t>(Pick(rng, i == 3 ? 3 : 2));
      settings.settings[i / 4] |= static_cast<uint8_t>(value << (6 - 2 * (i % 4)));
    }
    settings.extent = Pick(rng, 4) == 0 ? 3 : 0;

    TextFileBuilder text;
    BuiltIndex indexes[2];
    for (int backward = 0; backward < 2; ++backward) {
      shape.backward = backward != 0;
      IndexBuilder builder(shape);
      for (const auto& w : d.words) builder.Add(w);
      for (const auto& g : d.groups) builder.AddGroup(g);
      indexes[backward] = builder.Build(text);
      settings.code = backward ? kWrittenBackwardIndex : kWrittenIndex;
      WriteIndex(text, indexes[backward], settings);
    }
    MemoryBook book(text.Build());
    ASSERT_EQ(book.opened, Status::kOk);

    for (int q = 0; q < 40; ++q) {
      const auto mode = static_cast<KeyMode>(Pick(rng, 3));
      const Bytes word = RandomWord(rng, d, mode);
      const auto r = book.Search(word);
      const auto& entries = indexes[mode == KeyMode::kBackward ? 1 : 0].entries;
      const auto expected =
          r.word.empty() ? Hits{} : BruteForce(entries, r.word, RawKeyOf(word, mode), mode);
      Hits got;
      for (int32_t i = 0; i < book.book.Hits().Count(); ++i) {
        got.emplace_back(book.book.Hits()[i].textOffset, book.book.Hits()[i].headingOffset);
      }
      ASSERT_EQ(got, expected)
          << "seed " << seed << " query " << q << " word " << ::testing::PrintToString(word);
      ASSERT_EQ(r.status, expected.empty() ? Status::kNotFound : Status::kOk);
    }
  }
}

}  // namespace
}  // namespace tomeshelf::testing
