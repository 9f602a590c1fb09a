// A generated book of 200,000 entries (20,000 words filed ten times each, every entry with
// its own heading and article), read through the POSIX platform from a file on disk and
// through the in-memory platform: the file check alone, lookups with up to ten headings,
// an article, a page. On disk a lookup also reports the calls to the file it made ("reads",
// a batch counting as one), the batches among them and the blocks they asked for
// ("blocks"), per lookup.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "book/open_book.h"
#include "search/heading.h"
#include "search/word_search.h"
#include "support/writer.h"
#include "support/memory_disc.h"
#include "support/memory_platform.h"
#include "text/article_reader.h"
#include "text/page_reader.h"

namespace tomeshelf {
namespace {

using testing::Bytes;

constexpr uint32_t kWords = 20000;
constexpr uint32_t kFiled = 10;  // entries per word
constexpr uint32_t kKeyChars = 4;
constexpr uint32_t kKana = 47;
constexpr uint8_t kFirstCell = 0x22;
constexpr uint32_t kKeySpace = kKana * kKana * kKana * kKana;
constexpr uint32_t kSpread = 2654435761u;  // not a multiple of 47: a bijection mod 47^4
constexpr size_t kSpreadQueries = 1024;
constexpr size_t kFewQueries = 16;
constexpr int32_t kHeadings = 10;
constexpr uint16_t kAsterisk = 0x2176;

Bytes KeyOf(uint32_t n) {
  uint32_t v = static_cast<uint32_t>((uint64_t{n} * kSpread) % kKeySpace);
  Bytes key;
  for (uint32_t i = 0; i < kKeyChars; ++i) {
    key.push_back(0x24);
    key.push_back(static_cast<uint8_t>(kFirstCell + v % kKana));
    v /= kKana;
  }
  return key;
}

Bytes Word(const Bytes& key, size_t fromChar, size_t chars, int asterisk) {
  Bytes w(key.begin() + static_cast<std::ptrdiff_t>(fromChar * 2),
          key.begin() + static_cast<std::ptrdiff_t>((fromChar + chars) * 2));
  const Bytes star{static_cast<uint8_t>(kAsterisk >> 8), static_cast<uint8_t>(kAsterisk)};
  if (asterisk < 0) w.insert(w.begin(), star.begin(), star.end());
  if (asterisk > 0) w.insert(w.end(), star.begin(), star.end());
  return w;
}

// The text file: both kana indexes, then the headings, then the articles.
Bytes BuildText() {
  testing::TextFileBuilder text;
  const uint32_t entries = kWords * kFiled;
  std::vector<testing::Position> headings(entries), articles(entries);
  auto writer = testing::ArticleWriter::InBlocks(text, 1);
  for (uint32_t i = 0; i < entries; ++i) {
    const uint32_t at = writer.Heading(testing::Chars(8, i));
    headings[i] = {at / testing::kBlock + 1, static_cast<uint16_t>(at % testing::kBlock)};
  }
  for (uint32_t i = 0; i < entries; ++i) {
    const uint32_t at = writer.Article(testing::Join({testing::Chars(40, i), testing::TextEnd()}));
    articles[i] = {at / testing::kBlock + 1, static_cast<uint16_t>(at % testing::kBlock)};
  }
  // Later blocks start after everything written so far.
  const uint32_t used = static_cast<uint32_t>(text.Build().size() / testing::kBlock);
  text.ReserveBlocks(used + 1 - text.ReserveBlocks(0));
  for (bool backward : {false, true}) {
    testing::IndexShape shape;
    shape.backward = backward;
    testing::IndexBuilder builder(shape);
    for (uint32_t i = 0; i < entries; ++i) {
      builder.Add(testing::IndexWord{KeyOf(i % kWords), articles[i], headings[i]});
    }
    testing::IndexTableEntry entry{backward ? kKanaBackwardIndex : kKanaIndex, 0, 0,
                                   {0x55, 0x55, 0x55}, 0};
    testing::WriteIndex(text, builder.Build(text), entry);
  }
  return text.Build();
}

const Bytes& Text() {
  static const Bytes text = BuildText();
  return text;
}

// The system platform with its file reads counted: the reads a lookup makes on disk.
struct ReadCount {
  int64_t reads = 0;    // calls to the file: a read, or a batch of them
  int64_t batches = 0;
  int64_t bytes = 0;
};

class CountedFile final : public File {
 public:
  CountedFile(std::unique_ptr<File> inner, ReadCount& count) : inner_(std::move(inner)), count_(count) {}
  std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) override {
    ++count_.reads;
    count_.bytes += static_cast<int64_t>(out.size());
    return inner_->ReadAt(offset, out);
  }
  void ReadMany(std::span<ReadRequest> requests) override {
    ++count_.reads;
    ++count_.batches;
    for (const ReadRequest& r : requests) count_.bytes += static_cast<int64_t>(r.out.size());
    inner_->ReadMany(requests);
  }
  bool ReadsInBatches() override { return inner_->ReadsInBatches(); }
  std::optional<uint64_t> Size() override { return inner_->Size(); }
  bool Close() override { return inner_->Close(); }

 private:
  std::unique_ptr<File> inner_;
  ReadCount& count_;
};

class CountingPlatform final : public Platform {
 public:
  explicit CountingPlatform(Platform& inner) : inner_(inner) {}
  ReadCount count;

  std::string ResolvePath(const std::string& path) override { return inner_.ResolvePath(path); }
  std::unique_ptr<File> OpenRead(const std::string& resolvedPath) override {
    auto file = inner_.OpenRead(resolvedPath);
    if (!file) return nullptr;
    return std::make_unique<CountedFile>(std::move(file), count);
  }
  std::optional<uint64_t> LookupFile(const std::string& resolvedPath) override {
    return inner_.LookupFile(resolvedPath);
  }
  std::unique_ptr<ChangeWatch> WatchTree(const std::string& resolvedDirectory) override {
    return inner_.WatchTree(resolvedDirectory);
  }
  std::unique_ptr<FileMonitor> MonitorFile(const std::string& file, const std::string& directory,
                                           uint64_t size) override {
    return inner_.MonitorFile(file, directory, size);
  }
  void ShowMessage(const char* text) override { inner_.ShowMessage(text); }
  void StretchImage(void* dc, int32_t left, int32_t top, int32_t width, int32_t height,
                    const DibImage& image) override {
    inner_.StretchImage(dc, left, top, width, height, image);
  }
  void SetPixel(void* dc, int32_t x, int32_t y, uint32_t colour) override {
    inner_.SetPixel(dc, x, y, colour);
  }
  bool AttachBitmap(void* bitmapObject, const MonoBitmap& bitmap) override {
    return inner_.AttachBitmap(bitmapObject, bitmap);
  }

 private:
  Platform& inner_;
};

// The book open on one platform.
class Shelf {
 public:
  virtual ~Shelf() = default;
  OpenBook& book() { return *book_; }
  virtual ReadCount Reads() const { return {}; }

 protected:
  void Open(Platform& platform, const std::string& directory) {
    book_ = std::make_unique<OpenBook>(platform);
    if (book_->OpenFiles(directory) != Status::kOk) std::abort();
  }
  std::unique_ptr<OpenBook> book_;
};

class DiskShelf final : public Shelf {
 public:
  DiskShelf() {
    testing::WriteFile(dir_.path() / "book" / "data" / "honmon", Text());
    Open(platform_, dir_.Windows("book"));
  }
  ~DiskShelf() override { book_.reset(); }
  ReadCount Reads() const override { return platform_.count; }

 private:
  testing::TempDir dir_;
  CountingPlatform platform_{SystemPlatform()};
};

class MemoryShelf final : public Shelf {
 public:
  MemoryShelf() {
    platform_.files[testing::MemoryTextPath("M:", "BOOK")] = Text();
    Open(platform_, "M:\\BOOK");
  }
  ~MemoryShelf() override { book_.reset(); }

 private:
  testing::MemoryPlatform platform_;
};

enum Where { kDisk, kMemory };

Shelf& On(Where where) {
  static DiskShelf disk;
  static MemoryShelf memory;
  return where == kDisk ? static_cast<Shelf&>(disk) : memory;
}

enum Query { kExact, kForward, kBackward };

// Many words spread over the book, or a few whose blocks all fit in the book's cache.
std::vector<Bytes> Queries(Query q, size_t n) {
  std::vector<Bytes> words;
  for (uint32_t i = 0; i < n; ++i) {
    const Bytes key = KeyOf(i * 191 % kWords);
    if (q == kExact) words.push_back(Word(key, 0, 4, 0));
    if (q == kForward) words.push_back(Word(key, 0, 2, 1));
    if (q == kBackward) words.push_back(Word(key, 2, 2, -1));
  }
  return words;
}

void BM_Check(benchmark::State& state, Where where) {
  OpenBook& book = On(where).book();
  for (auto _ : state) benchmark::DoNotOptimize(book.IsFileUnchanged());
}

// A lookup, then the headings of its first ten hits.
void BM_Lookup(benchmark::State& state, Where where, Query q, size_t n) {
  Shelf& shelf = On(where);
  OpenBook& book = shelf.book();
  const std::vector<Bytes> words = Queries(q, n);
  std::array<uint8_t, 64> word{};
  std::array<uint8_t, kHeadingSize> heading{};
  size_t i = 0;
  int64_t hits = 0;
  const ReadCount before = shelf.Reads();
  for (auto _ : state) {
    std::fill(word.begin(), word.end(), 0);
    std::copy(words[i].begin(), words[i].end(), word.begin());
    if (SearchWord(book, word.data()) != Status::kOk) state.SkipWithError("no hit");
    const int32_t shown = std::min(book.Hits().Count(), kHeadings);
    for (int32_t h = 0; h < shown; ++h) benchmark::DoNotOptimize(ReadHeading(book, h, heading.data()));
    hits += shown;
    i = (i + 1) % words.size();
  }
  state.counters["headings"] = benchmark::Counter(static_cast<double>(hits), benchmark::Counter::kAvgIterations);
  if (where == kDisk) {
    const ReadCount after = shelf.Reads();
    state.counters["reads"] = benchmark::Counter(static_cast<double>(after.reads - before.reads),
                                                 benchmark::Counter::kAvgIterations);
    state.counters["batches"] = benchmark::Counter(static_cast<double>(after.batches - before.batches),
                                                   benchmark::Counter::kAvgIterations);
    state.counters["blocks"] = benchmark::Counter(
        static_cast<double>(after.bytes - before.bytes) / kBlockSize, benchmark::Counter::kAvgIterations);
  }
}

// Every hit of a forward lookup is an article to read; the benchmark cycles through them.
std::vector<int32_t> ArticleOffsets(OpenBook& book) {
  std::array<uint8_t, 64> word{};
  const Bytes w = Word(KeyOf(7), 0, 2, 1);
  std::copy(w.begin(), w.end(), word.begin());
  if (SearchWord(book, word.data()) != Status::kOk) std::abort();
  std::vector<int32_t> offsets;
  for (int32_t h = 0; h < book.Hits().Count(); ++h) offsets.push_back(book.Hits()[h].textOffset);
  return offsets;
}

void BM_Article(benchmark::State& state, Where where) {
  OpenBook& book = On(where).book();
  const std::vector<int32_t> offsets = ArticleOffsets(book);
  std::array<uint8_t, 2048> buffer{};
  size_t i = 0;
  for (auto _ : state) {
    ReadingState reading;
    uint32_t count = 0;
    ArticleReader reader(book, reading);
    benchmark::DoNotOptimize(reader.GetWordContent(static_cast<int32_t>(i % offsets.size()), buffer, count));
    ++i;
  }
}

void BM_Page(benchmark::State& state, Where where) {
  OpenBook& book = On(where).book();
  const std::vector<int32_t> offsets = ArticleOffsets(book);
  std::array<uint8_t, 2048> buffer{};
  size_t i = 0;
  for (auto _ : state) {
    ReadingState reading;
    uint32_t count = 0;
    PageReader reader(book, reading);
    benchmark::DoNotOptimize(reader.GetLinkContByPt(offsets[i % offsets.size()], buffer, count));
    ++i;
  }
}

BENCHMARK_CAPTURE(BM_Check, disk, kDisk);
BENCHMARK_CAPTURE(BM_Check, memory, kMemory);
BENCHMARK_CAPTURE(BM_Lookup, exact_disk, kDisk, kExact, kSpreadQueries);
BENCHMARK_CAPTURE(BM_Lookup, exact_disk_few, kDisk, kExact, kFewQueries);
BENCHMARK_CAPTURE(BM_Lookup, exact_memory, kMemory, kExact, kSpreadQueries);
BENCHMARK_CAPTURE(BM_Lookup, exact_memory_few, kMemory, kExact, kFewQueries);
BENCHMARK_CAPTURE(BM_Lookup, forward_disk, kDisk, kForward, kSpreadQueries);
BENCHMARK_CAPTURE(BM_Lookup, forward_disk_few, kDisk, kForward, kFewQueries);
BENCHMARK_CAPTURE(BM_Lookup, forward_memory, kMemory, kForward, kSpreadQueries);
BENCHMARK_CAPTURE(BM_Lookup, forward_memory_few, kMemory, kForward, kFewQueries);
BENCHMARK_CAPTURE(BM_Lookup, backward_disk, kDisk, kBackward, kSpreadQueries);
BENCHMARK_CAPTURE(BM_Lookup, backward_disk_few, kDisk, kBackward, kFewQueries);
BENCHMARK_CAPTURE(BM_Lookup, backward_memory, kMemory, kBackward, kSpreadQueries);
BENCHMARK_CAPTURE(BM_Lookup, backward_memory_few, kMemory, kBackward, kFewQueries);
BENCHMARK_CAPTURE(BM_Article, disk, kDisk);
BENCHMARK_CAPTURE(BM_Article, memory, kMemory);
BENCHMARK_CAPTURE(BM_Page, disk, kDisk);
BENCHMARK_CAPTURE(BM_Page, memory, kMemory);

}  // namespace
}  // namespace tomeshelf

BENCHMARK_MAIN();
