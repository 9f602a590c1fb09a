// A whole session over every kind of export, run once clean and then once per platform
// call with that call failing, delivering short or throwing. Each time: the faulted export
// gives a result of its documented kind, the book stays open where it should, the same
// call made again gives the clean result (after a short read, which reads as the file's
// end, a result of its kind), and when the session ends no file is left open.
#include <gtest/gtest.h>

#include <array>
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

enum class Kind { kStatus, kPiece, kSize, kFlag, kVoid };

bool OfKind(Kind kind, int32_t r) {
  switch (kind) {
    case Kind::kStatus:
      return r == 1 || r == -1 || r == -2;
    case Kind::kPiece:
      return r == 0 || r == 1 || r == -1 || r == -2;
    case Kind::kSize:
      return r >= -2;
    case Kind::kFlag:
      return r == 0 || r == 1;
    case Kind::kVoid:
      return r == 0;
  }
  return false;
}

struct Caller {
  testing::SessionBook book = testing::MakeSessionBook();
  std::array<unsigned char, 64 * 1024> buffer{};
  uint32_t count = 0;
  char title[TOMESHELF_TITLE_SIZE] = {};
  BookInfo info{0, {}, title};
  WordProperties props{};
  WordItemRecord item{{}, buffer.data()};
  SoundProp sound{};
  ImageKind kind = 0;
  int device = 0;  // the in-memory platform does not look at the device or bitmap object
};

struct Step {
  const char* name;
  Kind kind;
  bool bookStaysOpen;
  // False where a failed call keeps the position it moved to (the step back of
  // GetWordContLast): the repeat then reads the page before, and succeeds all the same.
  bool repeatIsClean;
  std::function<int32_t(Library&, Caller&)> call;
};

int32_t Void(const std::function<void()>& f) {
  f();
  return 0;
}

const std::vector<Step>& Session() {
  static const std::vector<Step> steps = {
      {"OpenEpwing", Kind::kStatus, false, true,
       [](Library& l, Caller&) { return l.OpenEpwing(kRoot.c_str()); }},
      {"epwGetBooks", Kind::kStatus, false, true,
       [](Library& l, Caller&) { return l.epwGetBooks(); }},
      {"epwGetBookInfo", Kind::kStatus, false, true,
       [](Library& l, Caller& c) { return l.epwGetBookInfo(0, &c.info); }},
      {"IsEpwBook", Kind::kStatus, false, true,
       [](Library& l, Caller& c) { return l.IsEpwBook(kRoot.c_str(), c.title); }},
      {"epwBooksOpen", Kind::kStatus, false, true,
       [](Library& l, Caller&) { return l.epwBooksOpen(); }},
      {"epwGetWordProperties", Kind::kStatus, true, true,
       [](Library& l, Caller& c) {
         Bytes word = c.book.word;
         return l.epwGetWordProperties(word.data(), &c.props);
       }},
      {"epwGetWordItem", Kind::kStatus, true, true,
       [](Library& l, Caller& c) { return l.epwGetWordItem(1, &c.item); }},
      {"epwGetWordContent", Kind::kPiece, true, true,
       [](Library& l, Caller& c) {
         return l.epwGetWordContent(0, c.buffer.data(), kPieceSize, &c.count);
       }},
      {"epwGetWordContent again", Kind::kPiece, true, true,
       [](Library& l, Caller& c) {
         return l.epwGetWordContent(0, c.buffer.data(), kPieceSize, &c.count);
       }},
      {"epwGetNextContentByWord", Kind::kPiece, true, true,
       [](Library& l, Caller& c) {
         return l.epwGetNextContentByWord(c.buffer.data(), kPieceSize, &c.count);
       }},
      {"epwGetLastContentByWord", Kind::kPiece, true, true,
       [](Library& l, Caller& c) {
         return l.epwGetLastContentByWord(c.buffer.data(), kPieceSize, &c.count);
       }},
      {"epwGetLinkContent", Kind::kPiece, true, true,
       [](Library& l, Caller& c) {
         return l.epwGetLinkContent(c.book.link.data(), c.buffer.data(), kPieceSize, &c.count);
       }},
      {"GetWordCont", Kind::kSize, true, true,
       [](Library& l, Caller& c) {
         return l.GetWordCont(2, c.buffer.data(), kPieceSize, &c.count);
       }},
      {"GetWordContNext", Kind::kSize, true, true,
       [](Library& l, Caller& c) {
         return l.GetWordContNext(c.buffer.data(), kPieceSize, &c.count);
       }},
      {"GetWordContLast", Kind::kSize, true, false,
       [](Library& l, Caller& c) {
         return l.GetWordContLast(c.buffer.data(), kPieceSize, &c.count);
       }},
      {"GetContLastNoSet", Kind::kFlag, true, true,
       [](Library& l, Caller& c) {
         return l.GetContLastNoSet(c.buffer.data(), kPieceSize, &c.count);
       }},
      {"GetLinkContent", Kind::kSize, true, true,
       [](Library& l, Caller& c) {
         return l.GetLinkContent(c.book.link.data(), c.buffer.data(), kPieceSize, &c.count);
       }},
      {"GetMenuHead", Kind::kSize, true, true, [](Library& l, Caller&) { return l.GetMenuHead(); }},
      {"GetLinkContByPt", Kind::kSize, true, true,
       [](Library& l, Caller& c) {
         return l.GetLinkContByPt(testing::kBlock, c.buffer.data(), kPieceSize, &c.count);
       }},
      {"epwGetImageSize mono", Kind::kSize, true, true,
       [](Library& l, Caller& c) { return l.epwGetImageSize(c.book.mono.data(), c.title); }},
      {"epwGetImage mono", Kind::kSize, true, true,
       [](Library& l, Caller& c) {
         return l.epwGetImage(c.book.mono.data(), c.buffer.data(), &c.kind);
       }},
      {"epwGetImageSize colour", Kind::kSize, true, true,
       [](Library& l, Caller& c) { return l.epwGetImageSize(c.book.colour.data(), c.title); }},
      {"epwGetImage colour", Kind::kSize, true, true,
       [](Library& l, Caller& c) {
         return l.epwGetImage(c.book.colour.data(), c.buffer.data(), &c.kind);
       }},
      {"epwGetSoundProp", Kind::kStatus, true, true,
       [](Library& l, Caller& c) { return l.epwGetSoundProp(c.book.sound.data(), &c.sound); }},
      {"epwGetPcmSize", Kind::kSize, true, true,
       [](Library& l, Caller& c) { return l.epwGetPcmSize(c.book.sound.data()); }},
      {"epwGetPcmCont", Kind::kSize, true, true,
       [](Library& l, Caller& c) { return l.epwGetPcmCont(0, c.buffer.data()); }},
      {"epwShowExCode", Kind::kStatus, true, true,
       [](Library& l, Caller& c) {
         return l.epwShowExCode(c.book.gaiji, 16, 1, 0, 0, 16, 16, 0, 0xFFFFFF, &c.device);
       }},
      {"epwExCode2Bmp", Kind::kStatus, true, true,
       [](Library& l, Caller& c) {
         return l.epwExCode2Bmp(c.book.gaiji, 16, 0, 0, 0, 0, 0, &c.device);
       }},
      {"epwShowExCodePixel", Kind::kStatus, true, true,
       [](Library& l, Caller& c) {
         return l.epwShowExCodePixel(c.book.gaiji, 16, 1, 0, 0, 32, 32, 0, &c.device);
       }},
      {"epwBooksClose", Kind::kVoid, false, true,
       [](Library& l, Caller&) { return Void([&] { l.epwBooksClose(); }); }},
      {"CloseEpwing", Kind::kVoid, false, true,
       [](Library& l, Caller&) { return Void([&] { l.CloseEpwing(); }); }},
  };
  return steps;
}

struct SessionRun {
  std::vector<int32_t> results;
  int64_t calls = 0;
};

// One session; with a fault armed at call k, checks the step it lands in.
SessionRun RunSession(FaultKind kind, int64_t k, const std::vector<int32_t>* clean) {
  testing::MemoryPlatform memory;
  Caller caller;
  testing::PutMemoryDisc(memory, kRoot, {caller.book.files});
  testing::FaultPlatform platform(memory);
  Library lib(platform);
  platform.Arm(kind, k);
  SessionRun run;
  const auto& steps = Session();
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    const int32_t onThrow = step.kind == Kind::kFlag ? 0 : -1;
    const int32_t result = GuardedCall(
        lib, [&](Library& l) { return step.call(l, caller); }, onThrow);
    run.results.push_back(result);
    if (!clean || !platform.Fired()) continue;
    platform.Arm(kind, 0);  // the fault is gone for the rest of the session
    SCOPED_TRACE(std::string(step.name) + " at fault point " + std::to_string(k));
    EXPECT_TRUE(OfKind(step.kind, result)) << result;
    if (step.bookStaysOpen) {
      EXPECT_NE(lib.book(), nullptr);
    }
    const int32_t again = GuardedCall(
        lib, [&](Library& l) { return step.call(l, caller); }, onThrow);
    if (kind == FaultKind::kShort) {
      // Fewer bytes read as the file's end: the readers go on from where that left them.
      EXPECT_TRUE(OfKind(step.kind, again)) << again;
    } else if (step.repeatIsClean) {
      EXPECT_EQ(again, (*clean)[i]);
    } else {
      EXPECT_GE(again, 0);
    }
  }
  EXPECT_EQ(memory.openFiles, 0) << "fault point " << k;
  run.calls = platform.Calls();
  return run;
}

TEST(FaultSessionTest, EveryPlatformCallFailsShortensOrThrowsInTurn) {
  const SessionRun clean = RunSession(FaultKind::kFail, 0, nullptr);
  for (size_t i = 0; i < clean.results.size(); ++i) {
    EXPECT_TRUE(clean.results[i] >= 0) << Session()[i].name << " " << clean.results[i];
  }
  ASSERT_GT(clean.calls, 50);  // the session reaches the platform on every path
  for (FaultKind kind : {FaultKind::kFail, FaultKind::kShort, FaultKind::kThrow}) {
    for (int64_t k = 1; k <= clean.calls; ++k) {
      RunSession(kind, k, &clean.results);
      if (HasFailure()) return;  // one report is enough
    }
  }
}

}  // namespace
}  // namespace tomeshelf
