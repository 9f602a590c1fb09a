// A whole session over every export, run once with nothing open, once clean and then once
// per platform call with that call failing, delivering short or throwing. Each time: the
// faulted export gives the clean result or the failure's, the book stays open where it
// should, the same call made again gives the clean result, and when the session ends no
// file is left open.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "api/guarded_call.h"
#include "api/library.h"
#include "support/fault_platform.h"
#include "support/memory_disc.h"
#include "support/session_book.h"

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
  int device = 0;  // the in-memory platform does not look at the device or bitmap object

  Bytes Written() const {
    const auto* p = reinterpret_cast<const uint8_t*>(this);
    return Bytes(p, p + sizeof *this);
  }
};

struct Step {
  const char* name;
  bool quiet;  // answers 0, not -1, with nothing open or after a throw: yes/no and void calls
  std::function<int32_t(Library&, Caller&)> call;
};
using L = Library;
using C = Caller;

// The book is open from step kFirstWithBook to the last two.
constexpr size_t kFirstWithBook = 6;
// A step that passes its arguments as they are; c is the caller.
#define STEP(quiet, f, ...) \
  Step{#f, quiet, [](L& l, [[maybe_unused]] C& c) { return l.f(__VA_ARGS__); }}
const std::vector<Step> kSession = {
    STEP(false, OpenEpwing, kRoot.c_str()),
    STEP(false, epwGetBooks),
    STEP(false, epwSelectBook, 0),
    STEP(false, epwGetBookInfo, 0, &c.info),
    STEP(false, IsEpwBook, kRoot.c_str(), c.title),
    STEP(false, epwBooksOpen),
    STEP(false, epwGetWordProperties, Bytes(kBook.word).data(), &c.props),
    STEP(false, epwGetWordItem, 1, &c.item),
    STEP(false, epwGetWordContent, 0, c.b, kPieceSize, &c.count),
    STEP(false, epwGetNextContentByWord, c.b, kPieceSize, &c.count),
    STEP(false, epwGetLastContentByWord, c.b, kPieceSize, &c.count),
    STEP(false, epwGetLinkContent, kBook.link.data(), c.b, kPieceSize, &c.count),
    STEP(false, GetWordCont, 2, c.b, kPieceSize, &c.count),
    STEP(false, GetWordContNext, c.b, kPieceSize, &c.count),
    // A failed step back keeps the position it moved to: the repeat reads the page before.
    STEP(false, GetWordContLast, c.b, kPieceSize, &c.count),
    STEP(true, GetContLastNoSet, c.b, kPieceSize, &c.count),
    STEP(false, GetLinkContent, kBook.link.data(), c.b, kPieceSize, &c.count),
    STEP(false, GetMenuHead),
    STEP(false, GetLinkContByPt, testing::kBlock, c.b, kPieceSize, &c.count),
    STEP(false, epwGetImageSize, kBook.mono.data(), c.title),
    STEP(false, epwGetImage, kBook.mono.data(), c.b, &c.kind),
    STEP(false, epwGetImageSize, kBook.colour.data(), c.title),
    STEP(false, epwGetImage, kBook.colour.data(), c.b, &c.kind),
    STEP(false, epwGetSoundProp, kBook.sound.data(), &c.sound),
    STEP(false, epwGetPcmSize, kBook.sound.data()),
    STEP(false, epwGetPcmCont, 0, c.b),
    STEP(false, epwShowExCode, kBook.gaiji, 16, 1, 0, 0, 16, 16, 0, 0xFFFFFF, &c.device),
    STEP(false, epwExCode2Bmp, kBook.gaiji, 16, 0, 0, 0, 0, 0, &c.device),
    STEP(false, epwShowExCodePixel, kBook.gaiji, 16, 1, 0, 0, 32, 32, 0, &c.device),
    {"epwBooksClose", true, [](L& l, C&) { return l.epwBooksClose(), 0; }},
    {"CloseEpwing", true, [](L& l, C&) { return l.CloseEpwing(), 0; }},
};
#undef STEP

TEST(FaultSessionTest, WithNothingOpenEveryExportAnswersAtOnceAndWritesNothing) {
  testing::MemoryPlatform empty;
  Library lib(empty);
  for (const Step& step : kSession) {
    Caller caller;
    const Bytes before = caller.Written();
    EXPECT_EQ(step.call(lib, caller), step.quiet ? 0 : -1) << step.name;
    EXPECT_TRUE(caller.Written() == before) << step.name;
    EXPECT_EQ(lib.catalog(), nullptr);
    EXPECT_EQ(lib.book(), nullptr);
  }
}

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
    results.push_back(call());
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
    if (i >= kFirstWithBook && i + 2 < kSession.size()) {
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

}  // namespace
}  // namespace tomeshelf
