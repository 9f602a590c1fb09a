// tomeshelf export on books written by the book builder.
#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>

#include "codec/jis.h"
#include "export/export.h"
#include "support/writer.h"

namespace tomeshelf::exporter {
namespace {

using json = nlohmann::json;
using namespace tomeshelf::testing;

Bytes KanaKey(size_t i) {  // three hiragana, in the order of i
  return {0x24, uint8_t(0x22 + i / 1600 % 40), 0x24, uint8_t(0x22 + i / 40 % 40), 0x24,
          uint8_t(0x22 + i % 40)};
}
Bytes WrittenKey(size_t i) { return {0x30, uint8_t(0x21 + i / 94 % 94), 0x31, uint8_t(0x21 + i % 94)}; }
Bytes AlphabetKey(size_t i) { return {0x23, uint8_t(0x61 + i / 26 % 26), 0x23, uint8_t(0x61 + i % 26)}; }
std::string Alphabet(size_t i) { return {char('a' + i / 26 % 26), char('a' + i % 26)}; }
Bytes Title(size_t i) { return Join({KanaKey(i), Chars(1, uint32_t(i))}); }
Position At(uint32_t offset) { return {offset / kBlock + 1, static_cast<uint16_t>(offset % kBlock)}; }
std::string Utf8(const Bytes& jis) {  // codes JIS X 0208 leaves empty read as U+3013
  std::string out;
  for (size_t i = 0; i + 1 < jis.size(); i += 2) {
    const std::string ch = codec::JisToUtf8(jis[i], jis[i + 1]);
    out += ch.empty() ? "\u3013" : ch;
  }
  return out;
}

json Text(const std::string& text, bool emphasis = false) {
  return {{"type", "text"}, {"text", text}, {"half", false}, {"emphasis", emphasis}};
}

// 5050 articles: a title (also the heading), text, a link to the one before (the first to
// itself) and a gaiji: A121, mapped, in even ones; B021, which the fonts draw, in odd ones.
// A kana index of 8 entries a page, a backward written-form index and a group-form alphabet
// index. Each entry is two Yomitan terms (a written form read in kana, and an alphabet key):
// more than one bank.
TEST(ExportTest, EveryEntryOnceAsJsonLinesAndAsYomitanTerms) {
  constexpr size_t kWords = 5050;
  TempDir disc;
  TextFileBuilder text;
  std::vector<uint32_t> article(kWords);
  ArticleWriter w = ArticleWriter::InBlocks(text, kWords * 48 / kBlock + 2);
  IndexBuilder kana(IndexShape{LeafForm::kVariable, false, 8, 0});
  IndexBuilder written(IndexShape{LeafForm::kFixed, true, 0, 0});
  IndexBuilder alphabet(IndexShape{LeafForm::kGroup, false, 0, 0});
  auto word = [&](const Bytes& key, size_t i) {  // the heading is the title, past the start marker
    return IndexWord{key, At(article[i]), At(article[i] + 4)};
  };
  for (size_t i = 0; i < kWords; ++i) {
    const Bytes link = LinkTo(i ? article[i - 1] : w.Raw({}), KanaKey(i));
    article[i] = w.Article(Join({Title(i), LineBreak(), Chars(3, uint32_t(i)), link,
                                 Bytes{uint8_t(i % 2 ? 0xB0 : 0xA1), 0x21}, TextEnd()}));
    kana.Add(word(KanaKey(i), i));
    written.Add(word(WrittenKey(i), i));
    if (i % 2) alphabet.AddGroup({AlphabetKey(i - 1), {word(AlphabetKey(i - 1), i - 1),
                                                       word(AlphabetKey(i), i)}});
  }
  w.Article(TextEnd());
  BuiltIndex kanaIndex = kana.Build(text);
  WriteIndex(text, kanaIndex, {0x90});
  WriteIndex(text, written.Build(text), {0x71});
  WriteIndex(text, alphabet.Build(text), {0x92});
  const std::string out = (disc.path() / "out").string(), map = (disc.path() / "map.txt").string();
  std::ofstream(map) << "# mapped\nhA121\tu00E9\n";
  auto run = [&](const char* format) {
    BookFiles book;
    book.entry = {0x00, "Export Test", "BOOK", {"FULL16", "", "", "", "HALF16"}};
    book.honmon = text.Build();
    book.fonts["FULL16"] = GaijiFontBytes(FontShape{true, 16}, 0xB021, 4);
    book.fonts["HALF16"] = GaijiFontBytes(FontShape{false, 16}, 0xA121, 4);
    WriteDisc(disc.path(), {book});
    std::string args[] = {"tomeshelf", "export", disc.Windows(), "--format", format, "-o", out,
                          "--gaiji-map", map};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return RunExport(static_cast<int>(argv.size()), argv.data());
  };
  auto lines = [&] {
    std::ifstream in(out);
    std::vector<json> records;
    for (std::string line; std::getline(in, line);) records.push_back(json::parse(line));
    return records;
  };

  ASSERT_EQ(run("jsonl"), 0);
  const auto records = lines();
  ASSERT_EQ(records.size(), kWords);
  for (size_t i = 0; i < kWords; ++i) {
    const size_t to = i ? i - 1 : 0;
    const json link = {{"type", "link"}, {"menu", false}, {"entry", to + 1},
                       {"at", PositionText(int32_t(article[to]))}, {"label", {Text(Utf8(KanaKey(i)))}}};
    const json gaiji = i % 2 ? json{{"type", "gaiji"}, {"gaiji", "B021"}, {"width", "full"}} : Text("é");
    const json paragraphs = {{{"indent", 0}, {"items", {Text(Utf8(Title(i)), true)}}},
                             {{"indent", 0}, {"items", {Text(Utf8(Chars(3, uint32_t(i)))), link, gaiji}}}};
    const json keys = {{{"index", "kana"}, {"key", Utf8(KanaKey(i))}},
                       {{"index", "written"}, {"key", Utf8(WrittenKey(i))}},
                       {{"index", "alphabet"}, {"key", Alphabet(i)}}};
    EXPECT_EQ(records[i], (json{{"id", i + 1}, {"position", PositionText(int32_t(article[i]))},
                                {"headings", {Utf8(Title(i))}}, {"keys", keys},
                                {"pictures", json::array()}, {"sounds", json::array()},
                                {"text", {{"paragraphs", paragraphs}, {"version", 1}}}}));
  }

  ASSERT_EQ(run("yomitan"), 0);
  int error = 0;
  zip_t* zip = zip_open(out.c_str(), ZIP_RDONLY, &error);
  ASSERT_NE(zip, nullptr);
  auto read = [&](const std::string& name) {  // the start of a PNG, the rest as JSON
    zip_stat_t st;
    if (zip_stat(zip, name.c_str(), 0, &st) != 0) return json();
    std::string data(st.size, '\0');
    zip_file_t* f = zip_fopen(zip, name.c_str(), 0);
    zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    return name.ends_with(".png") ? json(data.substr(1, 3)) : json::parse(data);
  };
  const json index = read("index.json");
  EXPECT_TRUE(index["format"] == 3 && index["title"] == "Export Test" && index["revision"].is_string());
  EXPECT_TRUE(read("gaiji/zB021.png") == "PNG" && read("gaiji/hA121.png").is_null());
  std::vector<int> termsOf(kWords);
  for (int bank = 1; !read("term_bank_" + std::to_string(bank) + ".json").is_null(); ++bank) {
    const json terms = read("term_bank_" + std::to_string(bank) + ".json");
    ASSERT_LE(terms.size(), 10000u);
    for (const json& t : terms) {
      const size_t i = t.at(6).get<size_t>() - 1;
      ++termsOf.at(i);
      // Plain text, unless the drawn external character needs structured content.
      const json plain = Utf8(Title(i)) + "\n" + Utf8(Chars(3, uint32_t(i))) + Utf8(KanaKey(i)) + "é";
      const bool byAlphabet = t[1] == "";
      EXPECT_EQ(t, json::array({byAlphabet ? Alphabet(i) : Utf8(WrittenKey(i)),
                                byAlphabet ? "" : Utf8(KanaKey(i)), "", "", 0,
                                json::array({i % 2 ? t[5].at(0) : plain}), i + 1, ""}));
      if (i % 2) { EXPECT_EQ(t[5][0]["content"].back()["path"], "gaiji/zB021.png") << t; }
    }
  }
  zip_close(zip);
  EXPECT_EQ(termsOf, std::vector<int>(kWords, 2));

  // A damaged leaf page of the kana index: its words keep their other keys, and the export fails.
  kanaIndex.pages[kanaIndex.levels[0][3]][0] = 0x00;  // no longer a leaf
  WriteIndex(text, kanaIndex, {0x90});
  EXPECT_EQ(run("jsonl"), 1);
  const auto damaged = lines();
  ASSERT_EQ(damaged.size(), kWords);
  for (size_t i = 0; i < kWords; ++i) EXPECT_EQ(damaged[i]["keys"].size(), i / 8 == 3 ? 2u : 3u) << i;
}

}  // namespace
}  // namespace tomeshelf::exporter
