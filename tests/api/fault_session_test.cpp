// A whole session over every export, run once with nothing open, once clean and then once
// per platform call with that call failing, delivering short or throwing. Each time: the
// faulted export gives the clean result or the failure's, the book stays open where it
// should, the same call made again gives the clean result, and when the session ends no
// file is left open. The same steps through the C interface with NULL pointers, and from
// four threads at once over real files; then what a hostile disc may name.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "api/guarded_call.h"
#include "api/library.h"
#include "support/fault_platform.h"
#include "support/memory_disc.h"
#include "support/session_book.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

using testing::Bytes;
using testing::FaultKind;

const std::string kRoot = "M:\\DISC";
constexpr uint32_t kPieceSize = 200;

const testing::SessionBook kBook = testing::MakeSessionBook();

// The caller's memory, filled with a pattern the exports must not write when they refuse.
struct Caller {
  Caller() { buffer.fill(0xAA); }
  std::array<unsigned char, 64 * 1024> buffer{};
  unsigned char* const b = buffer.data();
  uint32_t count = 0xAAAA;
  char title[TOMESHELF_TITLE_SIZE] = "untouched";
  BookInfo info{0, {}, title};
  WordProperties props{};
  WordItemRecord item{{}, buffer.data()};
  SoundProp sound{};
  ImageKind kind = 0;
  const char* root = kRoot.c_str();
  struct { const void* table; void* handle; } device{};  // a framework object with no device
  // Every pointer a step passes goes through P; with nullAt k, the k-th of them is null.
  int nullAt = -1, pointers = 0;

  template <typename T>
  T* P(T* p) { return pointers++ == nullAt ? nullptr : p; }
  BookInfo* Info() { return info.title = P(title), P(&info); }
  WordItemRecord* Item() { return item.itemBuffer = P(b), P(&item); }
  Bytes Written() const {
    const auto* p = reinterpret_cast<const uint8_t*>(this);
    return Bytes(p, reinterpret_cast<const uint8_t*>(&nullAt));
  }
};

struct Step {
  const char* name;
  bool quiet;  // answers 0, not -1, with nothing open or after a throw: yes/no and void calls
  std::function<int32_t(Library&, Caller&)> call;
  std::function<int32_t(Caller&)> exported;  // the same call through the C interface
};
using L = Library;
using C = Caller;

// The book is open from step kFirstWithBook to the last two; it is opened again on the way.
constexpr size_t kFirstWithBook = 6;
// A step: the call on a Library, and the same call through the C interface; c is the caller.
#define STEP(quiet, f, ...)                                                       \
  Step{#f, quiet, [](L& l, [[maybe_unused]] C& c) { return l.f(__VA_ARGS__); }, \
       []([[maybe_unused]] C& c) { return ::f(__VA_ARGS__); }}
const std::vector<Step> kSession = {
    STEP(false, OpenEpwing, c.P(c.root)),
    STEP(false, epwGetBooks),
    STEP(false, epwSelectBook, 0),
    STEP(false, epwGetBookInfo, 0, c.Info()),
    STEP(false, IsEpwBook, c.P(c.root), c.P(c.title)),
    STEP(false, epwBooksOpen),
    STEP(false, epwGetWordProperties, c.P(Bytes(kBook.word).data()), c.P(&c.props)),
    STEP(false, epwGetWordItem, 1, c.Item()),
    STEP(false, epwGetWordContent, 0, c.P(c.b), kPieceSize, c.P(&c.count)),
    STEP(false, epwGetNextContentByWord, c.P(c.b), kPieceSize, c.P(&c.count)),
    STEP(false, epwGetLastContentByWord, c.P(c.b), kPieceSize, c.P(&c.count)),
    STEP(false, epwGetLinkContent, c.P(kBook.link.data()), c.P(c.b), kPieceSize, c.P(&c.count)),
    STEP(false, GetWordCont, 2, c.P(c.b), kPieceSize, c.P(&c.count)),
    STEP(false, GetWordContNext, c.P(c.b), kPieceSize, c.P(&c.count)),
    // A failed step back keeps the position it moved to: the repeat reads the page before.
    STEP(false, GetWordContLast, c.P(c.b), kPieceSize, c.P(&c.count)),
    STEP(true, GetContLastNoSet, c.P(c.b), kPieceSize, c.P(&c.count)),
    STEP(false, GetLinkContent, c.P(kBook.link.data()), c.P(c.b), kPieceSize, c.P(&c.count)),
    STEP(false, GetMenuHead),
    STEP(false, GetLinkContByPt, testing::kBlock, c.P(c.b), kPieceSize, c.P(&c.count)),
    STEP(false, epwGetImageSize, c.P(kBook.mono.data()), c.P(c.title)),
    STEP(false, epwGetImage, c.P(kBook.mono.data()), c.P(c.b), c.P(&c.kind)),
    STEP(false, epwGetImageSize, c.P(kBook.colour.data()), c.P(c.title)),
    STEP(false, epwGetImage, c.P(kBook.colour.data()), c.P(c.b), c.P(&c.kind)),
    STEP(false, epwGetSoundProp, c.P(kBook.sound.data()), c.P(&c.sound)),
    STEP(false, epwGetPcmSize, c.P(kBook.sound.data())),
    STEP(false, epwGetPcmCont, 0, c.P(c.b)),
    STEP(false, epwShowExCode, kBook.gaiji, 16, 1, 0, 0, 16, 16, 0, 0xFFFFFF, c.P(&c.device)),
    STEP(false, epwShowExCodePixel, kBook.gaiji, 16, 1, 0, 0, 32, 32, 0, c.P(&c.device)),
    STEP(false, epwExCode2Bmp, kBook.gaiji, 16, 0, 0, 0, 0, 0, c.P(&c.device)),
    STEP(false, epwBooksOpen),
    {"epwBooksClose", true, [](L& l, C&) { return l.epwBooksClose(), 0; }, {}},
    {"CloseEpwing", true, [](L& l, C&) { return l.CloseEpwing(), 0; }, {}},
};
#undef STEP

const ReadingState kFresh{};

// One session; with a fault armed at call k, checks the step it lands in.
std::vector<int32_t> RunSession(FaultKind kind, int64_t k, const std::vector<int32_t>* clean,
                                int64_t* calls = nullptr) {
  testing::MemoryPlatform memory;
  Caller caller;
  testing::PutMemoryDisc(memory, kRoot, {kBook.files});
  testing::FaultPlatform platform(memory);
  Library lib(platform);
  platform.Arm(kind, k);
  std::vector<int32_t> results;
  bool fired = false;
  for (size_t i = 0; i < kSession.size(); ++i) {
    const Step& step = kSession[i];
    const int32_t onThrow = step.quiet ? 0 : -1;
    auto call = [&] {
      return GuardedCall(lib, [&](L& l) { return step.call(l, caller); }, onThrow);
    };
    const size_t drawn = memory.stretches.size() + memory.pixels.size() + memory.bitmaps.size();
    results.push_back(call());
    // Positions left by an unfinished article or page point into the book that was closed.
    if (std::string(step.name) == "epwBooksOpen" && results.back() == 1) {
      EXPECT_EQ(std::memcmp(&lib.reading(), &kFresh, sizeof kFresh), 0) << i;
    }
    if (!clean || !platform.Fired()) continue;
    fired = true;
    platform.Arm(kind, 0);  // the fault is gone for the rest of the session
    SCOPED_TRACE(std::string(step.name) + " (step " + std::to_string(i) + ") at fault point " +
                 std::to_string(k));
    // A fault gives the clean answer, or the failure's; a short read reads as the file's end,
    // and a bitmap object that takes no bitmap is refused.
    const int32_t r = results.back(), want = (*clean)[i];
    EXPECT_TRUE(r == want || r == onThrow || (kind == FaultKind::kShort && r >= 0 && r < want) ||
                (r == -2 && std::string(step.name) == "epwExCode2Bmp")) << r;
    if (r < 0) {  // and draws nothing
      EXPECT_EQ(memory.stretches.size() + memory.pixels.size() + memory.bitmaps.size(), drawn);
    }
    const bool reopen = std::string(step.name) == "epwBooksOpen";
    if (i >= kFirstWithBook && i + 2 < kSession.size() && !reopen) {
      EXPECT_NE(lib.book(), nullptr);
    }
    // The same call again gives the clean answer; a short sound read used the sound up.
    const int32_t again = call();
    if (kind == FaultKind::kShort) {
      EXPECT_TRUE(again == want || (again == -2 && std::string(step.name) == "epwGetPcmCont")) << again;
    } else if (std::string(step.name) == "GetWordContLast") {
      EXPECT_GE(again, 0);
    } else {
      EXPECT_EQ(again, want);
    }
  }
  EXPECT_EQ(memory.openFiles, 0) << "fault point " << k;
  EXPECT_TRUE(!clean || fired || kind == FaultKind::kShort) << "fault point " << k;
  if (calls) *calls = platform.Calls();
  return results;
}

TEST(FaultSessionTest, EveryPlatformCallFailsShortensOrThrowsInTurn) {
  int64_t calls = 0;
  const std::vector<int32_t> clean = RunSession(FaultKind::kFail, 0, nullptr, &calls);
  for (size_t i = 0; i < clean.size(); ++i) EXPECT_GE(clean[i], 0) << kSession[i].name;
  ASSERT_GT(calls, 50);  // the session reaches the platform on every path
  for (FaultKind kind : {FaultKind::kFail, FaultKind::kShort, FaultKind::kThrow}) {
    for (int64_t k = 1; k <= calls; ++k) {
      RunSession(kind, k, &clean);
      if (HasFailure()) return;  // one report is enough
    }
  }
}

// Every step answers at once and writes nothing with nothing open. Through the C interface,
// with the catalog and book open and a word searched as the session does, every pointer it
// passes (counted on the idle library), nulled one at a time, is refused and changes nothing.
TEST(FaultSessionTest, NothingOpenOrANullPointerIsAnsweredAtOnceAndChangesNothing) {
  const testing::SessionDisc disc;
  testing::MemoryPlatform empty;
  Library idle(empty), &lib = ProcessLibrary();
  Caller real;
  real.root = disc.root.c_str();
  for (size_t i = 0; i < kSession.size(); ++i) {
    const Step& step = kSession[i];
    Caller probe;
    const Bytes written = probe.Written();
    EXPECT_EQ(step.call(idle, probe), step.quiet ? 0 : -1) << step.name;
    EXPECT_TRUE(probe.Written() == written && !idle.catalog() && !idle.book()) << step.name;
    const OpenBook* open = lib.book();
    const ReadingState before = lib.reading();
    for (int k = 0; k < probe.pointers; ++k) {
      Caller c;
      c.nullAt = k;
      EXPECT_EQ(step.exported(c), -2) << step.name << " pointer " << k;
    }
    EXPECT_TRUE(lib.book() == open && !std::memcmp(&before, &lib.reading(), sizeof before))
        << step.name;
    if (i <= kFirstWithBook) {
      ASSERT_EQ(step.exported(real), 1) << step.name;
    }
  }
  CloseEpwing();  // an open that fails for want of a catalog still closes the book open before
  EXPECT_EQ(epwBooksOpen(), -1);
  EXPECT_EQ(lib.book(), nullptr);
}

// A book or font whose name climbs out of the disc, or is no name, is not opened.
TEST(HostileNameTest, DirectoryOrFontThatClimbsOutOrIsNoNameIsNotOpened) {
  for (const char* name : {"..", "../../..", "..\\..", ".", ". .", "...", "", "   ", "a/b", "a\\b",
                           "..\\FONT", "../FONT", "  ..  ", "FONT16F"}) {
    const bool good = std::string(name) == "FONT16F";
    testing::BookFiles book = kBook.files;
    book.entry.fonts[0] = name;
    book.fonts = {{name, kBook.files.fonts.at("FONT16F")}};
    testing::MemoryPlatform platform, fontPlatform;
    const testing::BookFiles away{{0x00, "Away", name, {}}, testing::TextFileBuilder().Build(), {}};
    testing::PutMemoryDisc(platform, kRoot, {away});
    testing::PutMemoryDisc(fontPlatform, kRoot, {book});
    Library lib(platform), fontLib(fontPlatform);
    EXPECT_TRUE(good || lib.OpenEpwing(kRoot.c_str()) != 1 || lib.epwBooksOpen() != 1) << name;
    EXPECT_TRUE(good || (lib.book() == nullptr && platform.openFiles == 0)) << name;
    ASSERT_TRUE(fontLib.OpenEpwing(kRoot.c_str()) == 1 && fontLib.epwBooksOpen() == 1);
    EXPECT_EQ(fontLib.epwShowExCode(kBook.gaiji, 16, 1, 0, 0, 16, 16, 0, 0, nullptr), good ? 1 : -1)
        << name;
  }
}

// Each call runs whole (CI runs this under ThreadSanitizer): four threads run the steps on
// the book over real files, thread 0 opening the catalog and book again now and then. After
// them, a session up to the bitmap (which would be the caller's to free) gives exactly the
// in-memory session's results.
TEST(ThreadsTest, ConcurrentCallsEachRunWholeAndLeaveTheLibrarySound) {
  const testing::SessionDisc disc;
  const size_t end = kSession.size() - 4;
  auto run = [&](size_t from, std::vector<int32_t>& out) {
    Caller c;
    c.root = disc.root.c_str();
    for (size_t i = from; i < end; ++i) {
      const int32_t r = kSession[i].exported(c);
      out.push_back(c.count > kPieceSize && c.count != 0xAAAA ? -99 : r);  // -99: counted too much
    }
  };
  std::vector<int32_t> results[5];
  run(0, results[4]);
  std::vector<std::thread> threads;
  for (size_t id = 0; id < 4; ++id) {
    threads.emplace_back([&, id] {
      for (int round = 0; round < 40; ++round) {
        run(id == 0 && round % 10 == 5 ? 0 : kFirstWithBook, results[id]);
      }
    });
  }
  for (auto& t : threads) t.join();
  for (const auto& r : results) EXPECT_GE(*std::min_element(r.begin(), r.end()), -2);
  const std::vector<int32_t> clean = RunSession(FaultKind::kFail, 0, nullptr);
  std::vector<int32_t> after;
  run(0, after);
  EXPECT_EQ(after, std::vector<int32_t>(clean.begin(), clean.begin() + end));
  epwBooksClose();
  CloseEpwing();
}

}  // namespace
}  // namespace tomeshelf
