#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "api/library.h"
#include "search_fixture.h"

namespace tomeshelf::testing {
namespace {

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

// The text offsets of blocks, as hits report them.
std::vector<int32_t> Texts(std::vector<uint32_t> blocks) {
  std::vector<int32_t> out;
  for (uint32_t b : blocks) out.push_back(Position{b, 0}.FileOffset());
  return out;
}
std::vector<int32_t> Texts(uint32_t from, uint32_t count) {
  std::vector<uint32_t> blocks;
  for (uint32_t i = 0; i < count; ++i) blocks.push_back(from + i);
  return Texts(blocks);
}

// A book with one index of the words; `damage` may change the pages before they are written.
Bytes BookWith(const std::vector<IndexWord>& words, IndexTableEntry entry = PlainIndex(kKanaIndex),
               IndexShape shape = {}, const std::function<void(BuiltIndex&)>& damage = {}) {
  TextFileBuilder text;
  IndexBuilder builder(shape);
  for (const auto& w : words) builder.Add(w);
  BuiltIndex index = builder.Build(text);
  if (damage) damage(index);
  WriteIndex(text, index, entry);
  return text.Build();
}

IndexShape Shape(LeafForm form, size_t leafEntries = 0, size_t fanout = 0) {
  return {form, false, leafEntries, fanout};
}

TEST(ChooseIndexTest, KindFollowsTheWordAndDirectionTheMode) {
  const struct {
    Bytes word;
    KeyMode mode;
    uint8_t code;
  } cases[] = {
      {Chars({0x2341, kA}), KeyMode::kExact, kAlphabetIndex},
      {Chars({0x2361}), KeyMode::kBackward, kAlphabetBackwardIndex},
      {Chars({0x2621}), KeyMode::kExact, kAlphabetIndex},
      {Chars({0x2771}), KeyMode::kExact, kAlphabetIndex},
      {Chars({0x2127}), KeyMode::kExact, kAlphabetIndex},
      {Chars({0x216D}), KeyMode::kExact, kAlphabetIndex},
      {Chars({0x2126, 0x2341}), KeyMode::kExact, kKanaIndex},
      {Chars({0x2330, kA}), KeyMode::kExact, kWrittenIndex},
      {Chars({0x2339}), KeyMode::kBackward, kWrittenBackwardIndex},
      {Chars({kA, 0x3021, kI}), KeyMode::kExact, kWrittenIndex},
      {Chars({kA, 0x7F21}), KeyMode::kBackward, kWrittenBackwardIndex},
      {Chars({0x2522, 0x2F21}), KeyMode::kBackward, kKanaBackwardIndex},
      {Bytes{}, KeyMode::kForward, kKanaIndex},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WantedIndexCode(c.word, c.mode), c.code) << ::testing::PrintToString(c.word);
  }
}

TEST(ChooseIndexTest, FirstOfTwoEntriesWithOneCodeIsUsed) {
  TextFileBuilder text;
  for (uint32_t block : {10, 20}) {
    IndexBuilder builder({});
    builder.Add(Word(Chars({kA}), block));
    WriteIndex(text, builder.Build(text), PlainIndex(kKanaIndex));
  }
  EXPECT_EQ(MemoryBook(text.Build()).Search(Chars({kA})).texts, Texts({10}));
}

TEST(SearchTest, WithoutIndexOrWordNothingIsFoundAndThePreparedWordStays) {
  TextFileBuilder rootless;
  rootless.AddIndexEntry(PlainIndex(kKanaIndex));  // root block zero
  MemoryBook noRoot(rootless.Build()), kana(BookWith({Word(Chars({kA}), 10)}));
  const struct {
    MemoryBook* book;
    Bytes word, left;
  } cases[] = {
      {&kana, Chars({0x2121, 0x2341, 0x2121, 0x2221, kStar}), Chars({0x2341, 0x2221})},
      {&noRoot, Chars({kA}), Chars({kA})},
      {&kana, Chars({kStar}), {}},
      {&kana, Chars({0x2121, 0x2121}), {}},
      {&kana, Chars({0x2221, kStar}), {}},
  };
  for (const auto& c : cases) {
    const auto r = c.book->Search(c.word);
    EXPECT_EQ(r.status, Status::kNotFound) << ::testing::PrintToString(c.word);
    EXPECT_TRUE(r.texts.empty());
    EXPECT_EQ(r.word, c.left);
  }
}

TEST(SearchTest, LoneProlongedSoundMarkIsSearchedAsItStands) {
  MemoryBook book(BookWith({Word(Chars({kProlongedSoundMark}), 10)}, {kKanaIndex, 0, 1, {}, 0}));
  EXPECT_EQ(book.Search(Chars({kProlongedSoundMark})).texts, Texts({10}));
}

TEST(SearchTest, ForwardMatchReadsLeafPagesInChunks) {
  auto words = ManyWords(kI, 400), before = ManyWords(kA, 50);
  for (auto& w : before) w.text.block += 5000;  // keep these apart from the kI words
  words.insert(words.end(), before.begin(), before.end());
  BuiltIndex built;
  MemoryBook book(BookWith(words, PlainIndex(kWrittenIndex), Shape(LeafForm::kVariable, 3, 4),
                           [&](BuiltIndex& b) { built = b; }));
  ASSERT_GE(built.levels.size(), 4u);
  const int64_t readsBefore = book.platform.readCalls;
  const auto r = book.Search(Chars({kI, kStar}));
  EXPECT_EQ(r.status, Status::kOk);
  EXPECT_EQ(r.texts, Texts(1000, 400));
  // One read per level down to the first leaf, then 32 leaf pages per read.
  EXPECT_LE(book.platform.readCalls - readsBefore, int64_t(built.levels.size()) + 400 / 3 / 32 + 2);
}

TEST(SearchTest, BackwardSearchHandsTheWordBackReversed) {
  IndexShape shape;
  shape.backward = true;
  MemoryBook book(BookWith({Word(Chars({kU, kI}), 11)}, PlainIndex(kKanaBackwardIndex), shape));
  const auto r = book.Search(Chars({kStar, kU, kI}));
  EXPECT_EQ(r.texts, Texts({11}));
  EXPECT_EQ(r.word, Chars({kI, kU}));
}

// ---- Damaged indexes and failing reads ----

TEST(DamagedIndexTest, ShortPageAtEndOfFileIsAnIoError) {
  Bytes honmon = BookWith({Word(Chars({kA}), 10)});
  honmon.resize(honmon.size() - 100);
  const auto r = MemoryBook(honmon).Search(Chars({kA}));
  EXPECT_EQ(r.status, Status::kIoError);
  EXPECT_TRUE(r.texts.empty());
}

TEST(DamagedIndexTest, EntryCountPastThePageReadsOnlyThePage) {
  for (LeafForm form : {LeafForm::kFixed, LeafForm::kVariable, LeafForm::kGroup}) {
    MemoryBook book(BookWith({Word(Chars({kA}), 10)}, PlainIndex(kKanaIndex), Shape(form),
                             [](BuiltIndex& b) { PutBe16(b.pages[b.root], 2, 0xFFFF); }));
    EXPECT_EQ(book.Search(Chars({kA, kStar})).texts, Texts({10})) << int(form);
  }
}

TEST(DamagedIndexTest, EntryLengthPastThePageEndsThePage) {
  // Forty entries of 13 + 36 bytes fill the first leaf page almost to its end.
  std::vector<IndexWord> words;
  for (uint16_t i = 0; i < 80; ++i) {
    Bytes key(36, 0x30);
    key[34] = uint8_t(0x30 + i / 40);
    key[35] = uint8_t(0x21 + i % 40);
    words.push_back(Word(key, 100 + i));
  }
  MemoryBook book(BookWith(words, PlainIndex(kWrittenIndex), Shape(LeafForm::kVariable, 40),
                           [](BuiltIndex& b) {
                             // The last entry's key would now run past the page.
                             b.pages[b.levels[0][0]][4 + 39 * (13 + 36)] = 0xFF;
                           }));
  const auto r = book.Search(Chars({0x3030, kStar}));
  EXPECT_EQ(r.status, Status::kOk);
  EXPECT_EQ(r.texts, Concat(Texts(100, 39), Texts(140, 40)));
}

TEST(DamagedIndexTest, UnknownGroupEntryTypeSkipsTheRestOfItsPage) {
  std::vector<IndexWord> words;
  for (uint32_t i = 0; i < 4; ++i) words.push_back(Word(Chars({kA}), 10 + i));
  MemoryBook book(BookWith(words, PlainIndex(kKanaIndex), Shape(LeafForm::kGroup, 2),
                           [](BuiltIndex& b) { b.pages[b.levels[0][0]][4] = 0x40; }));
  EXPECT_EQ(book.Search(Chars({kA})).texts, Texts({12, 13}));
}

TEST(DamagedIndexTest, ChildPointingBackUpEndsTheSearch) {
  // Every intermediate entry leads back to the root.
  auto loop = [](BuiltIndex& b) {
    for (size_t level = 1; level < b.levels.size(); ++level) {
      for (uint32_t block : b.levels[level]) {
        Bytes& page = b.pages[block];
        const size_t width = page[1], count = size_t(page[2] << 8 | page[3]);
        for (size_t i = 0; i < count; ++i) PutBe32(page, 4 + i * (width + 4) + width, b.root);
      }
    }
  };
  MemoryBook book(
      BookWith(ManyWords(kA, 16), PlainIndex(kWrittenIndex), Shape(LeafForm::kVariable, 2, 2), loop));
  const auto r = book.Search(Chars({kA, kStar}));
  EXPECT_EQ(r.status, Status::kDamaged);
  EXPECT_TRUE(r.texts.empty());
}

TEST(DamagedIndexTest, ShortChunkAtEndOfFileEndsTheScanAfterItsWholePages) {
  uint32_t cut = 0;
  Bytes honmon = BookWith(ManyWords(kA, 60), PlainIndex(kWrittenIndex),
                          Shape(LeafForm::kVariable, 1), [&](BuiltIndex& b) {
                            b.root = b.levels[0][0];  // search from the first leaf
                            cut = Offset(b.levels[0][40]) + 1000;
                          });
  honmon.resize(cut);  // 40 leaf pages and a half
  const auto r = MemoryBook(honmon).Search(Chars({kA, kStar}));
  EXPECT_EQ(r.status, Status::kOk);
  EXPECT_EQ(r.texts, Texts(1000, 40));
}

TEST(DamagedIndexTest, FailedChunkReadKeepsTheHitsTakenBefore) {
  MemoryBook book(
      BookWith(ManyWords(kA, 80), PlainIndex(kWrittenIndex), Shape(LeafForm::kVariable, 1)));
  book.platform.faults.failReadOnCall = book.platform.readCalls + 4;  // root, leaf, chunk 1, 2
  const auto r = book.Search(Chars({kA, kStar}));
  EXPECT_EQ(r.status, Status::kIoError);
  EXPECT_EQ(r.texts, Texts(1000, 33));
}

TEST(DamagedIndexTest, ChangedDiscFailsTheSearch) {
  MemoryBook book(BookWith({Word(Chars({kA}), 10)}));
  book.platform.pendingChanges = 1;
  const auto r = book.Search(Chars({kA}));
  EXPECT_EQ(r.status, Status::kIoError);
  EXPECT_TRUE(r.texts.empty());
  EXPECT_EQ(book.Search(Chars({kA})).status, Status::kOk);
}

// ---- Through the exported entry point ----

class WordPropertiesTest : public ::testing::Test {
 protected:
  void OpenBook(const Bytes& honmon) {
    platform_.files["\\disc\\catalogs"] = CatalogBytes({{0x00, "Book", "BOOK", {}}});
    platform_.files["\\disc\\BOOK\\data\\honmon"] = honmon;
    ASSERT_EQ(lib_.OpenEpwing("\\disc"), 1);
    ASSERT_EQ(lib_.epwBooksOpen(), 1);
  }
  MemoryPlatform platform_;
  Library lib_{platform_};
};

TEST_F(WordPropertiesTest, ReportsHitCountAndHeadingSize) {
  OpenBook(BookWith({Word(Chars({kA}), 10), Word(Chars({kA, kI}), 11)}));
  Bytes word = Concat(Chars({kA, kStar}), {0}), missing = Concat(Chars({kU}), {0});
  WordProperties props{-7, -7};
  EXPECT_EQ(lib_.epwGetWordProperties(word.data(), &props), 1);
  EXPECT_EQ(props.hitCount, 2);
  EXPECT_EQ(props.itemSize, 500);
  EXPECT_EQ(lib_.reading().currentHit, -1);
  props = {-7, -7};
  EXPECT_EQ(lib_.epwGetWordProperties(missing.data(), &props), -2);
  EXPECT_EQ(props.hitCount, -7);
}

TEST_F(WordPropertiesTest, WithoutBookTheWordIsUntouched) {
  Bytes word = Concat(Chars({0x2121, kA}), {0});
  const Bytes before = word;
  WordProperties props{};
  EXPECT_EQ(lib_.epwGetWordProperties(word.data(), &props), -1);
  EXPECT_EQ(word, before);
}

TEST_F(WordPropertiesTest, OddLengthWordStaysInsideItsBuffer) {
  OpenBook(BookWith({Word(Chars({kA}), 10)}));
  // Exactly the word's bytes, so the sanitizers see any step outside them.
  Bytes word{0x21, 0x21, 0x24, 0x22, 0x24, 0x00};
  WordProperties props{};
  EXPECT_EQ(lib_.epwGetWordProperties(word.data(), &props), 1);
  EXPECT_EQ(word, (Bytes{0x24, 0x22, 0x00, 0x22, 0x24, 0x00}));
}

}  // namespace
}  // namespace tomeshelf::testing
