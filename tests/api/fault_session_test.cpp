// A whole session over every export, run once with nothing open, once clean and then once
// per platform call with that call failing, delivering short or throwing. Each time: the
// faulted export gives a result of its documented kind, the book stays open where it
// should, the same call made again gives the clean result (after a short read, which reads
// as the file's end, a result of its kind), and when the session ends no file is left open.
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

enum class Kind { kStatus, kPiece, kSize, kFlag, kVoid };

bool OfKind(Kind kind, int32_t r) {
  switch (kind) {
    case Kind::kStatus: return r == 1 || r == -1 || r == -2;
    case Kind::kPiece: return r >= -2 && r <= 1;
    case Kind::kSize: return r >= -2;
    case Kind::kFlag: return r == 0 || r == 1;
    case Kind::kVoid: return r == 0;
  }
  return false;
}

// The caller's memory, filled with a pattern the exports must not write when they refuse.
struct Caller {
  Caller() { buffer.fill(0xAA); }
  testing::SessionBook book = testing::MakeSessionBook();
  std::array<unsigned char, 64 * 1024> buffer{};
  uint32_t count = 0xAAAA;
  char title[TOMESHELF_TITLE_SIZE] = "untouched";
  BookInfo info{0, {}, title};
  WordProperties props{};
  WordItemRecord item{{}, buffer.data()};
  SoundProp sound{};
  ImageKind kind = 0;
  int device = 0;  // the in-memory platform does not look at the device or bitmap object

  Bytes Written() const {
    Bytes out(buffer.begin(), buffer.end());
    auto add = [&](const auto& v) {
      const auto* p = reinterpret_cast<const uint8_t*>(&v);
      out.insert(out.end(), p, p + sizeof v);
    };
    add(count), add(title), add(info), add(props), add(item), add(sound), add(kind), add(device);
    return out;
  }
};

struct Step {
  const char* name;
  Kind kind;
  std::function<int32_t(Library&, Caller&)> call;
};
using L = Library;
using C = Caller;

int32_t Void(const std::function<void()>& f) {
  f();
  return 0;
}

// The book is open from step kFirstWithBook to the last two.
constexpr size_t kFirstWithBook = 6;
const std::vector<Step> kSession = {
    {"OpenEpwing", Kind::kStatus, [](L& l, C&) { return l.OpenEpwing(kRoot.c_str()); }},
    {"epwGetBooks", Kind::kStatus, [](L& l, C&) { return l.epwGetBooks(); }},
    {"epwSelectBook", Kind::kStatus, [](L& l, C&) { return l.epwSelectBook(0); }},
    {"epwGetBookInfo", Kind::kStatus, [](L& l, C& c) { return l.epwGetBookInfo(0, &c.info); }},
    {"IsEpwBook", Kind::kStatus, [](L& l, C& c) { return l.IsEpwBook(kRoot.c_str(), c.title); }},
    {"epwBooksOpen", Kind::kStatus, [](L& l, C&) { return l.epwBooksOpen(); }},
    {"epwGetWordProperties", Kind::kStatus,
     [](L& l, C& c) {
       Bytes word = c.book.word;
       return l.epwGetWordProperties(word.data(), &c.props);
     }},
    {"epwGetWordItem", Kind::kStatus, [](L& l, C& c) { return l.epwGetWordItem(1, &c.item); }},
    {"epwGetWordContent", Kind::kPiece,
     [](L& l, C& c) { return l.epwGetWordContent(0, c.buffer.data(), kPieceSize, &c.count); }},
    {"epwGetNextContentByWord", Kind::kPiece,
     [](L& l, C& c) { return l.epwGetNextContentByWord(c.buffer.data(), kPieceSize, &c.count); }},
    {"epwGetLastContentByWord", Kind::kPiece,
     [](L& l, C& c) { return l.epwGetLastContentByWord(c.buffer.data(), kPieceSize, &c.count); }},
    {"epwGetLinkContent", Kind::kPiece,
     [](L& l, C& c) {
       return l.epwGetLinkContent(c.book.link.data(), c.buffer.data(), kPieceSize, &c.count);
     }},
    {"GetWordCont", Kind::kSize,
     [](L& l, C& c) { return l.GetWordCont(2, c.buffer.data(), kPieceSize, &c.count); }},
    {"GetWordContNext", Kind::kSize,
     [](L& l, C& c) { return l.GetWordContNext(c.buffer.data(), kPieceSize, &c.count); }},
    // A failed step back keeps the position it moved to: the repeat reads the page before.
    {"GetWordContLast", Kind::kSize,
     [](L& l, C& c) { return l.GetWordContLast(c.buffer.data(), kPieceSize, &c.count); }},
    {"GetContLastNoSet", Kind::kFlag,
     [](L& l, C& c) { return l.GetContLastNoSet(c.buffer.data(), kPieceSize, &c.count); }},
    {"GetLinkContent", Kind::kSize,
     [](L& l, C& c) {
       return l.GetLinkContent(c.book.link.data(), c.buffer.data(), kPieceSize, &c.count);
     }},
    {"GetMenuHead", Kind::kSize, [](L& l, C&) { return l.GetMenuHead(); }},
    {"GetLinkContByPt", Kind::kSize,
     [](L& l, C& c) {
       return l.GetLinkContByPt(testing::kBlock, c.buffer.data(), kPieceSize, &c.count);
     }},
    {"epwGetImageSize mono", Kind::kSize,
     [](L& l, C& c) { return l.epwGetImageSize(c.book.mono.data(), c.title); }},
    {"epwGetImage mono", Kind::kSize,
     [](L& l, C& c) { return l.epwGetImage(c.book.mono.data(), c.buffer.data(), &c.kind); }},
    {"epwGetImageSize colour", Kind::kSize,
     [](L& l, C& c) { return l.epwGetImageSize(c.book.colour.data(), c.title); }},
    {"epwGetImage colour", Kind::kSize,
     [](L& l, C& c) { return l.epwGetImage(c.book.colour.data(), c.buffer.data(), &c.kind); }},
    {"epwGetSoundProp", Kind::kStatus,
     [](L& l, C& c) { return l.epwGetSoundProp(c.book.sound.data(), &c.sound); }},
    {"epwGetPcmSize", Kind::kSize, [](L& l, C& c) { return l.epwGetPcmSize(c.book.sound.data()); }},
    {"epwGetPcmCont", Kind::kSize, [](L& l, C& c) { return l.epwGetPcmCont(0, c.buffer.data()); }},
    {"epwShowExCode", Kind::kStatus,
     [](L& l, C& c) {
       return l.epwShowExCode(c.book.gaiji, 16, 1, 0, 0, 16, 16, 0, 0xFFFFFF, &c.device);
     }},
    {"epwExCode2Bmp", Kind::kStatus,
     [](L& l, C& c) { return l.epwExCode2Bmp(c.book.gaiji, 16, 0, 0, 0, 0, 0, &c.device); }},
    {"epwShowExCodePixel", Kind::kStatus,
     [](L& l, C& c) {
       return l.epwShowExCodePixel(c.book.gaiji, 16, 1, 0, 0, 32, 32, 0, &c.device);
     }},
    {"epwBooksClose", Kind::kVoid, [](L& l, C&) { return Void([&] { l.epwBooksClose(); }); }},
    {"CloseEpwing", Kind::kVoid, [](L& l, C&) { return Void([&] { l.CloseEpwing(); }); }},
};

TEST(FaultSessionTest, WithNothingOpenEveryExportAnswersAtOnceAndWritesNothing) {
  testing::MemoryPlatform empty;
  Library lib(empty);
  for (const Step& step : kSession) {
    Caller caller;
    const Bytes before = caller.Written();
    const bool quiet = step.kind == Kind::kVoid || step.kind == Kind::kFlag;
    EXPECT_EQ(step.call(lib, caller), quiet ? 0 : -1) << step.name;
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
  testing::PutMemoryDisc(memory, kRoot, {caller.book.files});
  testing::FaultPlatform platform(memory);
  Library lib(platform);
  platform.Arm(kind, k);
  std::vector<int32_t> results;
  for (size_t i = 0; i < kSession.size(); ++i) {
    const Step& step = kSession[i];
    const int32_t onThrow = step.kind == Kind::kFlag ? 0 : -1;
    auto call = [&] {
      return GuardedCall(lib, [&](L& l) { return step.call(l, caller); }, onThrow);
    };
    results.push_back(call());
    if (!clean || !platform.Fired()) continue;
    platform.Arm(kind, 0);  // the fault is gone for the rest of the session
    SCOPED_TRACE(std::string(step.name) + " at fault point " + std::to_string(k));
    EXPECT_TRUE(OfKind(step.kind, results.back())) << results.back();
    if (i >= kFirstWithBook && i + 2 < kSession.size()) {
      EXPECT_NE(lib.book(), nullptr);
    }
    const int32_t again = call();
    if (kind == FaultKind::kShort) {
      // Fewer bytes read as the file's end: the readers go on from where that left them.
      EXPECT_TRUE(OfKind(step.kind, again)) << again;
    } else if (std::string(step.name) == "GetWordContLast") {
      EXPECT_GE(again, 0);
    } else {
      EXPECT_EQ(again, (*clean)[i]);
    }
  }
  EXPECT_EQ(memory.openFiles, 0) << "fault point " << k;
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
