// Word lookups in a generated book of 200,000 entries, beside the same page reads done
// alone through the book's guarded read (the I/O floor of each lookup), and the same
// lookups through the exported call (its lock and guard on top).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "book/open_book.h"
#include "search/word_search.h"
#include "support/writer.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

using testing::Bytes;

constexpr uint32_t kEntries = 200000;
constexpr uint32_t kKeyChars = 4;
// Present keys use 47 hiragana; absent words carry the one left out, so they are surely absent.
constexpr uint32_t kKana = 47;
constexpr uint8_t kFirstCell = 0x22;
constexpr uint8_t kMissingCell = 0x38;
constexpr uint32_t kKeySpace = kKana * kKana * kKana * kKana;
constexpr uint32_t kSpread = 2654435761u;  // not a multiple of 47: a bijection mod 47^4
constexpr size_t kWordsPerCase = 1024;
constexpr uint16_t kAsterisk = 0x2176;

Bytes KeyOf(uint32_t n) {
  uint32_t v = static_cast<uint32_t>((uint64_t{n} * kSpread) % kKeySpace);
  Bytes key;
  for (uint32_t i = 0; i < kKeyChars; ++i) {
    const auto cell = static_cast<uint8_t>(kFirstCell + v % kKana);
    key.push_back(0x24);
    key.push_back(cell >= kMissingCell ? static_cast<uint8_t>(cell + 1) : cell);
    v /= kKana;
  }
  return key;
}

// A present key with the missing kana put in place of one of its characters.
Bytes Spoilt(Bytes key, size_t at) {
  if (at * 2 + 1 < key.size()) key[at * 2 + 1] = kMissingCell;
  return key;
}

Bytes Part(const Bytes& key, size_t from, size_t chars) {
  return Bytes(key.begin() + static_cast<std::ptrdiff_t>(from * 2),
               key.begin() + static_cast<std::ptrdiff_t>((from + chars) * 2));
}

Bytes WithAsterisk(Bytes word, bool before) {
  const Bytes star{static_cast<uint8_t>(kAsterisk >> 8), static_cast<uint8_t>(kAsterisk)};
  word.insert(before ? word.begin() : word.end(), star.begin(), star.end());
  return word;
}

// Forwards to the system platform, noting each read of an open file while asked to.
struct ReadRecord {
  int64_t offset;
  size_t size;
};

class RecordingPlatform final : public Platform {
 public:
  std::vector<ReadRecord>* log = nullptr;

  std::string ResolvePath(const std::string& path) override { return inner_.ResolvePath(path); }
  std::unique_ptr<File> OpenRead(const std::string& path) override {
    auto file = inner_.OpenRead(path);
    if (!file) return nullptr;
    return std::make_unique<RecordingFile>(*this, std::move(file));
  }
  std::optional<uint64_t> LookupFile(const std::string& path) override { return inner_.LookupFile(path); }
  std::unique_ptr<ChangeWatch> WatchTree(const std::string& dir) override { return inner_.WatchTree(dir); }
  void ShowMessage(const char* text) override { inner_.ShowMessage(text); }
  void StretchImage(void* dc, int32_t l, int32_t t, int32_t w, int32_t h, const DibImage& i) override {
    inner_.StretchImage(dc, l, t, w, h, i);
  }
  void SetPixel(void* dc, int32_t x, int32_t y, uint32_t c) override { inner_.SetPixel(dc, x, y, c); }
  bool AttachBitmap(void* b, const MonoBitmap& m) override { return inner_.AttachBitmap(b, m); }

 private:
  class RecordingFile final : public File {
   public:
    RecordingFile(RecordingPlatform& owner, std::unique_ptr<File> file)
        : owner_(owner), file_(std::move(file)) {}
    std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) override {
      if (owner_.log) owner_.log->push_back({static_cast<int64_t>(offset), out.size()});
      return file_->ReadAt(offset, out);
    }
    std::optional<uint64_t> Size() override { return file_->Size(); }
    bool Close() override { return file_->Close(); }

   private:
    RecordingPlatform& owner_;
    std::unique_ptr<File> file_;
  };

  Platform& inner_ = SystemPlatform();
};

enum Case { kExactHit, kExactMiss, kForwardHit, kForwardMiss, kBackwardHit, kBackwardMiss, kCases };

// The book, written once, open for all benchmarks; each case's words and their reads.
class Fixture {
 public:
  Fixture() {
    testing::TextFileBuilder text;
    for (bool backward : {false, true}) {
      testing::IndexShape shape;
      shape.backward = backward;
      testing::IndexBuilder builder(shape);
      for (uint32_t i = 0; i < kEntries; ++i) {
        builder.Add(testing::IndexWord{KeyOf(i), {100000 + i, 0}, {300000 + i, 0}});
      }
      testing::IndexTableEntry entry{backward ? kKanaBackwardIndex : kKanaIndex, 0, 0,
                                     {0x55, 0x55, 0x55}, 0};
      testing::WriteIndex(text, builder.Build(text), entry);
    }
    testing::WriteFile(dir_.path() / "book" / "data" / "honmon", text.Build());
    testing::WriteFile(dir_.path() / "CATALOGS", testing::CatalogBytes({{0x00, "Bench", "BOOK", {}}}));
    book_ = std::make_unique<OpenBook>(platform_);
    if (book_->OpenFiles(dir_.Windows("book")) != Status::kOk) std::abort();
    MakeWords();
    for (int c = 0; c < kCases; ++c) {
      for (const Bytes& w : words_[c]) {
        std::vector<ReadRecord> reads;
        platform_.log = &reads;
        Search(w);
        platform_.log = nullptr;
        reads_[c].push_back(std::move(reads));
      }
    }
  }

  Status Search(const Bytes& word) {
    std::array<uint8_t, 64> buffer{};
    std::copy(word.begin(), word.end(), buffer.begin());
    return SearchWord(*book_, buffer.data());
  }

  OpenBook& book() { return *book_; }
  std::string Root() const { return dir_.Windows(); }
  const std::vector<Bytes>& words(int c) const { return words_[c]; }
  const std::vector<std::vector<ReadRecord>>& reads(int c) const { return reads_[c]; }

 private:
  void MakeWords() {
    for (uint32_t i = 0; i < kWordsPerCase; ++i) {
      const Bytes key = KeyOf(i * 191 % kEntries);
      words_[kExactHit].push_back(key);
      words_[kForwardHit].push_back(WithAsterisk(Part(key, 0, 3), false));
      words_[kBackwardHit].push_back(WithAsterisk(Part(key, 1, 3), true));
      words_[kExactMiss].push_back(Spoilt(key, 3));
      words_[kForwardMiss].push_back(WithAsterisk(Part(Spoilt(key, 2), 0, 3), false));
      words_[kBackwardMiss].push_back(WithAsterisk(Part(Spoilt(key, 1), 1, 3), true));
    }
  }

  testing::TempDir dir_;
  RecordingPlatform platform_;
  std::unique_ptr<OpenBook> book_;
  std::array<std::vector<Bytes>, kCases> words_;
  std::array<std::vector<std::vector<ReadRecord>>, kCases> reads_;
};

Fixture& Book() {
  static Fixture fixture;
  return fixture;
}

void BM_Lookup(benchmark::State& state, int c) {
  Fixture& f = Book();
  const auto& words = f.words(c);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.Search(words[i]));
    i = (i + 1) % words.size();
  }
  state.SetItemsProcessed(state.iterations());
}

// The same lookups through the exported call, on the process-wide library.
void BM_LookupExport(benchmark::State& state, int c) {
  Fixture& f = Book();
  if (OpenEpwing(f.Root().c_str()) != 1 || epwBooksOpen() != 1) std::abort();
  const auto& words = f.words(c);
  size_t i = 0;
  std::array<uint8_t, 64> buffer{};
  WordProperties props{};
  for (auto _ : state) {
    std::copy(words[i].begin(), words[i].end(), buffer.begin());
    buffer[words[i].size()] = 0;
    buffer[words[i].size() + 1] = 0;
    benchmark::DoNotOptimize(epwGetWordProperties(buffer.data(), &props));
    i = (i + 1) % words.size();
  }
  state.SetItemsProcessed(state.iterations());
  epwBooksClose();
  CloseEpwing();
}

// The reads one lookup makes, made alone through the same guarded read.
void BM_PageReadsAlone(benchmark::State& state, int c) {
  Fixture& f = Book();
  const auto& reads = f.reads(c);
  std::vector<uint8_t> buffer(testing::kBlock * 32);
  size_t i = 0;
  for (auto _ : state) {
    for (const ReadRecord& r : reads[i]) {
      benchmark::DoNotOptimize(
          f.book().Read(static_cast<int32_t>(r.offset), std::span<uint8_t>(buffer.data(), r.size)));
    }
    i = (i + 1) % reads.size();
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(BM_Lookup, exact_present, kExactHit);
BENCHMARK_CAPTURE(BM_LookupExport, exact_present, kExactHit);
BENCHMARK_CAPTURE(BM_LookupExport, exact_absent, kExactMiss);
BENCHMARK_CAPTURE(BM_PageReadsAlone, exact_present, kExactHit);
BENCHMARK_CAPTURE(BM_Lookup, exact_absent, kExactMiss);
BENCHMARK_CAPTURE(BM_PageReadsAlone, exact_absent, kExactMiss);
BENCHMARK_CAPTURE(BM_Lookup, forward_present, kForwardHit);
BENCHMARK_CAPTURE(BM_PageReadsAlone, forward_present, kForwardHit);
BENCHMARK_CAPTURE(BM_Lookup, forward_absent, kForwardMiss);
BENCHMARK_CAPTURE(BM_PageReadsAlone, forward_absent, kForwardMiss);
BENCHMARK_CAPTURE(BM_Lookup, backward_present, kBackwardHit);
BENCHMARK_CAPTURE(BM_PageReadsAlone, backward_present, kBackwardHit);
BENCHMARK_CAPTURE(BM_Lookup, backward_absent, kBackwardMiss);
BENCHMARK_CAPTURE(BM_PageReadsAlone, backward_absent, kBackwardMiss);

}  // namespace
}  // namespace tomeshelf

BENCHMARK_MAIN();
