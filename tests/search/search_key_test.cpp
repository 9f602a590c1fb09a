#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "search/search_key.h"
#include "search_fixture.h"

namespace tomeshelf {
namespace {

using testing::Bytes;
using testing::Chars;
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
Settings Only(size_t which, uint8_t value) {
  Settings s = kLeaveAll;
  s[which] = value;
  return s;
}
Settings With(Settings s, size_t which, uint8_t value) {
  s[which] = value;
  return s;
}

struct NormaliseCase {
  std::string name;
  IndexEntry entry;
  Bytes input;
  Bytes expected;
};

class NormaliseKeyTest : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(NormaliseKeyTest, ConvertsAsTheIndexFiles) {
  Key key = GetParam().input;
  NormaliseKey(key, GetParam().entry);
  EXPECT_EQ(key, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, NormaliseKeyTest,
    ::testing::Values(
        NormaliseCase{"KatakanaLongVowelBecomesSmallThenLargeVowel", EntryWith(kConvertAll),
                      Chars({0x2555, 0x2521, 0x213C, 0x2539, 0x2548}),
                      Chars({0x2455, 0x2422, 0x2422, 0x2439, 0x2448})},
        NormaliseCase{"LongVowelAfterVoicedKanaKeptVoiced", EntryWith(Only(3, 0)),
                      Chars({0x2447, 0x213C, 0x2449, 0x213C}),
                      Chars({0x2447, 0x2428, 0x2449, 0x242A})},
        NormaliseCase{"LongVowelThenUnvoiced", EntryWith(With(Only(3, 0), 7, 0)),
                      Chars({0x2447, 0x213C, 0x2449, 0x213C}),
                      Chars({0x2446, 0x2428, 0x2448, 0x242A})},
        NormaliseCase{"RepeatedLongVowelsTakeTheSameVowel", EntryWith(kConvertAll),
                      Chars({0x2442, 0x213C, 0x213C}), Chars({0x2441, 0x2424, 0x2424})},
        NormaliseCase{"LeadingLongVowelsGoEvenWhenKept", EntryWith(kLeaveAll),
                      Chars({0x213C, 0x213C, 0x2422, 0x213C}), Chars({0x2422, 0x213C})},
        NormaliseCase{"LeadingLongVowelsGoWhenRemoved", EntryWith(Only(3, 2)),
                      Chars({0x213C, 0x213C, 0x2422, 0x213C, 0x213C, 0x2424}),
                      Chars({0x2422, 0x2424})},
        NormaliseCase{"LoneLongVowelLeftAlone", EntryWith(Only(3, 0)), Chars({0x2422, 0x213C}),
                      Chars({0x2422, 0x2422})},
        NormaliseCase{"SwitchMakesEverySettingZero", EntryWith(Settings{3, 3, 3, 3}, 1),
                      Chars({0x2522, 0x2361}), Chars({0x2422, 0x2341})},
        NormaliseCase{"ExtentThreeDropsSymbolsOnly", EntryWith(kConvertAll, 0, 3),
                      Chars({0x2522, 0x2176, 0x2361, 0x213C}), Chars({0x2522, 0x2361, 0x213C})},
        NormaliseCase{"SettingOutOfRangeLeavesWordWhole", EntryWith(Only(0, 2)),
                      Chars({0x2522, 0x2176}), Chars({0x2522, 0x2176})},
        NormaliseCase{"LongVowelSettingThreeLeavesWordWhole", EntryWith(Only(3, 3)),
                      Chars({0x213C, 0x2522, 0x2176}), Chars({0x213C, 0x2522, 0x2176})},
        NormaliseCase{"UnusedSettingOutOfRangeLeavesWordWhole", EntryWith(Only(11, 2)),
                      Chars({0x2221}), Chars({0x2221})},
        NormaliseCase{"KatakanaWithoutHiraganaMapped", EntryWith(Only(0, 0)),
                      Chars({0x2574, 0x2575, 0x2576, 0x2577}),
                      Chars({0x2426, 0x242B, 0x2431, 0x2577})},
        NormaliseCase{"SmallLatinUpperCased", EntryWith(Only(1, 0)),
                      Chars({0x2361, 0x237A, 0x2360, 0x237B}),
                      Chars({0x2341, 0x235A, 0x2360, 0x237B})},
        NormaliseCase{"MarksDropped", EntryWith(Only(2, 0)),
                      Chars({0x2147, 0x2422, 0x215D, 0x2126}), Chars({0x2422})},
        NormaliseCase{"MarksSurviveSymbolRemovalWhenKept", EntryWith(kLeaveAll),
                      Chars({0x2147, 0x215D, 0x2126, 0x2133, 0x213A, 0x213B}),
                      Chars({0x2147, 0x215D, 0x2126, 0x2133, 0x213A})},
        NormaliseCase{"SmallKanaEnlarged", EntryWith(With(With(Only(4, 0), 5, 0), 6, 0)),
                      Chars({0x2443, 0x2563, 0x2465, 0x2567, 0x2421, 0x2529, 0x246E}),
                      Chars({0x2444, 0x2564, 0x2466, 0x2568, 0x2422, 0x252A, 0x246F})},
        NormaliseCase{"VoicedAndSemiVoicedUnvoiced", EntryWith(With(Only(7, 0), 8, 0)),
                      Chars({0x242C, 0x255C, 0x2451, 0x255D, 0x2452}),
                      Chars({0x242B, 0x255B, 0x244F, 0x255B, 0x2452})},
        NormaliseCase{"SymbolRowsDropped", EntryWith(kLeaveAll),
                      Chars({0x2221, 0x2821, 0x2F7E, 0x2176, 0x2330, 0x3021}),
                      Chars({0x2330, 0x3021})},
        NormaliseCase{"BytesOutsideJisUntouched", EntryWith(kConvertAll),
                      Chars({0x0125, 0x8025, 0x2574}), Chars({0x0125, 0x8025, 0x2426})}),
    [](const auto& p) { return p.param.name; });

struct VowelCase {
  uint16_t before;
  uint16_t mark;  // what the prolonged sound mark after it becomes
};

TEST(ResolveLongVowelsTest, MarkTakesTheVowelOfThePrecedingCell) {
  const VowelCase cases[] = {
      {0x2421, 0x2421}, {0x242A, 0x242A}, {0x242B, 0x2422}, {0x2434, 0x242A}, {0x2435, 0x2422},
      {0x243E, 0x242A}, {0x2442, 0x2424}, {0x2443, 0x2426}, {0x2446, 0x2428}, {0x2449, 0x242A},
      {0x244A, 0x2422}, {0x244E, 0x242A}, {0x244F, 0x2422}, {0x2452, 0x2424}, {0x245D, 0x242A},
      {0x245E, 0x2422}, {0x2462, 0x242A}, {0x2463, 0x2421}, {0x2464, 0x2422}, {0x2465, 0x2425},
      {0x2466, 0x2426}, {0x2467, 0x2429}, {0x2468, 0x242A}, {0x2469, 0x2422}, {0x246D, 0x242A},
      {0x246E, 0x2421}, {0x246F, 0x2422}, {0x2470, 0x2424}, {0x2471, 0x2428}, {0x2472, 0x242A},
      {0x2473, 0x2473}, {0x2574, 0x2526}, {0x2575, 0x2521}, {0x2576, 0x2527}, {0x3021, 0x3021},
      {0x2341, 0x2324},
  };
  for (const auto& c : cases) {
    Key key = Chars({c.before, kProlongedSoundMark});
    ResolveLongVowels(key, 0);
    EXPECT_EQ(key, Chars({c.before, c.mark})) << std::hex << c.before;
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

struct ModeCase {
  std::string name;
  Bytes word;
  KeyMode mode;
  Bytes left;
};

class TakeKeyModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(TakeKeyModeTest, AsteriskChoosesTheMode) {
  Key key = GetParam().word;
  EXPECT_EQ(TakeKeyMode(key), GetParam().mode);
  EXPECT_EQ(key, GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TakeKeyModeTest,
    ::testing::Values(
        ModeCase{"None", Chars({0x2422}), KeyMode::kExact, Chars({0x2422})},
        ModeCase{"Leading", Chars({0x2176, 0x2422}), KeyMode::kBackward, Chars({0x2422})},
        ModeCase{"Trailing", Chars({0x2422, 0x2176}), KeyMode::kForward, Chars({0x2422})},
        ModeCase{"Inside", Chars({0x2422, 0x2176, 0x2424}), KeyMode::kExact,
                 Chars({0x2422, 0x2176, 0x2424})},
        ModeCase{"InsideBeforeTrailing", Chars({0x2422, 0x2176, 0x2424, 0x2176}),
                 KeyMode::kExact, Chars({0x2422, 0x2176, 0x2424, 0x2176})},
        ModeCase{"BothEnds", Chars({0x2176, 0x2422, 0x2176}), KeyMode::kBackward,
                 Chars({0x2422, 0x2176})},
        ModeCase{"Alone", Chars({0x2176}), KeyMode::kBackward, Bytes{}},
        // The bytes 0x21 0x76 across two kanji are no asterisk.
        ModeCase{"StraddlingBytesIgnored", Chars({0x3021, 0x7630, 0x2176}), KeyMode::kForward,
                 Chars({0x3021, 0x7630})}),
    [](const auto& p) { return p.param.name; });

TEST(SearchKeyTest, IdeographicSpacesRemovedAnywhere) {
  Key key = Chars({0x2121, 0x2422, 0x2121, 0x2121, 0x2424, 0x2121});
  RemoveIdeographicSpaces(key);
  EXPECT_EQ(key, Chars({0x2422, 0x2424}));
}

TEST(SearchKeyTest, ReverseKeepsEachCharacterWhole) {
  Key key = Chars({0x2422, 0x2424, 0x2426});
  ReverseKey(key);
  EXPECT_EQ(key, Chars({0x2426, 0x2424, 0x2422}));
}

TEST(SearchKeyTest, WordOfOddLengthLosesItsDanglingByte) {
  const Bytes word{0x24, 0x22, 0x24, 0x00};
  EXPECT_EQ(CopyInWord(word.data()), Chars({0x2422}));
}

}  // namespace
}  // namespace tomeshelf
