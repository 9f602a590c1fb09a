// Every export, called with no catalog and no book, answers at once and touches nothing.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "api/library.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

constexpr unsigned char kFill = 0xAA;
constexpr uint32_t kBufferSize = 64;

// A framework object as the drawing exports take it: the device or bitmap in the second word.
struct FrameworkObject {
  const void* table;
  void* handle;
};

// The caller's memory that an export might write, filled with a pattern beforehand.
struct CallerMemory {
  unsigned char buffer[kBufferSize];
  uint32_t count;
  unsigned char word[8];
  unsigned char reference[16];
  char title[TOMESHELF_TITLE_SIZE];
  char caption[256];
  BookInfo info;
  WordProperties props;
  WordItemRecord item;
  SoundProp sound;
  ImageKind imageKind;
  FrameworkObject device;
  FrameworkObject bitmap;
};

using Snapshot = std::array<unsigned char, sizeof(CallerMemory)>;

void Prepare(CallerMemory& m) {
  std::memset(static_cast<void*>(&m), kFill, sizeof(m));
  std::memcpy(m.word, "\x24\x22\x24\x24", 5);
  std::memcpy(m.reference, "\x1f\x42\x1f\x62", 4);
  m.info.title = m.title;
  m.item.itemBuffer = m.buffer;
  m.device.handle = nullptr;
  m.bitmap.handle = nullptr;
}

Snapshot Bytes(const CallerMemory& m) {
  Snapshot out;
  std::memcpy(out.data(), static_cast<const void*>(&m), sizeof(m));
  return out;
}

struct Export {
  const char* name;
  int32_t expected;
  std::function<int32_t(CallerMemory&)> call;
};

constexpr int32_t kQuiet = 0;  // the void exports: nothing to return

const Export kExports[] = {
    {"OpenEpwing", -1, [](CallerMemory&) { return OpenEpwing("/no/such/disc/at/all"); }},
    {"CloseEpwing", kQuiet, [](CallerMemory&) { CloseEpwing(); return kQuiet; }},
    {"epwGetBooks", -1, [](CallerMemory&) { return epwGetBooks(); }},
    {"epwGetBookInfo", -1, [](CallerMemory& m) { return epwGetBookInfo(0, &m.info); }},
    {"epwSelectBook", -1, [](CallerMemory&) { return epwSelectBook(0); }},
    {"epwBooksOpen", -1, [](CallerMemory&) { return epwBooksOpen(); }},
    {"epwBooksClose", kQuiet, [](CallerMemory&) { epwBooksClose(); return kQuiet; }},
    {"epwGetWordProperties", -1,
     [](CallerMemory& m) { return epwGetWordProperties(m.word, &m.props); }},
    {"epwGetWordItem", -1, [](CallerMemory& m) { return epwGetWordItem(0, &m.item); }},
    {"epwGetWordContent", -1,
     [](CallerMemory& m) { return epwGetWordContent(0, m.buffer, kBufferSize, &m.count); }},
    {"epwGetImageSize", -1,
     [](CallerMemory& m) { return epwGetImageSize(m.reference, m.caption); }},
    {"epwGetImage", -1,
     [](CallerMemory& m) { return epwGetImage(m.reference, m.buffer, &m.imageKind); }},
    {"epwGetSoundProp", -1,
     [](CallerMemory& m) { return epwGetSoundProp(m.reference, &m.sound); }},
    {"epwGetPcmSize", -1, [](CallerMemory& m) { return epwGetPcmSize(m.reference); }},
    {"epwGetPcmCont", -1, [](CallerMemory& m) { return epwGetPcmCont(0, m.buffer); }},
    {"epwGetNextContentByWord", -1,
     [](CallerMemory& m) { return epwGetNextContentByWord(m.buffer, kBufferSize, &m.count); }},
    {"epwGetLastContentByWord", -1,
     [](CallerMemory& m) { return epwGetLastContentByWord(m.buffer, kBufferSize, &m.count); }},
    {"epwShowExCode", -1,
     [](CallerMemory& m) {
       return epwShowExCode(0xA121, 16, 1, 0, 0, 16, 16, 0, 0xFFFFFF, &m.device);
     }},
    {"epwExCode2Bmp", -1,
     [](CallerMemory& m) { return epwExCode2Bmp(0xA121, 16, 1, 0, 0, 0, 0xFFFFFF, &m.bitmap); }},
    {"epwShowExCodePixel", -1,
     [](CallerMemory& m) {
       return epwShowExCodePixel(0xA121, 16, 1, 0, 0, 16, 16, 0, &m.device);
     }},
    {"epwGetLinkContent", -1,
     [](CallerMemory& m) {
       return epwGetLinkContent(m.reference, m.buffer, kBufferSize, &m.count);
     }},
    {"GetWordCont", -1,
     [](CallerMemory& m) { return GetWordCont(0, m.buffer, kBufferSize, &m.count); }},
    {"GetWordContLast", -1,
     [](CallerMemory& m) { return GetWordContLast(m.buffer, kBufferSize, &m.count); }},
    {"GetWordContNext", -1,
     [](CallerMemory& m) { return GetWordContNext(m.buffer, kBufferSize, &m.count); }},
    {"GetLinkContent", -1,
     [](CallerMemory& m) { return GetLinkContent(m.reference, m.buffer, kBufferSize, &m.count); }},
    {"GetLinkContByPt", -1,
     [](CallerMemory& m) { return GetLinkContByPt(0, m.buffer, kBufferSize, &m.count); }},
    {"IsEpwBook", -1, [](CallerMemory& m) { return IsEpwBook("/no/such/disc/at/all", m.title); }},
    {"GetMenuHead", -1, [](CallerMemory&) { return GetMenuHead(); }},
    {"GetContLastNoSet", 0,
     [](CallerMemory& m) { return GetContLastNoSet(m.buffer, kBufferSize, &m.count); }},
};

TEST(ExportsTest, EveryExportAnswersWithoutCatalogOrBook) {
  ASSERT_EQ(std::size(kExports), 29u);
  Library& lib = ProcessLibrary();
  CloseEpwing();
  epwBooksClose();

  for (const Export& e : kExports) {
    SCOPED_TRACE(e.name);
    CallerMemory memory;
    Prepare(memory);
    const Snapshot before = Bytes(memory);
    EXPECT_EQ(e.call(memory), e.expected);
    EXPECT_TRUE(Bytes(memory) == before) << "caller memory written";
    EXPECT_EQ(lib.catalog(), nullptr);
    EXPECT_EQ(lib.book(), nullptr);
    EXPECT_EQ(lib.reading().currentHit, -1);
  }
}

}  // namespace
}  // namespace tomeshelf
