#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/library.h"
#include "search/index_page.h"
#include "search_fixture.h"

namespace tomeshelf {
namespace {

using testing::BuiltIndex;
using testing::Bytes;
using testing::Chars;
using testing::IndexBuilder;
using testing::IndexGroup;
using testing::IndexShape;
using testing::IndexWord;
using testing::LeafForm;
using testing::MemoryBook;
using testing::PlainIndex;
using testing::Texts;
using testing::TextFileBuilder;
using testing::Word;
using testing::Concat;

constexpr uint16_t kA = 0x2422, kI = 0x2424, kU = 0x2426, kKa = 0x242B, kKi = 0x242D;
constexpr uint16_t kKatakanaA = 0x2522, kKatakanaI = 0x2524;
constexpr uint16_t kStar = 0x2176;

Bytes BookWith(const IndexShape& shape, const std::vector<IndexWord>& words, uint8_t code,
               BuiltIndex* built = nullptr) {
  TextFileBuilder text;
  IndexBuilder builder(shape);
  for (const auto& w : words) builder.Add(w);
  BuiltIndex index = builder.Build(text);
  testing::WriteIndex(text, index, PlainIndex(code));
  if (built) *built = index;
  return text.Build();
}

// Words k0 k1 ... of two characters each, every one a distinct kana pair, at blocks from 1000.
std::vector<IndexWord> ManyWords(uint16_t first, size_t count) {
  std::vector<IndexWord> out;
  for (size_t i = 0; i < count; ++i) {
    out.push_back(Word(Chars({first, static_cast<uint16_t>(0x3021 + i / 90 * 0x100 + i % 90)}),
                       1000 + static_cast<uint32_t>(i)));
  }
  return out;
}

std::vector<int32_t> BlockRange(uint32_t from, size_t count) {
  std::vector<int32_t> out;
  for (size_t i = 0; i < count; ++i) out.push_back(testing::Position{from + uint32_t(i), 0}.FileOffset());
  return out;
}

struct IndexChoice {
  Bytes word;
  KeyMode mode;
  uint8_t code;
};

TEST(ChooseIndexTest, KindFollowsTheWordAndDirectionTheMode) {
  const IndexChoice cases[] = {
      {Chars({0x2341, kA}), KeyMode::kExact, kAlphabetIndex},
      {Chars({0x237A}), KeyMode::kForward, kAlphabetIndex},
      {Chars({0x2361}), KeyMode::kBackward, kAlphabetBackwardIndex},
      {Chars({0x2621}), KeyMode::kExact, kAlphabetIndex},
      {Chars({0x2771}), KeyMode::kExact, kAlphabetIndex},
      {Chars({0x2127}), KeyMode::kExact, kAlphabetIndex},
      {Chars({0x216D}), KeyMode::kExact, kAlphabetIndex},
      {Chars({0x2126, 0x2341}), KeyMode::kExact, kKanaIndex},
      {Chars({0x2330, kA}), KeyMode::kExact, kWrittenIndex},
      {Chars({0x2339}), KeyMode::kBackward, kWrittenBackwardIndex},
      {Chars({kA, kI}), KeyMode::kExact, kKanaIndex},
      {Chars({kA, 0x3021, kI}), KeyMode::kExact, kWrittenIndex},
      {Chars({kA, 0x7F21}), KeyMode::kBackward, kWrittenBackwardIndex},
      {Chars({kKatakanaA, 0x2F21}), KeyMode::kBackward, kKanaBackwardIndex},
      {Bytes{}, KeyMode::kForward, kKanaIndex},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WantedIndexCode(c.word, c.mode), c.code) << ::testing::PrintToString(c.word);
  }
}

TEST(ChooseIndexTest, MissingKindFallsBackToWrittenFormOfTheSameDirection) {
  std::vector<IndexEntry> table(3);
  table[0].bytes[0] = kKanaIndex;
  table[1].bytes[0] = kWrittenBackwardIndex;
  table[2].bytes[0] = kWrittenIndex;
  EXPECT_EQ(ChooseIndex(Chars({0x2341}), KeyMode::kExact, table), &table[2]);
  EXPECT_EQ(ChooseIndex(Chars({0x2341}), KeyMode::kBackward, table), &table[1]);
  EXPECT_EQ(ChooseIndex(Chars({kA}), KeyMode::kForward, table), &table[0]);
  table.pop_back();
  EXPECT_EQ(ChooseIndex(Chars({0x2341}), KeyMode::kExact, table), nullptr);
}

TEST(ChooseIndexTest, FirstOfTwoEntriesWithOneCodeIsUsed) {
  TextFileBuilder text;
  IndexBuilder first(IndexShape{}), second(IndexShape{});
  first.Add(Word(Chars({kA}), 10));
  second.Add(Word(Chars({kA}), 20));
  testing::WriteIndex(text, first.Build(text), PlainIndex(kKanaIndex));
  testing::WriteIndex(text, second.Build(text), PlainIndex(kKanaIndex));
  MemoryBook book(text.Build());
  EXPECT_EQ(book.Search(Chars({kA})).texts, Texts({10}));
}

TEST(SearchTest, BookWithoutTheIndexKeepsThePreparedWord) {
  MemoryBook book(BookWith({}, {Word(Chars({kA}), 10)}, kKanaIndex));
  const auto r = book.Search(Chars({0x2121, 0x2341, 0x2121, 0x2221, kStar}));
  EXPECT_EQ(r.status, Status::kNotFound);
  EXPECT_EQ(r.word, Chars({0x2341, 0x2221}));
}

TEST(SearchTest, IndexWithRootBlockZeroIsNotFound) {
  TextFileBuilder text;
  text.AddIndexEntry(PlainIndex(kKanaIndex));
  MemoryBook book(text.Build());
  EXPECT_EQ(book.Search(Chars({kA})).status, Status::kNotFound);
}

TEST(SearchTest, WordThatPreparationEmptiesIsNotFound) {
  MemoryBook book(BookWith({}, {Word(Chars({kA}), 10)}, kKanaIndex));
  for (const Bytes& word : {Chars({kStar}), Chars({0x2121, 0x2121}), Chars({0x2221, kStar})}) {
    const auto r = book.Search(word);
    EXPECT_EQ(r.status, Status::kNotFound);
    EXPECT_TRUE(r.word.empty());
    EXPECT_EQ(book.book.Hits().Count(), 0);
  }
}

TEST(SearchTest, ExactMatchTakesOnlyEqualKeys) {
  MemoryBook book(BookWith({}, {Word(Chars({kA}), 10), Word(Chars({kA, kI}), 11),
                                Word(Chars({kA, kI, kU}), 12), Word(Chars({kI}), 13)},
                           kKanaIndex));
  EXPECT_EQ(book.Search(Chars({kA, kI})).texts, Texts({11}));
  const auto none = book.Search(Chars({kA, kU}));
  EXPECT_EQ(none.status, Status::kNotFound);
  EXPECT_TRUE(none.texts.empty());
}

TEST(SearchTest, ForwardMatchTakesKeysThatBeginWithTheWord) {
  MemoryBook book(BookWith({}, {Word(Chars({kA}), 10), Word(Chars({kA, kI}), 11),
                                Word(Chars({kA, kI, kU}), 12), Word(Chars({kI}), 13)},
                           kKanaIndex));
  EXPECT_EQ(book.Search(Chars({kA, kI, kStar})).texts, Texts({11, 12}));
  EXPECT_EQ(book.Search(Chars({kA, kStar})).texts, Texts({10, 11, 12}));
}

TEST(SearchTest, BackwardMatchTakesKeysThatEndWithTheWord) {
  IndexShape shape;
  shape.backward = true;
  MemoryBook book(BookWith(shape, {Word(Chars({kA, kI}), 10), Word(Chars({kU, kI}), 11),
                                   Word(Chars({kI, kA}), 12), Word(Chars({kI}), 13)},
                           kKanaBackwardIndex));
  const auto r = book.Search(Chars({kStar, kI}));
  EXPECT_EQ(r.status, Status::kOk);
  EXPECT_EQ(r.texts, Texts({13, 10, 11}));
  const auto two = book.Search(Chars({kStar, kU, kI}));
  EXPECT_EQ(two.texts, Texts({11}));
  EXPECT_EQ(two.word, Chars({kI, kU}));  // handed back reversed
}

TEST(SearchTest, ForwardMatchSpansLeafChunks) {
  IndexShape shape;
  shape.leafEntriesPerPage = 3;
  shape.fanout = 4;
  BuiltIndex built;
  auto words = ManyWords(kI, 400);
  auto before = ManyWords(kA, 50);
  words.insert(words.end(), before.begin(), before.end());
  for (auto& w : before) w.text.block += 5000;  // keep these apart from the kI words
  MemoryBook book(BookWith(shape, words, kWrittenIndex, &built));
  ASSERT_GT(built.levels[0].size(), 3 * 32u);
  ASSERT_GE(built.levels.size(), 4u);

  const int64_t readsBefore = book.platform.readCalls;
  const auto r = book.Search(Chars({kI, kStar}));
  EXPECT_EQ(r.status, Status::kOk);
  EXPECT_EQ(r.texts, BlockRange(1000, 400));
  // One read per level down to the first leaf, then 32 leaf pages per read.
  const int64_t leafPages = 400 / 3 + 1;
  EXPECT_LE(book.platform.readCalls - readsBefore,
            static_cast<int64_t>(built.levels.size()) + leafPages / 32 + 2);
}

TEST(SearchTest, FixedFormKeysEndAtTheirPadding) {
  IndexShape shape;
  shape.form = LeafForm::kFixed;
  shape.fixedWidth = 12;
  MemoryBook book(BookWith(shape, {Word(Chars({kA}), 10), Word(Chars({kA, kI}), 11),
                                   Word(Chars({kI}), 12)},
                           kKanaIndex));
  EXPECT_EQ(book.Search(Chars({kA})).texts, Texts({10}));
  EXPECT_EQ(book.Search(Chars({kA, kStar})).texts, Texts({10, 11}));
}

TEST(SearchTest, GroupMembersMatchByTheirOwnKeys) {
  IndexShape shape;
  shape.form = LeafForm::kGroup;
  TextFileBuilder text;
  IndexBuilder builder(shape);
  // Katakana filed as hiragana: the head holds the normalised key, members the raw ones.
  builder.AddGroup(IndexGroup{Chars({kA, kI}), {Word(Chars({kKatakanaA, kKatakanaI}), 10),
                                                Word(Chars({kA, kI}), 11),
                                                Word(Chars({kKatakanaA, kKatakanaI}), 12)}});
  builder.AddGroup(IndexGroup{Chars({kA, kI, kU}), {Word(Chars({kKatakanaA, kKatakanaI}), 13)}});
  builder.Add(Word(Chars({kA, kI}), 14));
  testing::WriteIndex(text, builder.Build(text),
                      testing::IndexTableEntry{kKanaIndex, 0, 1, {}, 0});
  MemoryBook book(text.Build());

  EXPECT_EQ(book.Search(Chars({kKatakanaA, kKatakanaI})).texts, Texts({10, 12}));
  EXPECT_EQ(book.Search(Chars({kA, kI})).texts, Texts({14, 11}));
  EXPECT_EQ(book.Search(Chars({kKatakanaA, kStar})).texts, Texts({10, 12, 13}));
}

TEST(SearchTest, RepeatedTextPositionGivesOneHit) {
  MemoryBook book(BookWith({}, {Word(Chars({kA}), 10), Word(Chars({kA}), 10),
                                Word(Chars({kA}), 11), Word(Chars({kA}), 10)},
                           kKanaIndex));
  EXPECT_EQ(book.Search(Chars({kA})).texts, Texts({10, 11, 10}));
}

TEST(SearchTest, KeyAfterEveryKeyIsNotFound) {
  IndexShape shape;
  shape.leafEntriesPerPage = 2;
  shape.fanout = 2;
  MemoryBook book(BookWith(shape, ManyWords(kA, 20), kWrittenIndex));
  const auto r = book.Search(Chars({kKi}));
  EXPECT_EQ(r.status, Status::kNotFound);
  EXPECT_TRUE(r.texts.empty());
}

TEST(SearchTest, LoneProlongedSoundMarkIsSearchedAsItStands) {
  TextFileBuilder text;
  IndexBuilder builder(IndexShape{});
  builder.Add(Word(Chars({kProlongedSoundMark}), 10));
  testing::WriteIndex(text, builder.Build(text), testing::IndexTableEntry{kKanaIndex, 0, 1, {}, 0});
  MemoryBook book(text.Build());
  EXPECT_EQ(book.Search(Chars({kProlongedSoundMark})).texts, Texts({10}));
}

TEST(SearchTest, EveryNewSearchEmptiesTheHitList) {
  MemoryBook book(BookWith({}, {Word(Chars({kA}), 10)}, kKanaIndex));
  EXPECT_EQ(book.Search(Chars({kA})).texts.size(), 1u);
  EXPECT_EQ(book.Search(Chars({kI})).status, Status::kNotFound);
  EXPECT_EQ(book.book.Hits().Count(), 0);
}

// ---- Damaged indexes and failing reads ----

TEST(DamagedIndexTest, ShortPageAtEndOfFileIsAnIoError) {
  Bytes honmon = BookWith({}, {Word(Chars({kA}), 10)}, kKanaIndex);
  honmon.resize(honmon.size() - 100);
  MemoryBook book(honmon);
  const auto r = book.Search(Chars({kA}));
  EXPECT_EQ(r.status, Status::kIoError);
  EXPECT_TRUE(r.texts.empty());
}

TEST(DamagedIndexTest, EntryCountPastThePageReadsOnlyThePage) {
  for (LeafForm form : {LeafForm::kFixed, LeafForm::kVariable, LeafForm::kGroup}) {
    IndexShape shape;
    shape.form = form;
    TextFileBuilder text;
    IndexBuilder builder(shape);
    builder.Add(Word(Chars({kA}), 10));
    BuiltIndex built = builder.Build(text);
    testing::PutBe16(built.pages[built.root], 2, 0xFFFF);
    testing::WriteIndex(text, built, PlainIndex(kKanaIndex));
    MemoryBook book(text.Build());
    EXPECT_EQ(book.Search(Chars({kA, kStar})).texts, Texts({10}));
  }
}

TEST(DamagedIndexTest, EntryLengthPastThePageEndsThePage) {
  IndexShape shape;
  shape.leafEntriesPerPage = 40;
  TextFileBuilder text;
  IndexBuilder builder(shape);
  // Forty entries of 13 + 36 bytes fill the first leaf page almost to its end.
  std::vector<IndexWord> words;
  for (uint16_t i = 0; i < 80; ++i) {
    Bytes key(36, 0x30);
    key[34] = static_cast<uint8_t>(0x30 + i / 40);
    key[35] = static_cast<uint8_t>(0x21 + i % 40);
    builder.Add(Word(key, 100 + i));
  }
  BuiltIndex built = builder.Build(text);
  Bytes& page = built.pages[built.levels[0][0]];
  const size_t lastEntry = 4 + 39 * (13 + 36);
  page[lastEntry] = 0xFF;  // its key would now run past the page
  testing::WriteIndex(text, built, PlainIndex(kWrittenIndex));
  MemoryBook book(text.Build());
  const auto r = book.Search(Chars({0x3030, kStar}));
  EXPECT_EQ(r.status, Status::kOk);
  std::vector<int32_t> expected = BlockRange(100, 39);
  const auto second = BlockRange(140, 40);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(r.texts, expected);
}

TEST(DamagedIndexTest, UnknownGroupEntryTypeSkipsTheRestOfItsPage) {
  IndexShape shape;
  shape.form = LeafForm::kGroup;
  shape.leafEntriesPerPage = 2;
  TextFileBuilder text;
  IndexBuilder builder(shape);
  for (uint32_t i = 0; i < 4; ++i) builder.Add(Word(Chars({kA}), 10 + i));
  BuiltIndex built = builder.Build(text);
  built.pages[built.levels[0][0]][4] = 0x40;
  testing::WriteIndex(text, built, PlainIndex(kKanaIndex));
  MemoryBook book(text.Build());
  EXPECT_EQ(book.Search(Chars({kA})).texts, Texts({12, 13}));
}

TEST(DamagedIndexTest, ChildPointingBackUpEndsTheSearch) {
  IndexShape shape;
  shape.leafEntriesPerPage = 2;
  shape.fanout = 2;
  TextFileBuilder text;
  IndexBuilder builder(shape);
  for (const auto& w : ManyWords(kA, 16)) builder.Add(w);
  BuiltIndex built = builder.Build(text);
  // Every intermediate entry leads back to the root.
  for (size_t level = 1; level < built.levels.size(); ++level) {
    for (uint32_t block : built.levels[level]) {
      Bytes& page = built.pages[block];
      const size_t width = page[1];
      const size_t count = static_cast<size_t>(page[2] << 8 | page[3]);
      for (size_t i = 0; i < count; ++i) testing::PutBe32(page, 4 + i * (width + 4) + width, built.root);
    }
  }
  testing::WriteIndex(text, built, PlainIndex(kWrittenIndex));
  MemoryBook book(text.Build());
  const auto r = book.Search(Chars({kA, kStar}));
  EXPECT_EQ(r.status, Status::kDamaged);
  EXPECT_TRUE(r.texts.empty());
}

TEST(DamagedIndexTest, ShortChunkAtEndOfFileEndsTheScanAfterItsWholePages) {
  IndexShape shape;
  shape.leafEntriesPerPage = 1;
  TextFileBuilder text;
  IndexBuilder builder(shape);
  for (const auto& w : ManyWords(kA, 60)) builder.Add(w);
  BuiltIndex built = builder.Build(text);
  testing::WriteIndex(text, built, PlainIndex(kWrittenIndex));
  // Search from the first leaf, and end the file 40 leaf pages and a half in.
  text.IndexEntries().back().startBlock = built.levels[0][0];
  Bytes honmon = text.Build();
  honmon.resize(testing::Offset(built.levels[0][40]) + 1000);
  MemoryBook book(honmon);
  const auto r = book.Search(Chars({kA, kStar}));
  EXPECT_EQ(r.status, Status::kOk);
  EXPECT_EQ(r.texts, BlockRange(1000, 40));
}

TEST(DamagedIndexTest, FailedChunkReadKeepsTheHitsTakenBefore) {
  IndexShape shape;
  shape.leafEntriesPerPage = 1;
  MemoryBook book(BookWith(shape, ManyWords(kA, 80), kWrittenIndex));
  book.platform.faults.failReadOnCall = book.platform.readCalls + 4;  // root, leaf, chunk 1, chunk 2
  const auto r = book.Search(Chars({kA, kStar}));
  EXPECT_EQ(r.status, Status::kIoError);
  EXPECT_EQ(r.texts, BlockRange(1000, 33));
}

TEST(DamagedIndexTest, ChangedDiscFailsTheSearch) {
  MemoryBook book(BookWith({}, {Word(Chars({kA}), 10)}, kKanaIndex));
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
    testing::CatalogEntry entry{0x00, "Book", "BOOK", {}};
    platform_.files["\\disc\\catalogs"] = testing::CatalogBytes({entry});
    platform_.files["\\disc\\BOOK\\data\\honmon"] = honmon;
    ASSERT_EQ(lib_.OpenEpwing("\\disc"), 1);
    ASSERT_EQ(lib_.epwBooksOpen(), 1);
  }
  testing::MemoryPlatform platform_;
  Library lib_{platform_};
};

TEST_F(WordPropertiesTest, ReportsHitCountAndHeadingSize) {
  OpenBook(BookWith({}, {Word(Chars({kA}), 10), Word(Chars({kA, kI}), 11)}, kKanaIndex));
  Bytes word = Concat(Chars({kA, kStar}), {0});
  WordProperties props{-7, -7};
  EXPECT_EQ(lib_.epwGetWordProperties(word.data(), &props), 1);
  EXPECT_EQ(props.hitCount, 2);
  EXPECT_EQ(props.itemSize, 500);
  EXPECT_EQ(lib_.reading().currentHit, -1);

  Bytes missing = Concat(Chars({kU}), {0});
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
  OpenBook(BookWith({}, {Word(Chars({kA}), 10)}, kKanaIndex));
  // Exactly the word's bytes, so the sanitizers see any step outside them.
  std::vector<uint8_t> word{0x21, 0x21, 0x24, 0x22, 0x24, 0x00};
  WordProperties props{};
  EXPECT_EQ(lib_.epwGetWordProperties(word.data(), &props), 1);
  EXPECT_EQ(word, (std::vector<uint8_t>{0x24, 0x22, 0x00, 0x22, 0x24, 0x00}));
}

}  // namespace
}  // namespace tomeshelf
