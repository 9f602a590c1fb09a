// Writing a book of the size of the largest free Japanese-English dictionaries: 270,000
// entries, about 130 MB of text, each with a kana, a written-form and an alphabet key.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "writer/book_writer.h"

namespace {

using namespace tomeshelf::writer;

constexpr size_t kEntries = 270000;
constexpr size_t kTextBytes = 470;  // per entry, in UTF-8
const char* const kKana[] = {"あ", "い", "う", "か", "き", "く", "さ", "し", "す", "た", "ち", "つ",
                             "な", "に", "ぬ", "は", "ひ", "ふ", "ま", "み", "む", "ら", "り", "る"};
const char* const kKanji[] = {"日", "本", "語", "辞", "書", "山", "川", "海", "空", "星", "水", "火"};
const char* const kWords[] = {"to", "the", "of", "a", "water", "book", "speak", "mountain", "river",
                              "(n)", "(v5r)", "sky", "star", "word", "dictionary", "meaning;"};

std::vector<Entry> Pool(size_t n) {
  std::mt19937 rng(5);
  auto pick = [&](size_t k) { return static_cast<size_t>(rng() % k); };
  std::vector<Entry> pool(n);
  for (Entry& e : pool) {
    std::string kana, kanji, text;
    for (size_t i = 2 + pick(3); i > 0; --i) kana += kKana[pick(std::size(kKana))];
    for (size_t i = 1 + pick(3); i > 0; --i) kanji += kKanji[pick(std::size(kKanji))];
    while (text.size() < kTextBytes) {
      text += pick(4) == 0 ? std::string(kKanji[pick(std::size(kKanji))]) + kKana[pick(std::size(kKana))]
                           : std::string(kWords[pick(std::size(kWords))]) + " ";
    }
    e.keys = {{kana, std::nullopt}, {kanji, std::nullopt}, {kWords[4 + pick(8)], std::nullopt}};
    e.heading = kana + "【" + kanji + "】";
    const size_t half = text.find(' ', kTextBytes / 2);  // a paragraph break between words
    e.text = {{{text.substr(0, half), ""}}, {{text.substr(half + 1), ""}}};
  }
  return pool;
}

void BM_WriteDictionary(benchmark::State& state) {
  const std::vector<Entry> pool = Pool(4096);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tomeshelf-writer-bench";
  std::mt19937 rng(9);
  for (auto _ : state) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    BookWriter w(dir, BookOptions{"Bench", "BENCH", 0});
    for (size_t i = 0; i < kEntries; ++i) {
      Entry e = pool[rng() % pool.size()];
      e.keys[1].text += std::to_string(i % 977);  // fewer shared keys, more distinct ones
      if (std::string p = w.Add(e); !p.empty()) state.SkipWithError(p.c_str());
    }
    if (std::string p = w.Finish(); !p.empty()) state.SkipWithError(p.c_str());
  }
  const std::filesystem::path honmonPath = dir / "BENCH" / "DATA" / "HONMON";
  const auto honmon = std::filesystem::file_size(honmonPath);
  // The word indexes' length, from their index table entries (blocks at bytes 6-9).
  Bytes table(kBlock);
  std::ifstream(honmonPath, std::ios::binary).read(reinterpret_cast<char*>(table.data()), kBlock);
  double indexBlocks = 0;
  for (size_t i = 0; i < size_t{tomeshelf::ReadBe16(table.data())}; ++i) {
    const uint8_t* e = &table[16 + 16 * i];
    if ((e[0] & 0x70) == 0x70 || (e[0] & 0x90) == 0x90) indexBlocks += (e[6] << 24 | e[7] << 16 | e[8] << 8 | e[9]);
  }
  state.counters["index_MB"] = indexBlocks * kBlock / 1e6;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["honmon_MB"] = static_cast<double>(honmon) / 1e6;
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1e3;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WriteDictionary)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
