#include "jis_text.h"

#include <gtest/gtest.h>

namespace tomeshelf::cli {
namespace {

TEST(JisTextTest, TypedWordsBecomeFullWidthJis) {
  struct Case {
    const char* utf8;
    std::vector<uint8_t> jis;
  };
  const Case cases[] = {
      {"あい", {0x24, 0x22, 0x24, 0x24}},
      {"アイ", {0x25, 0x22, 0x25, 0x24}},
      {"ab", {0x23, 0x61, 0x23, 0x62}},
      {"A1", {0x23, 0x41, 0x23, 0x31}},
      {"*", {0x21, 0x76}},
      {"辞書", {0x3C, 0x2D, 0x3D, 0x71}},
  };
  for (const auto& c : cases) {
    auto got = Utf8ToJis(c.utf8);
    ASSERT_TRUE(got.has_value()) << c.utf8;
    EXPECT_EQ(*got, c.jis) << c.utf8;
  }
  EXPECT_FALSE(Utf8ToJis("\xF0\x9F\x98\x80").has_value());  // an emoji has no JIS form
}

TEST(JisTextTest, RendersCharactersBreaksGaijiAndLinks) {
  const std::vector<uint8_t> text = {
      0x1F, 0x41, 0x01, 0x00,              // article start
      0x24, 0x22,                          // あ
      0x1F, 0x0A,                          // line break
      0xA1, 0x21,                          // gaiji
      0x1F, 0x42, 0x24, 0x24, 0x1F, 0x62,  // link: い -> 12:34
      0x00, 0x00, 0x00, 0x12, 0x00, 0x34,
  };
  EXPECT_EQ(RenderText(text), "あ\n{A121}[い](12:34)");
  EXPECT_EQ(RenderText(text, RenderOptions{false}), "あ\n{A121}い");
}

TEST(JisTextTest, HalfWidthRunsShowLatinAsAsciiAndTextEndStops) {
  const std::vector<uint8_t> text = {
      0x23, 0x41,                                      // Ａ outside a half-width run
      0x1F, 0x04, 0x23, 0x41, 0x21, 0x21, 0x23, 0x31,  // "A 1" inside one
      0x1F, 0x05, 0x23, 0x42,                          // Ｂ after it
      0x1F, 0x03, 0x24, 0x22,                          // text end, then another article's text
  };
  EXPECT_EQ(RenderText(text), "ＡA 1Ｂ");
}

TEST(JisTextTest, TruncatedSequenceEndsTheText) {
  const std::vector<uint8_t> text = {0x24, 0x22, 0x1F, 0x62, 0x00, 0x00};
  EXPECT_EQ(RenderText(text), "あ");
}

TEST(JisTextTest, TitlesInJisOrAscii) {
  char jis[81] = "\x3C\x2D\x3D\x71";
  EXPECT_EQ(RenderTitle(jis), "辞書");
  char ascii[81] = "Sample Book";
  EXPECT_EQ(RenderTitle(ascii), "Sample Book");
}

}  // namespace
}  // namespace tomeshelf::cli
