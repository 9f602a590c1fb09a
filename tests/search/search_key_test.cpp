#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "search/search_key.h"
#include "search_fixture.h"

namespace tomeshelf::testing {
namespace {

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
      {"katakana long vowel", EntryWith(kConvertAll), Chars({0x2555, 0x2521, 0x213C, 0x2539, 0x2548}),
       Chars({0x2455, 0x2422, 0x2422, 0x2439, 0x2448})},
      {"long vowel kept voiced", EntryWith(Only({3})), Chars({0x2447, 0x213C, 0x2449, 0x213C}),
       Chars({0x2447, 0x2428, 0x2449, 0x242A})},
      {"long vowel then unvoiced", EntryWith(Only({3, 7})), Chars({0x2447, 0x213C, 0x2449, 0x213C}),
       Chars({0x2446, 0x2428, 0x2448, 0x242A})},
      {"repeated long vowels", EntryWith(kConvertAll), Chars({0x2442, 0x213C, 0x213C}),
       Chars({0x2441, 0x2424, 0x2424})},
      {"leading long vowels when kept", EntryWith(kLeaveAll), Chars({0x213C, 0x213C, 0x2422, 0x213C}),
       Chars({0x2422, 0x213C})},
      {"leading long vowels when removed", EntryWith(Only({3}, 2)),
       Chars({0x213C, 0x213C, 0x2422, 0x213C, 0x213C, 0x2424}), Chars({0x2422, 0x2424})},
      {"lone long vowel", EntryWith(Only({3})), Chars({0x2422, 0x213C}), Chars({0x2422, 0x2422})},
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
      {"marks kept", EntryWith(kLeaveAll), Chars({0x2147, 0x215D, 0x2126, 0x2133, 0x213A, 0x213B}),
       Chars({0x2147, 0x215D, 0x2126, 0x2133, 0x213A})},
      {"small kana", EntryWith(Only({4, 5, 6})),
       Chars({0x2443, 0x2563, 0x2465, 0x2567, 0x2421, 0x2529, 0x246E}),
       Chars({0x2444, 0x2564, 0x2466, 0x2568, 0x2422, 0x252A, 0x246F})},
      {"voiced and semi-voiced", EntryWith(Only({7, 8})),
       Chars({0x242C, 0x255C, 0x2451, 0x255D, 0x2452}),
       Chars({0x242B, 0x255B, 0x244F, 0x255B, 0x2452})},
      {"symbol rows", EntryWith(kLeaveAll), Chars({0x2221, 0x2821, 0x2F7E, 0x2176, 0x2330, 0x3021}),
       Chars({0x2330, 0x3021})},
      {"bytes outside JIS", EntryWith(kConvertAll), Chars({0x0125, 0x8025, 0x2574}),
       Chars({0x0125, 0x8025, 0x2426})},
  };
  for (const auto& c : cases) {
    Key key = c.input;
    NormaliseKey(key, c.entry);
    EXPECT_EQ(key, c.expected) << c.name;
  }
}

TEST(ResolveLongVowelsTest, MarkTakesTheVowelOfThePrecedingCell) {
  const std::pair<uint16_t, uint16_t> cases[] = {  // the cell before, what the mark becomes
      {0x2421, 0x2421}, {0x242A, 0x242A}, {0x242B, 0x2422}, {0x2434, 0x242A}, {0x2435, 0x2422},
      {0x243E, 0x242A}, {0x2442, 0x2424}, {0x2443, 0x2426}, {0x2446, 0x2428}, {0x2449, 0x242A},
      {0x244A, 0x2422}, {0x244E, 0x242A}, {0x244F, 0x2422}, {0x2452, 0x2424}, {0x245D, 0x242A},
      {0x245E, 0x2422}, {0x2462, 0x242A}, {0x2463, 0x2421}, {0x2464, 0x2422}, {0x2465, 0x2425},
      {0x2466, 0x2426}, {0x2467, 0x2429}, {0x2468, 0x242A}, {0x2469, 0x2422}, {0x246D, 0x242A},
      {0x246E, 0x2421}, {0x246F, 0x2422}, {0x2470, 0x2424}, {0x2471, 0x2428}, {0x2472, 0x242A},
      {0x2473, 0x2473}, {0x2574, 0x2526}, {0x2575, 0x2521}, {0x2576, 0x2527}, {0x3021, 0x3021},
      {0x2341, 0x2324},
  };
  for (const auto& [before, mark] : cases) {
    Key key = Chars({before, kProlongedSoundMark});
    ResolveLongVowels(key, 0);
    EXPECT_EQ(key, Chars({before, mark})) << std::hex << before;
  }
}

TEST(StripRawKeyTest, KeepsOnlyCharactersThatIndexWordsHold) {
  Key key = Chars({0x2133, 0x213B, 0x213C, 0x2132, 0x213D, 0x2126, 0x2147, 0x215D, 0x2176,
                   0x2221, 0x2330, 0x2422, 0x2522, 0x2621, 0x2721, 0x2821, 0x2F21, 0x3021,
                   0x7F21, 0x8021, 0x0121});
  StripRawKey(key);
  EXPECT_EQ(key, Chars({0x2133, 0x213B, 0x213C, 0x2330, 0x2422, 0x2522, 0x2621, 0x2721, 0x3021,
                        0x7F21}));
}

TEST(TakeKeyModeTest, AsteriskChoosesTheMode) {
  const struct {
    Bytes word;
    KeyMode mode;
    Bytes left;
  } cases[] = {
      {Chars({0x2422}), KeyMode::kExact, Chars({0x2422})},
      {Chars({0x2176, 0x2422}), KeyMode::kBackward, Chars({0x2422})},
      {Chars({0x2422, 0x2176}), KeyMode::kForward, Chars({0x2422})},
      {Chars({0x2422, 0x2176, 0x2424}), KeyMode::kExact, Chars({0x2422, 0x2176, 0x2424})},
      {Chars({0x2422, 0x2176, 0x2424, 0x2176}), KeyMode::kExact,
       Chars({0x2422, 0x2176, 0x2424, 0x2176})},
      {Chars({0x2176, 0x2422, 0x2176}), KeyMode::kBackward, Chars({0x2422, 0x2176})},
      {Chars({0x2176}), KeyMode::kBackward, Bytes{}},
      // The bytes 0x21 0x76 across two kanji are no asterisk.
      {Chars({0x3021, 0x7630, 0x2176}), KeyMode::kForward, Chars({0x3021, 0x7630})},
  };
  for (const auto& c : cases) {
    Key key = c.word;
    EXPECT_EQ(TakeKeyMode(key), c.mode) << ::testing::PrintToString(c.word);
    EXPECT_EQ(key, c.left) << ::testing::PrintToString(c.word);
  }
}

}  // namespace
}  // namespace tomeshelf::testing
