// The search: keys prepared as the index says, the index chosen, pages walked, damaged pages
// survived; and random dictionaries searched with random words, whose hits must be those of a
// plain walk over every entry of the index under the same matching rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <random>
#include <vector>

#include "book/open_book.h"
#include "search/index_tree.h"
#include "search/index_walk.h"
#include "search/search_key.h"
#include "search/word_search.h"
#include "support/memory_platform.h"
#include "support/writer.h"

namespace tomeshelf::testing {
namespace {

// A key written as its character codes.
Bytes Chars(std::initializer_list<uint16_t> codes) {
  Bytes out;
  for (uint16_t c : codes) {
    out.push_back(uint8_t(c >> 8));
    out.push_back(uint8_t(c));
  }
  return out;
}

template <typename T>
std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct SearchResult {
  Status status;
  std::vector<int32_t> texts;  // text offsets of the hits, in order
  Bytes word;                  // the word as the search left it, without its terminator
};

// A book open on the in-memory platform, with its word indexes from the index builder.
class MemoryBook {
 public:
  explicit MemoryBook(const Bytes& honmon) {
    platform.files["\\book\\data\\honmon"] = honmon;
    opened = book.OpenFiles("\\book");
  }

  SearchResult Search(Bytes word) {
    word.push_back(0);
    SearchResult r{SearchWord(book, word.data()), {}, {}};
    r.word.assign(word.begin(), std::find(word.begin(), word.end(), 0));
    for (int32_t i = 0; i < book.Hits().Count(); ++i) r.texts.push_back(book.Hits()[i].textOffset);
    return r;
  }

  MemoryPlatform platform;
  OpenBook book{platform};
  Status opened = Status::kIoError;
};

using Settings = std::array<uint8_t, 12>;

// Packs twelve 2-bit settings into bytes 11-13 of a table entry, high bits first.
IndexEntry EntryWith(const Settings& s, uint8_t allZeroSwitch = 0, uint8_t extent = 0) {
  IndexEntry e;
  e.bytes[0] = kWrittenIndex;
  e.bytes[10] = allZeroSwitch;
  for (size_t i = 0; i < s.size(); ++i) {
    e.bytes[11 + i / 4] |= static_cast<uint8_t>(s[i] << (6 - 2 * (i % 4)));
  }
  e.bytes[15] = extent;
  return e;
}

constexpr Settings kConvertAll{};
constexpr Settings kLeaveAll{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
// Every conversion left off but the given ones, set to the given value.
Settings Only(std::initializer_list<size_t> which, uint8_t value = 0) {
  Settings s = kLeaveAll;
  for (size_t w : which) s[w] = value;
  return s;
}

TEST(NormaliseKeyTest, ConvertsAsTheIndexFiles) {
  const struct {
    const char* name;
    IndexEntry entry;
    Bytes input, expected;
  } cases[] = {
      {"katakana, long vowels, bytes outside JIS", EntryWith(kConvertAll),
       Chars({0x0125, 0x8025, 0x2555, 0x2521, 0x213C, 0x2539, 0x2548, 0x2442, 0x213C, 0x213C}),
       Chars({0x0125, 0x8025, 0x2455, 0x2422, 0x2422, 0x2439, 0x2448, 0x2441, 0x2424, 0x2424})},
      {"long vowel kept voiced", EntryWith(Only({3})), Chars({0x2447, 0x213C, 0x2449, 0x213C}),
       Chars({0x2447, 0x2428, 0x2449, 0x242A})},
      {"long vowel then unvoiced", EntryWith(Only({3, 7})), Chars({0x2447, 0x213C, 0x2449, 0x213C}),
       Chars({0x2446, 0x2428, 0x2448, 0x242A})},
      {"leading long vowels when kept", EntryWith(kLeaveAll),
       Chars({0x213C, 0x213C, 0x2422, 0x213C}), Chars({0x2422, 0x213C})},
      {"leading long vowels when removed", EntryWith(Only({3}, 2)),
       Chars({0x213C, 0x213C, 0x2422, 0x213C, 0x213C, 0x2424}), Chars({0x2422, 0x2424})},
      {"all-zero switch", EntryWith(Settings{3, 3, 3, 3}, 1), Chars({0x2522, 0x2361}),
       Chars({0x2422, 0x2341})},
      {"extent three", EntryWith(kConvertAll, 0, 3), Chars({0x2522, 0x2176, 0x2361, 0x213C}),
       Chars({0x2522, 0x2361, 0x213C})},
      {"setting out of range", EntryWith(Only({0}, 2)), Chars({0x2522, 0x2176}),
       Chars({0x2522, 0x2176})},
      {"long vowel setting three", EntryWith(Only({3}, 3)), Chars({0x213C, 0x2522, 0x2176}),
       Chars({0x213C, 0x2522, 0x2176})},
      {"unused setting out of range", EntryWith(Only({11}, 2)), Chars({0x2221}), Chars({0x2221})},
      {"katakana without hiragana", EntryWith(Only({0})), Chars({0x2574, 0x2575, 0x2576, 0x2577}),
       Chars({0x2426, 0x242B, 0x2431, 0x2577})},
      {"small Latin", EntryWith(Only({1})), Chars({0x2361, 0x237A, 0x2360, 0x237B}),
       Chars({0x2341, 0x235A, 0x2360, 0x237B})},
      {"marks dropped", EntryWith(Only({2})), Chars({0x2147, 0x2422, 0x215D, 0x2126}),
       Chars({0x2422})},
      {"every small kana, and the cells beside them", EntryWith(Only({4, 5, 6})),
       Chars({0x2443, 0x2563, 0x2465, 0x2567, 0x2421, 0x2529, 0x246E, 0x2423, 0x2425, 0x2427,
              0x2420, 0x2442, 0x2444, 0x2462, 0x2468, 0x246D, 0x246F}),
       Chars({0x2444, 0x2564, 0x2466, 0x2568, 0x2422, 0x252A, 0x246F, 0x2424, 0x2426, 0x2428,
              0x2420, 0x2442, 0x2444, 0x2462, 0x2468, 0x246D, 0x246F})},
      {"every voiced kana, and the cells beside the table", EntryWith(Only({7})),
       Chars({0x242E, 0x2430, 0x2432, 0x2434, 0x2436, 0x2438, 0x243A, 0x243C, 0x243E, 0x2440,
              0x2442, 0x2445, 0x2447, 0x2449, 0x2450, 0x2453, 0x2456, 0x2459, 0x242A, 0x245D}),
       Chars({0x242D, 0x242F, 0x2431, 0x2433, 0x2435, 0x2437, 0x2439, 0x243B, 0x243D, 0x243F,
              0x2441, 0x2444, 0x2446, 0x2448, 0x244F, 0x2452, 0x2455, 0x2458, 0x242A, 0x245D})},
      {"every semi-voiced kana", EntryWith(Only({8})),
       Chars({0x2454, 0x2457, 0x245A, 0x2450, 0x245E}),
       Chars({0x2452, 0x2455, 0x2458, 0x2450, 0x245E})},
      {"voiced and semi-voiced", EntryWith(Only({7, 8})),
       Chars({0x242C, 0x255C, 0x2451, 0x255D, 0x2452}),
       Chars({0x242B, 0x255B, 0x244F, 0x255B, 0x2452})},
      {"symbols only when kept", EntryWith(kLeaveAll),
       Chars({0x2147, 0x215D, 0x2126, 0x2133, 0x213A, 0x213B, 0x2221, 0x2821, 0x2F7E, 0x2176,
              0x2330, 0x3021}),
       Chars({0x2147, 0x215D, 0x2126, 0x2133, 0x213A, 0x2330, 0x3021})},
  };
  for (const auto& c : cases) {
    Key key = c.input;
    NormaliseKey(key, c.entry);
    EXPECT_EQ(key, c.expected) << c.name;
  }
}

TEST(ResolveLongVowelsTest, MarkTakesTheVowelOfThePrecedingCell) {
  // The cell before, and what the mark becomes: the ends of each run of the vowel table.
  const std::pair<uint16_t, uint16_t> cases[] = {
      {0x2421, 0x2421}, {0x242A, 0x242A}, {0x242B, 0x2422}, {0x2442, 0x2424}, {0x2443, 0x2426},
      {0x2446, 0x2428}, {0x2452, 0x2424}, {0x245E, 0x2422}, {0x2462, 0x242A}, {0x2463, 0x2421},
      {0x2465, 0x2425}, {0x2467, 0x2429}, {0x246E, 0x2421}, {0x2472, 0x242A}, {0x2473, 0x2473},
      {0x244E, 0x242A}, {0x244F, 0x2422}, {0x245D, 0x242A}, {0x2469, 0x2422}, {0x246D, 0x242A},
      {0x2574, 0x2526}, {0x2575, 0x2521}, {0x2576, 0x2527}, {0x3021, 0x3021}, {0x2341, 0x2324},
  };
  for (const auto& [before, mark] : cases) {
    Key key = Chars({before, kProlongedSoundMark});
    ResolveLongVowels(key, 0);
    EXPECT_EQ(key, Chars({before, mark})) << std::hex << before;
  }
}

constexpr uint16_t kA = 0x2422, kI = 0x2424, kU = 0x2426, kStar = 0x2176;

// An index table entry whose settings leave the words as they are but for symbol removal.
IndexTableEntry PlainIndex(uint8_t code) { return {code, 0, 0, {0x55, 0x55, 0x55}, 0}; }

IndexWord Word(const Bytes& key, uint32_t block) { return {key, {block, 0}, {block, 16}}; }

// Words of the character `first` and a kanji, distinct and in key order, at blocks from 1000.
std::vector<IndexWord> ManyWords(uint16_t first, uint32_t count) {
  std::vector<IndexWord> out;
  for (uint32_t i = 0; i < count; ++i) {
    out.push_back(Word(Chars({first, uint16_t(0x3021 + i / 90 * 0x100 + i % 90)}), 1000 + i));
  }
  return out;
}

// The text offsets of consecutive blocks, as hits report them.
std::vector<int32_t> Texts(uint32_t from, uint32_t count = 1) {
  std::vector<int32_t> out;
  for (uint32_t i = 0; i < count; ++i) out.push_back(Position{from + i, 0}.FileOffset());
  return out;
}

// A book with one index of the words and groups. `damage` may change the pages before they
// are written, and returns the size to cut the file to (0: whole).
using Damage = std::function<uint32_t(BuiltIndex&)>;
Bytes BookWith(const std::vector<IndexWord>& words, IndexTableEntry entry = PlainIndex(kKanaIndex),
               IndexShape shape = {}, const Damage& damage = {},
               const std::vector<IndexGroup>& groups = {}) {
  TextFileBuilder text;
  IndexBuilder builder(shape);
  for (const auto& w : words) builder.Add(w);
  for (const auto& g : groups) builder.AddGroup(g);
  BuiltIndex index = builder.Build(text);
  const uint32_t cut = damage ? damage(index) : 0;
  WriteIndex(text, index, entry);
  Bytes out = text.Build();
  if (cut != 0) out.resize(cut);
  return out;
}

TEST(ChooseIndexTest, KindFollowsTheWordAndDirectionTheMode) {
  constexpr KeyMode E = KeyMode::kExact, B = KeyMode::kBackward;
  const struct {
    Bytes word;
    KeyMode mode;
    uint8_t code;
  } cases[] = {
      {Chars({0x2341, kA}), E, kAlphabetIndex}, {Chars({0x2361}), B, kAlphabetBackwardIndex},
      {Chars({0x2621}), E, kAlphabetIndex},     {Chars({0x2771}), E, kAlphabetIndex},
      {Chars({0x2127}), E, kAlphabetIndex},     {Chars({0x216D}), E, kAlphabetIndex},
      {Chars({0x2126, 0x2341}), E, kKanaIndex}, {Chars({0x2330, kA}), E, kWrittenIndex},
      {Chars({0x2339}), B, kWrittenBackwardIndex},
      // The cells just outside the letters and the digits choose by the rest of the word.
      {Chars({0x237A}), E, kAlphabetIndex}, {Chars({0x2340}), E, kKanaIndex},
      {Chars({0x237B}), E, kKanaIndex},     {Chars({0x232F}), E, kKanaIndex},
      {Chars({0x233A}), E, kKanaIndex},     {Chars({kA, 0x3021, kI}), E, kWrittenIndex},
      {Chars({kA, 0x7F21}), B, kWrittenBackwardIndex},
      {Chars({0x2522, 0x2F21}), B, kKanaBackwardIndex}, {Bytes{}, KeyMode::kForward, kKanaIndex},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WantedIndexCode(c.word, c.mode), c.code) << ::testing::PrintToString(c.word);
  }
}

// What a search finds and the word it leaves, for books without a usable index, with two
// indexes of one code (the first is used), and for words that leave nothing to search.
TEST(SearchTest, FindsOnlyThroughTheFirstUsableIndexAndLeavesThePreparedWord) {
  TextFileBuilder rootless, twice;
  rootless.AddIndexEntry(PlainIndex(kKanaIndex));  // root block zero
  for (uint32_t block : {10, 20}) {
    IndexBuilder builder({});
    builder.Add(Word(Chars({kA}), block));
    WriteIndex(twice, builder.Build(twice), PlainIndex(kKanaIndex));
  }
  const Bytes kana = BookWith({Word(Chars({kA}), 10)}), mark = Chars({kProlongedSoundMark});
  const Bytes aiu = BookWith({Word(Chars({kA, kI, kU}), 10)});
  // Marks, letters and digits, kana, Greek, Cyrillic and kanji: what index words hold.
  const Bytes held = Chars({0x2133, 0x213C, 0x2330, 0x2621, 0x2721, 0x3021, 0x7F21});
  const struct {
    Bytes book, word, left;
    std::vector<int32_t> texts;
  } cases[] = {
      {kana, Chars({0x2121, 0x2341, 0x2121, 0x2221, kStar}), Chars({0x2341, 0x2221}), {}},
      {rootless.Build(), Chars({kA}), Chars({kA}), {}},
      {kana, Chars({kStar}), {}, {}},
      {kana, Chars({0x2121, 0x2121}), {}, {}},
      {kana, Chars({0x2221, kStar}), {}, {}},
      {twice.Build(), Chars({kA}), Chars({kA}), Texts(10)},
      // Only an asterisk at an end chooses the mode; bytes 0x21 0x76 across two kanji are none.
      {aiu, Chars({kA, kStar, kI}), Chars({kA, kI}), {}},
      {aiu, Chars({kA, kStar, kI, kStar}), Chars({kA, kI}), {}},
      {kana, Chars({kStar, kA, kStar}), Chars({kA, kStar}), {}},
      {BookWith({Word(Chars({0x3021, 0x7630, 0x3022}), 10)}, PlainIndex(kWrittenIndex)),
       Chars({0x3021, 0x7630, kStar}), Chars({0x3021, 0x7630}), Texts(10)},
      {BookWith({Word(held, 10)}, PlainIndex(kWrittenIndex)),
       Chars({0x2133, 0x2132, 0x213C, 0x213D, 0x2330, 0x2621, 0x2721, 0x2821, 0x2F21, 0x3021,
              0x7F21}),
       held, Texts(10)},
      // A lone prolonged sound mark is searched as it stands.
      {BookWith({Word(mark, 10)}, {kKanaIndex, 0, 1, {}, 0}), mark, mark, Texts(10)},
  };
  for (const auto& c : cases) {
    const auto r = MemoryBook(c.book).Search(c.word);
    EXPECT_EQ(r.status, c.texts.empty() ? Status::kNotFound : Status::kOk)
        << ::testing::PrintToString(c.word);
    EXPECT_EQ(r.texts, c.texts);
    EXPECT_EQ(r.word, c.left);
  }
}

// Page bytes that cannot be right, a file cut short and failing reads end the page or the
// search: hits taken before stay, nothing is read past.
TEST(DamagedIndexTest, EachDamageEndsThePageOrTheSearch) {
  const std::vector<IndexWord> one{Word(Chars({kA}), 10)};
  std::vector<IndexWord> wide, same;  // forty wide entries (13 + 36 bytes) nearly fill a page
  for (uint16_t i = 0; i < 80; ++i) {
    const Bytes key = Join({Bytes(34, 0x30), {uint8_t(0x30 + i / 40), uint8_t(0x21 + i % 40)}});
    wide.push_back(Word(key, 100 + i));
  }
  for (uint32_t i = 0; i < 4; ++i) same.push_back(Word(Chars({kA}), 10 + i));
  const Damage count = [](BuiltIndex& b) {
    PutBe16(b.pages[b.root], 2, 0xFFFF);
    return 0u;
  };
  // A plain word ends the group before it: a member cut off from its own head is no hit.
  const Damage headless = [](BuiltIndex& b) {
    Bytes& page = b.pages[b.levels[0][0]];
    const Bytes key = Chars({kA, kU});
    const auto head = std::search(page.begin(), page.end(), key.begin(), key.end()) - 4;
    page.erase(head, head + 8);
    page.resize(kBlock);
    PutBe16(page, 2, uint16_t((page[2] << 8 | page[3]) - 1));
    return 0u;
  };
  const IndexShape onePerLeaf{LeafForm::kVariable, false, 1};
  const struct {
    const char* name;
    std::vector<IndexWord> words;
    IndexShape shape;
    Damage damage;
    Bytes word;
    Status status;
    std::vector<int32_t> texts;
    int64_t failRead = 0;  // this read after the open fails
    std::vector<IndexGroup> groups = {};
  } cases[] = {
      {"count, fixed", one, {LeafForm::kFixed}, count, Chars({kA, kStar}), Status::kOk, Texts(10)},
      {"count, variable", one, {}, count, Chars({kA, kStar}), Status::kOk, Texts(10)},
      {"count, group", one, {LeafForm::kGroup}, count, Chars({kA, kStar}), Status::kOk, Texts(10)},
      {"key length", wide, {LeafForm::kVariable, false, 40},
       [](BuiltIndex& b) { b.pages[b.levels[0][0]][4 + 39 * (13 + 36)] = 0xFF; return 0u; },
       Chars({0x3030, kStar}), Status::kOk, Texts(100, 39) + Texts(140, 40)},
      {"group entry type", same, {LeafForm::kGroup, false, 2},
       [](BuiltIndex& b) { b.pages[b.levels[0][0]][4] = 0x40; return 0u; }, Chars({kA}),
       Status::kOk, Texts(12, 2)},
      {"member after a plain word", {Word(Chars({kA, kI}), 11)}, {LeafForm::kGroup}, headless,
       Chars({kA, kStar}), Status::kOk, Texts(10, 2), 0,
       {{Chars({kA}), {Word(Chars({kA}), 10)}}, {Chars({kA, kU}), {Word(Chars({kA, kU}), 12)}}}},
      {"page cut short", one, {}, [](BuiltIndex& b) { return Offset(b.root) + 100; }, Chars({kA}),
       Status::kIoError, {}},
      {"chunk cut short at the file's end: its whole pages count", ManyWords(kA, 60), onePerLeaf,
       [](BuiltIndex& b) { b.root = b.levels[0][0]; return Offset(b.levels[0][40]) + 1000; },
       Chars({kA, kStar}), Status::kOk, Texts(1000, 40)},
      // The root, the first leaf with the next, the leaves one by one up to a long run, then
      // one run of pages, then the next.
      {"leaf read fails", ManyWords(kA, 80), onePerLeaf, {}, Chars({kA, kStar}), Status::kIoError,
       Texts(1000, kLongLeafRun + kLeafReadAhead + 1), kLongLeafRun + 2},
  };
  for (const auto& c : cases) {
    const IndexTableEntry index = PlainIndex(c.word[0] == 0x24 ? kKanaIndex : kWrittenIndex);
    MemoryBook book(BookWith(c.words, index, c.shape, c.damage, c.groups));
    if (c.failRead != 0) book.platform.faults.failReadOnCall = book.platform.readCalls + c.failRead;
    const auto r = book.Search(c.word);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.texts, c.texts) << c.name;
  }
}

// Three leaves under one page, `steps` below the root: a search and a whole-index walk go
// down 64 steps and no further. The walk passes the damaged middle leaf only when it found
// the last one.
TEST(IndexDepthTest, SearchAndWalkDescendAtMostSixtyFourSteps) {
  for (const int32_t steps : {kMaxIndexDepth, kMaxIndexDepth + 1}) {
    const Damage deeper = [&](BuiltIndex& b) {
      b.pages[b.levels[0][1]][0] = 0;
      for (int32_t extra = steps - 1; extra > 0; --extra) {
        const uint32_t block = b.pages.rbegin()->first + 1;
        Bytes& page = b.pages[block] = Bytes(kBlock, 0xFF);  // one entry, above every key
        page[0] = 0x20;
        page[1] = 2;
        PutBe16(page, 2, 1);
        PutBe32(page, 6, b.root);
        b.root = block;
      }
      return 0u;
    };
    MemoryBook book(BookWith({Word(Chars({kA}), 10), Word(Chars({kI}), 11), Word(Chars({kU}), 12)},
                             PlainIndex(kKanaIndex), {LeafForm::kVariable, false, 1}, deeper));
    const bool reached = steps <= kMaxIndexDepth;
    EXPECT_EQ(book.Search(Chars({kU})).texts, reached ? Texts(12) : std::vector<int32_t>{});
    std::vector<int32_t> walked;
    WalkIndex(book.book, book.book.IndexTable()[0].StartBlock(),
              [&](const WalkedEntry& e) { walked.push_back(e.textOffset); });
    EXPECT_EQ(walked, reached ? Texts(10) + Texts(12) : std::vector<int32_t>{}) << steps;
  }
}

using Rng = std::mt19937;

// Large unvoiced kana, katakana, kanji, Latin capitals and small letters, and a digit.
const uint16_t kAlphabet[] = {0x2422, 0x2424, 0x2426, 0x242B, 0x2522, 0x2524,
                              0x3021, 0x3022, 0x2341, 0x2342, 0x2361, 0x2331};
constexpr uint16_t kSpace = 0x2121, kMiddleDot = 0x2126;

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
    if (!Matches(e.key, raw, mode)) return;
    if (!hits.empty() && (text == 0 || text == hits.back().first)) return;
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
