#include <gtest/gtest.h>

#include <random>

#include "present/document.h"
#include "present/media.h"
#include "present/spelling.h"

namespace tomeshelf::present {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(PresentTest, RendersArticleTextAsTerminalText) {
  const GaijiMap map = {{GaijiKey{'h', 0xA122}, "\u00E0"}};
  const std::pair<Bytes, const char*> cases[] = {
      // start marker, あ, break, indent 2, unmapped and mapped gaiji, link to 12:34
      {{0x1F, 0x41, 0x01, 0x00, 0x24, 0x22, 0x1F, 0x0A, 0x1F, 0x09, 0x00, 0x02, 0xA1, 0x21, 0xA1,
        0x22, 0x1F, 0x42, 0x24, 0x24, 0x1F, 0x62, 0x00, 0x00, 0x00, 0x12, 0x00, 0x34},
       "あ\n    〓à[い](12:34)"},
      // half-width run narrows Latin; text end stops; what follows is not read
      {{0x23, 0x41, 0x1F, 0x04, 0x23, 0x41, 0x21, 0x21, 0x23, 0x31, 0x1F, 0x05, 0x23, 0x42, 0x1F,
        0x03, 0x24, 0x22},
       "ＡA 1Ｂ"},
      // a second article start ends the article
      {{0x1F, 0x41, 0x01, 0x00, 0x24, 0x22, 0x1F, 0x41, 0x01, 0x00, 0x24, 0x24}, "あ"},
      // a truncated reference ends the text but keeps what came before
      {{0x24, 0x22, 0x1F, 0x42, 0x24, 0x24, 0x1F, 0x62, 0x00}, "あ[い](?)"},
      // monochrome picture 32x16 with caption い at 2:0; sound of sound kind 1
      {{0x1F, 0x44, 0x00, 0x00, 0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00, 0x16, 0x24, 0x24, 0x1F,
        0x64, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x1F, 0x4A, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x10, 0x1F, 0x6A},
       "[picture い](2:0)[sound](3:0)"},
  };
  for (const auto& [raw, text] : cases) EXPECT_EQ(ToTerminal(Parse(raw, map)), text);
  const std::string html =
      ToHtml(Parse({0x1F, 0x42, 0x24, 0x24, 0x1F, 0x62, 0, 0, 0, 0x12, 0, 0x34}), "q=<x>&book=0");
  EXPECT_NE(html.find("href=\"#/article?at=12:34&amp;q=&lt;x&gt;&amp;book=0\">い</a>"), html.npos) << html;
}

TEST(PresentTest, SpellingsComeInAFixedOrderWithoutRepeats) {
  auto hows = [](const std::string& word) {
    std::vector<std::string> out;
    for (const auto& s : Spellings(word, false)) out.push_back(s.word + "/" + s.how);
    return out;
  };
  EXPECT_EQ(hows("Cat"), (std::vector<std::string>{"Cat/as typed", "CAT/upper case", "cat/lower case",
                                                   "Ｃａｔ/full width"}));
  EXPECT_EQ(hows("ねコ"), (std::vector<std::string>{"ねコ/as typed", "ねこ/hiragana", "ネコ/katakana"}));
  EXPECT_EQ(hows("ｃａｔ")[1], "ＣＡＴ/upper case");
}

TEST(PresentTest, GaijiMapKeepsGoodLinesAndNamesBadOnes) {
  const std::string text =
      "# a comment\n"
      "hA121\tu00E0\n"
      "zB021\tu0061,u0301   # trailing comment\n"
      "hA122\n"          // no text
      "xA123\tu0041\n"   // neither h nor z
      "hA124\tU+0041\n"  // not u and hex
      "hA125\tuD800\n"   // a surrogate is no character
      "\n"
      "ha126 u3042\r\n";
  GaijiMap map;
  std::vector<std::string> problems;
  ReadGaijiMap(text, "m", map, problems);
  EXPECT_EQ(map, (GaijiMap{{{'h', 0xA121}, "à"}, {{'z', 0xB021}, "a\u0301"}, {{'h', 0xA126}, "あ"}}));
  ASSERT_EQ(problems.size(), 4u);
  EXPECT_EQ(problems[0].rfind("m:4: ", 0), 0u);
  EXPECT_EQ(problems[3].rfind("m:7: ", 0), 0u);
}

// Damaged text gives some document, never a crash or a read past the end (the sanitizer
// build watches the latter); stray positions are the viewer fuzzer's.
TEST(PresentTest, AnyBytesAreSafe) {
  std::mt19937 random(13);
  const uint8_t common[] = {0x1F, 0x41, 0x01, 0x42, 0x62, 0x44, 0x64, 0x4D, 0x4A, 0x0A, 0x03, 0xA1, 0x24};
  for (int i = 0; i < 2000; ++i) {
    Bytes raw(random() % 64);
    for (auto& b : raw) b = random() % 3 ? common[random() % sizeof common] : static_cast<uint8_t>(random());
    const Document doc = Parse(raw);
    ToTerminal(doc, true);
    EXPECT_EQ(ToJson(doc)["version"], 1);
    ToHtml(doc, "book=0");
  }
  EXPECT_TRUE(EncodeBitsPng(9000, 1, 1125, Bytes(1125).data(), 1125, true, false).empty());
}

}  // namespace
}  // namespace tomeshelf::present
