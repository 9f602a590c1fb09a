// Books written by the book writer, read back through the C interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "codec/jis.h"
#include "support/writer.h"
#include "tomeshelf/tomeshelf.h"
#include "writer/book_writer.h"

namespace tomeshelf {
namespace {

using namespace writer;

constexpr size_t kEntries = 2000;
const char* const kKana[] = {"か", "き", "く", "さ", "し", "な", "ね", "こ", "ー", "っ", "ゃ", "ん", "ヴ", "ヵ"};
const char* const kKatakana[] = {"カ", "キ", "ク", "サ", "シ", "ナ", "ネ", "コ", "ー", "ッ", "ャ", "ン", "ヴ", "ヵ"};
const char* const kKanji[] = {"猫", "犬", "本", "山", "川", "海", "空", "星"};
const char kGaiji[] = "✩";

struct Written {
  Entry entry;
  std::vector<std::string> typed;  // the keys, then other spellings people type
  Bytes heading;                   // as the book should hold it
};

std::vector<Written> Generate() {
  std::mt19937 rng(11);
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  std::vector<Written> out(kEntries);
  for (size_t i = 0; i < kEntries; ++i) {
    // Now and then a leading prolonged mark, which the head form drops.
    std::string kana = i % 6 == 2 ? "ーな" : "な", katakana = i % 6 == 2 ? "ーナ" : "ナ";
    for (size_t n = 1 + pick(3), k = 0; n > 0; --n) {
      k = pick(std::size(kKana));
      kana += kKana[k];
      katakana += kKatakana[k];
    }
    // A symbol of row 2, which no typed form keeps.
    std::string kanji = kKanji[pick(std::size(kKanji))] + std::string(i % 4 == 1 ? "※" : "");
    kanji += kKanji[pick(std::size(kKanji))];
    // Long enough now and then for the alphabet index to need two upper pages.
    std::string latin;
    for (size_t n = 2 + pick(i % 2 == 0 ? 4 : 40); n > 0; --n) {
      latin += "abcxyz"[pick(6)];  // both ends of the alphabet
    }
    if (i % 3 == 0) latin[0] = static_cast<char>(latin[0] - 'a' + 'A');
    Written& w = out[i];
    w.entry.where = "gen:" + std::to_string(i);
    w.entry.keys = {{kana, KeyKind::kKana}, {kanji, std::nullopt}, {latin, std::nullopt}};
    std::string upper = latin;
    for (char& c : upper) c = static_cast<char>(std::toupper(c));
    w.typed = {kana, kanji, latin, katakana, upper};
    w.entry.heading = kana + "【" + kanji + "】 " + std::to_string(i);
    w.entry.text = {{{"text of " + latin + (i % 5 == 0 ? kGaiji : ""), ""}},
                    {{"see ", ""}, {"there", out[(i * 7 + 1) % kEntries].entry.heading}}};
    if (i % 50 == 0) w.entry.picture = Picture{true, JpegLikeFile(), 0, 0, "photo"};
    if (i % 50 == 25) w.entry.picture = Picture{false, MonoPictureBits(24, 9), 24, 9, "map"};
    if (i % 40 == 3) w.entry.sound = Sound{SoundBytes(700 + i), "cry"};
    TextEncoder encoder;
    encoder.AppendText(w.entry.heading, w.heading, "");
  }
  for (size_t i = 0; i < kEntries; ++i) out[i].entry.text[1][1].link = out[(i * 7 + 1) % kEntries].entry.heading;
  return out;
}

// A whole article, read in small pieces with a heading read between them, which must not
// move where the next piece starts.
template <typename Read>
Bytes Article(Read read) {
  Bytes text, piece(24), heading(TOMESHELF_ITEM_SIZE);
  WordItemRecord other{{}, heading.data()};
  for (int32_t r = 0; r == 0;) {
    uint32_t count = 0;
    r = read(piece.data(), static_cast<uint32_t>(piece.size()), &count);
    text.insert(text.end(), piece.begin(), piece.begin() + (r >= 0 ? count : 0));
    epwGetWordItem(0, &other);
  }
  return text;
}

// The reference that starts with 0x1F `code` in text, through its 0x1F `endCode` and the 6 bytes after
// it when `positioned`, else through the end code.
Bytes Reference(const Bytes& text, uint8_t code, uint8_t endCode, bool positioned) {
  const Bytes start{0x1F, code}, end{0x1F, endCode};
  auto s = std::search(text.begin(), text.end(), start.begin(), start.end());
  auto e = std::search(s, text.end(), end.begin(), end.end());
  if (e == text.end()) return {};
  return Bytes(s, std::min(text.end(), e + (positioned ? 8 : 2)));
}

TEST(BookWriterTest, EveryEntryComesBackThroughTheLibrary) {
  testing::TempDir disc;
  std::vector<Written> book = Generate();
  Glyph star{16, true, GlyphPattern(FontShape{true, 16}, 3)};
  const Glyph large{30, true, GlyphPattern(FontShape{true, 30}, 5)};  // 30 dots, the odd one of the four heights
  {  // after a problem a writer is dropped unfinished, with article text still buffered
    BookWriter dropped(disc.path() / "dropped", BookOptions{"Dropped", "DROP", 0});
    ASSERT_EQ(dropped.Add(book[1].entry), "");
  }
  std::string title;  // the longest a catalog holds: 40 characters
  for (int i = 0; i < 40; ++i) title += "語";
  {
    BookWriter w(disc.path(), BookOptions{title, "ROUND", 0});
    ASSERT_EQ(w.DefineGaiji(kGaiji, {star, large}, "gen"), "");
    for (const Written& b : book) ASSERT_EQ(w.Add(b.entry), "");
    ASSERT_EQ(w.Finish(), "");
  }
  ASSERT_EQ(OpenEpwing(disc.Windows().c_str()), TOMESHELF_OK);
  ASSERT_EQ(epwBooksOpen(), TOMESHELF_OK);
  std::array<char, 81> gotTitle{};
  BookInfo info{0, {}, gotTitle.data()};
  ASSERT_EQ(epwGetBookInfo(0, &info), TOMESHELF_OK);
  EXPECT_EQ(Bytes(gotTitle.data(), gotTitle.data() + std::strlen(gotTitle.data())), *codec::Utf8ToJis(title));
  std::vector<unsigned char> item(TOMESHELF_ITEM_SIZE);
  std::map<std::string, size_t> byHeading;
  for (size_t i = 0; i < book.size(); ++i) {
    byHeading[std::string(book[i].heading.begin(), book[i].heading.end())] = i;
  }
  for (size_t i = 0; i < book.size(); ++i) {
    const Written& b = book[i];
    int32_t found = -1;
    std::vector<std::string> words = b.typed;  // exact; the keys forwards and backwards too
    for (const Key& k : b.entry.keys) words.insert(words.end(), {k.text + "*", "*" + k.text});
    for (size_t w = 0; w < words.size(); ++w) {
      const std::string& word = words[w];
      auto jis = codec::Utf8ToJis(word);
      ASSERT_TRUE(jis);
      jis->insert(jis->end(), {0, 0});
      WordProperties props{};
      ASSERT_EQ(epwGetWordProperties(jis->data(), &props), TOMESHELF_OK) << word;
      ASSERT_EQ(props.itemSize, TOMESHELF_ITEM_SIZE);
      // Every hit is an entry's; those of an exact word come in the order they were added.
      const bool exact = w < b.typed.size();
      found = -1;
      for (int32_t h = 0, previous = -1; h < props.hitCount && (found < 0 || exact); ++h) {
        WordItemRecord record{};
        record.itemBuffer = item.data();
        ASSERT_EQ(epwGetWordItem(h, &record), TOMESHELF_OK);
        const auto* heading = reinterpret_cast<const char*>(item.data());
        const auto at = byHeading.find(heading);
        ASSERT_NE(at, byHeading.end()) << word;
        ASSERT_TRUE(!exact || static_cast<int32_t>(at->second) > previous) << word;
        previous = static_cast<int32_t>(at->second);
        if (at->second == i) found = h;
      }
      ASSERT_GE(found, 0) << "entry " << i << " not found by " << word;
    }
    // A new search starts every article again, even one half read.
    uint32_t count = 0;
    ASSERT_EQ(epwGetWordContent(found, item.data(), 8, &count), 0);
    auto again = codec::Utf8ToJis(words.back());
    again->insert(again->end(), {0, 0});
    WordProperties props{};
    ASSERT_EQ(epwGetWordProperties(again->data(), &props), TOMESHELF_OK);
    const Bytes text = Article([&](unsigned char* p, uint32_t n, uint32_t* c) { return epwGetWordContent(found, p, n, c); });
    ASSERT_TRUE(std::search(text.begin(), text.end(), b.heading.begin(), b.heading.end()) != text.end());
    Bytes para;
    TextEncoder encoder;
    encoder.SetGaiji(U'✩', 0xB121);
    encoder.AppendText(b.entry.text[0][0].text, para, "");
    EXPECT_TRUE(std::search(text.begin(), text.end(), para.begin(), para.end()) != text.end()) << i;

    const Written& target = book[(i * 7 + 1) % kEntries];
    const Bytes link = Reference(text, 0x42, 0x62, true);
    const Bytes linked = Article([&](unsigned char* p, uint32_t n, uint32_t* c) { return epwGetLinkContent(link.data(), p, n, c); });
    EXPECT_TRUE(std::equal(target.heading.begin(), target.heading.end(), linked.begin() + 4)) << i;
    if (b.entry.picture) {
      const Picture& p = *b.entry.picture;
      const Bytes ref = Reference(text, p.colour ? 0x4D : 0x44, p.colour ? 0x6D : 0x64, !p.colour);
      std::vector<char> caption(64);
      const int32_t size = epwGetImageSize(ref.data(), caption.data());
      Bytes wanted;
      encoder.AppendText(p.caption, wanted, "");
      EXPECT_EQ(Bytes(caption.data(), caption.data() + std::strlen(caption.data())), wanted) << i;
      Bytes got(static_cast<size_t>(std::max(size, 0)));
      ImageKind kind = -1;
      ASSERT_GT(epwGetImage(ref.data(), got.data(), &kind), 0);
      EXPECT_EQ(Bytes(got.end() - static_cast<std::ptrdiff_t>(p.data.size()), got.end()), p.data) << i;
    }
    if (b.entry.sound) {
      const Bytes ref = Reference(text, 0x4A, 0x6A, false);
      Bytes got(static_cast<size_t>(std::max(epwGetPcmSize(ref.data()), 0)));
      ASSERT_EQ(epwGetPcmCont(0, got.data()), static_cast<int32_t>(b.entry.sound->data.size()));
      EXPECT_EQ(got, b.entry.sound->data) << i;
    }
  }
  for (std::string word : {"zzzzzz", "*zzzzzz", "んんんん"}) {  // past every key: nothing
    auto jis = codec::Utf8ToJis(word);
    jis->insert(jis->end(), {0, 0});
    WordProperties props{};
    EXPECT_EQ(epwGetWordProperties(jis->data(), &props), TOMESHELF_REFUSED) << word;
  }
  TomeshelfBitmapObject object{nullptr, nullptr};
  ASSERT_EQ(epwExCode2Bmp(0xB121, 16, 1, 0, 0, 0, 0xFFFFFF, &object), TOMESHELF_OK);
  for (int32_t row = 0; row < 16; ++row) {
    for (int32_t byte = 0; byte < 2; ++byte) {
      EXPECT_EQ(static_cast<uint8_t>(~object.bitmap->bits[row * object.bitmap->stride + byte]),
                star.rows[static_cast<size_t>(row * 2 + byte)]);
    }
  }
  TomeshelfFreeBitmap(object.bitmap);
  epwBooksClose();
  CloseEpwing();
}

}  // namespace
}  // namespace tomeshelf
