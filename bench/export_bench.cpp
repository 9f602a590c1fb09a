// tomeshelf export of a generated book of 270,000 entries: kana and written-form indexes
// forward and a kana index backward, every article with a heading, text, a link and a gaiji.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "export/export.h"
#include "platform/platform.h"
#include "support/writer.h"

namespace tomeshelf::exporter {
namespace {

using namespace tomeshelf::testing;

constexpr size_t kEntries = 270000;

Bytes KanaKey(size_t i) {
  Bytes key;
  for (size_t d = 64000; d >= 1; d /= 40) key.insert(key.end(), {0x24, uint8_t(0x22 + i / d % 40)});
  return key;
}
Bytes WrittenKey(size_t i) {
  return {uint8_t(0x30 + i / 8836 % 40), uint8_t(0x21 + i / 94 % 94), 0x31, uint8_t(0x21 + i % 94)};
}
Position At(uint32_t offset) { return {offset / kBlock + 1, static_cast<uint16_t>(offset % kBlock)}; }

// Written once, on first use, for every benchmark of this program.
const TempDir& Disc() {
  static TempDir disc;
  static bool written = [] {
    TextFileBuilder text;
    std::vector<uint32_t> article(kEntries), heading(kEntries);
    const uint32_t articleBlock = text.ReserveBlocks(kEntries * 96 / kBlock + 2);
    const uint32_t headingBlock = text.ReserveBlocks(kEntries * 24 / kBlock + 2);
    for (int pass = 0; pass < 2; ++pass) {
      ArticleWriter w(text, Offset(articleBlock));
      ArticleWriter h(text, Offset(headingBlock));
      for (size_t i = 0; i < kEntries; ++i) {
        const Bytes title = Join({KanaKey(i), WrittenKey(i)});
        heading[i] = h.Heading(title);
        article[i] = w.Article(Join({title, LineBreak(), Chars(24, uint32_t(i)),
                                     LinkTo(article[(i + 1) % kEntries]), Bytes{0xA1, 0x21},
                                     TextEnd()}));
      }
      w.Article(TextEnd());
    }
    for (auto [code, backward] : {std::pair{uint8_t{0x90}, false}, {uint8_t{0x91}, false},
                                  {uint8_t{0x70}, true}}) {
      IndexBuilder index(IndexShape{code == 0x91 ? LeafForm::kFixed : LeafForm::kVariable,
                                    backward, 0, 0});
      for (size_t i = 0; i < kEntries; ++i) {
        index.Add({code == 0x91 ? WrittenKey(i) : KanaKey(i), At(article[i]), At(heading[i])});
      }
      WriteIndex(text, index.Build(text), {code});
    }
    BookFiles book;
    book.entry = {0x00, "Export Bench", "BOOK", {}};
    book.honmon = text.Build();
    WriteDisc(disc.path(), {book});
    return true;
  }();
  (void)written;
  return disc;
}

// The peak resident size since the last reset, in MiB (Linux); resetting it first keeps the
// building of the book out of the figure.
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }
double PeakMemoryMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

void Export(benchmark::State& state, const char* format) {
  const std::string out = (Disc().path() / (std::string("out.") + format)).string();
  std::string disc = Disc().Windows();
  ResetPeakMemory();
  for (auto _ : state) {
    std::vector<std::string> args = {"tomeshelf", "export", disc, "--format", format, "-o", out};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    if (RunExport(static_cast<int>(argv.size()), argv.data()) != 0) state.SkipWithError("export failed");
  }
  state.counters["entries"] = static_cast<double>(kEntries);
  state.counters["peak_rss_MiB"] = PeakMemoryMiB();
}

void BM_ExportJsonl(benchmark::State& state) { Export(state, "jsonl"); }
void BM_ExportYomitan(benchmark::State& state) { Export(state, "yomitan"); }
BENCHMARK(BM_ExportJsonl)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ExportYomitan)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace tomeshelf::exporter

BENCHMARK_MAIN();
