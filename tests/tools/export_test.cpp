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

// n articles: a title (also the heading), text, a link to the next article and a gaiji (A121
// in even ones, B021, which the fonts draw, in odd ones); a kana index of 8 entries a page
// (its leaves kept), a backward written-form index and a group-form alphabet index.
struct TestBook {
  explicit TestBook(size_t n) : article(n) {
    const uint32_t articleBlock = text.ReserveBlocks(static_cast<uint32_t>(n * 48 / kBlock + 2));
    for (int pass = 0; pass < 2; ++pass) {
      ArticleWriter w(text, Offset(articleBlock));
      for (size_t i = 0; i < n; ++i) {
        article[i] = w.Article(Join({Title(i), LineBreak(), Chars(3, uint32_t(i)),
                                     LinkTo(article[(i + 1) % n], KanaKey(i)),
                                     Bytes{uint8_t(i % 2 ? 0xB0 : 0xA1), 0x21}, TextEnd()}));
      }
      w.Article(TextEnd());
    }
    IndexBuilder kana(IndexShape{LeafForm::kVariable, false, 8, 0});
    IndexBuilder written(IndexShape{LeafForm::kFixed, true, 0, 0});
    IndexBuilder alphabet(IndexShape{LeafForm::kGroup, false, 0, 0});
    for (size_t i = 0; i < n; ++i) {
      const Position at = At(article[i]), heading = At(article[i] + 4);  // past the start marker
      kana.Add({KanaKey(i), at, heading});
      written.Add({WrittenKey(i), at, heading});
      if (i % 2 == 0 && i + 1 < n) {
        alphabet.AddGroup({AlphabetKey(i), {{AlphabetKey(i), at, heading},
                                            {AlphabetKey(i + 1), At(article[i + 1]), At(article[i + 1] + 4)}}});
      }
    }
    kanaIndex = kana.Build(text);
    WriteIndex(text, kanaIndex, {0x90});
    WriteIndex(text, written.Build(text), {0x71});
    WriteIndex(text, alphabet.Build(text), {0x92});
  }

  int Export(const std::vector<std::string>& options) {
    BookFiles book;
    book.entry = {0x00, "Export Test", "BOOK", {"FULL16", "", "", "", "HALF16"}};
    book.honmon = text.Build();
    book.fonts["FULL16"] = GaijiFontBytes(FontShape{true, 16}, 0xB021, 4);
    book.fonts["HALF16"] = GaijiFontBytes(FontShape{false, 16}, 0xA121, 4);
    WriteDisc(disc.path(), {book});
    std::vector<std::string> args = {"tomeshelf", "export", disc.Windows()};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return RunExport(static_cast<int>(argv.size()), argv.data());
  }
  std::string Out(const char* name) const { return (disc.path() / name).string(); }
  std::vector<json> Lines() const {
    std::ifstream in(Out("out.jsonl"));
    std::vector<json> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(json::parse(line));
    return lines;
  }

  TempDir disc;
  TextFileBuilder text;
  std::vector<uint32_t> article;
  BuiltIndex kanaIndex;
};

json Text(const std::string& text, bool emphasis = false) {
  return {{"type", "text"}, {"text", text}, {"half", false}, {"emphasis", emphasis}};
}

// 5050 entries, each in two Yomitan terms (a written form read in kana, and an alphabet
// key): more than one bank. A121 is mapped, B021 is drawn from the fonts.
TEST(ExportTest, EveryEntryOnceAsJsonLinesAndAsYomitanTerms) {
  constexpr size_t kWords = 5050;
  TestBook book(kWords);
  std::ofstream(book.Out("map.txt")) << "# mapped\nhA121\tu00E9\n";
  const std::string map = book.Out("map.txt");
  ASSERT_EQ(book.Export({"--format", "jsonl", "-o", book.Out("out.jsonl"), "--gaiji-map", map}), 0);
  const auto lines = book.Lines();
  ASSERT_EQ(lines.size(), kWords);
  for (size_t i = 0; i < kWords; ++i) {
    SCOPED_TRACE(i);
    const json& e = lines[i];
    EXPECT_EQ(e["id"], i + 1);
    EXPECT_EQ(e["headings"], json::array({Utf8(Title(i))}));
    const json keys = {{{"index", "kana"}, {"key", Utf8(KanaKey(i))}},
                       {{"index", "written"}, {"key", Utf8(WrittenKey(i))}},
                       {{"index", "alphabet"}, {"key", Alphabet(i)}}};
    EXPECT_EQ(e["keys"], keys);
    const size_t next = (i + 1) % kWords;
    const json link = {{"type", "link"}, {"menu", false}, {"entry", next + 1},
                       {"at", PositionText(int32_t(book.article[next]))},
                       {"label", json::array({Text(Utf8(KanaKey(i)))})}};
    const json gaiji =
        i % 2 ? json{{"type", "gaiji"}, {"gaiji", "B021"}, {"width", "full"}} : Text("é");
    const json title = json::array({Text(Utf8(Title(i)), true)});
    const json body = json::array({Text(Utf8(Chars(3, uint32_t(i)))), link, gaiji});
    EXPECT_EQ(e["text"]["paragraphs"],
              json::array({{{"indent", 0}, {"items", title}}, {{"indent", 0}, {"items", body}}}));
  }

  ASSERT_EQ(book.Export({"--format", "yomitan", "-o", book.Out("dict.zip"), "--gaiji-map", map}), 0);
  int error = 0;
  zip_t* zip = zip_open(book.Out("dict.zip").c_str(), ZIP_RDONLY, &error);
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
      ASSERT_TRUE(t.size() == 8 && t[2].is_string() && t[3].is_string() && t[4].is_number() &&
                  t[5].is_array() && t[6].is_number_integer() && t[7].is_string()) << t;
      const size_t i = t[6].get<size_t>() - 1;
      ++termsOf.at(i);
      EXPECT_EQ(t[0], t[1] == "" ? Alphabet(i) : Utf8(WrittenKey(i)));
      EXPECT_TRUE(t[1] == "" || t[1] == Utf8(KanaKey(i)));
      // Plain text, unless the drawn external character needs structured content.
      ASSERT_EQ(t[5].size(), 1u);
      const std::string plain = Utf8(Title(i)) + "\n" + Utf8(Chars(3, uint32_t(i))) + Utf8(KanaKey(i));
      EXPECT_EQ(i % 2 ? t[5][0]["content"].back()["path"] : t[5][0], i % 2 ? "gaiji/zB021.png" : plain + "é");
    }
  }
  zip_close(zip);
  EXPECT_EQ(termsOf, std::vector<int>(kWords, 2));

  // A damaged leaf page of the kana index: its words keep their other keys, and the export fails.
  book.kanaIndex.pages[book.kanaIndex.levels[0][3]][0] = 0x00;  // no longer a leaf
  WriteIndex(book.text, book.kanaIndex, {0x90});
  EXPECT_EQ(book.Export({"--format", "jsonl", "-o", book.Out("out.jsonl")}), 1);
  const auto damaged = book.Lines();
  ASSERT_EQ(damaged.size(), kWords);
  for (size_t i = 0; i < kWords; ++i) EXPECT_EQ(damaged[i]["keys"].size(), i / 8 == 3 ? 2u : 3u) << i;
}

}  // namespace
}  // namespace tomeshelf::exporter
