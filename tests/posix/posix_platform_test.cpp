// The POSIX platform layer: Windows-style names on a case-sensitive file system (which may
// show a disc's names in lower case or with ISO 9660 version suffixes), positioned reads
// however the system delivers them, the exports beyond the 29, and drawing through the
// device-context object of the public header.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "api/library.h"
#include "platform/posix/path_resolver.h"
#include "support/session_book.h"
#include "tomeshelf/tomeshelf.h"

namespace {
size_t g_piece = 0;      // when non-zero, no pread delivers more than this
int g_interrupts = 0;    // the next this many preads fail with EINTR
}  // namespace

// Takes the place of the C library's pread for the whole test program.
extern "C" ssize_t pread(int fd, void* buffer, size_t n, off_t offset) {
  using Pread = ssize_t (*)(int, void*, size_t, off_t);
  static const auto real = reinterpret_cast<Pread>(::dlsym(RTLD_NEXT, "pread"));
  if (g_interrupts > 0) {
    --g_interrupts;
    errno = EINTR;
    return -1;
  }
  return real(fd, buffer, g_piece ? std::min(n, g_piece) : n, offset);
}

namespace tomeshelf {
namespace {

namespace fs = std::filesystem;

TEST(PathResolverTest, FindsNamesWhateverTheirCaseAndPaddingAndNothingElse) {
  testing::TempDir disc;
  for (const char* file : {"Dict/Data/honmon", "GAIJI/GAI16F", "iso/CATALOGS.;1", "iso/HONMON;1",
                           "iso/A.B;1", "iso/odd;x", "iso/odd;", "twin/README", "twin/readme"}) {
    testing::WriteFile(disc.path() / file, testing::Bytes{1});
  }
  const std::pair<const char*, const char*> cases[] = {
      {"DICT\\DATA\\HONMON", "Dict/Data/honmon"}, {"dIcT\\dAtA\\HoNmOn", "Dict/Data/honmon"},
      {"DICT/DATA\\\\HONMON", "Dict/Data/honmon"}, {"DICT\\DATA\\", "Dict/Data"},
      {"GAIJI\\GAI16F  ", "GAIJI/GAI16F"},         {"gaiji\\gai16f. .", "GAIJI/GAI16F"},
      {"iso\\catalogs", "iso/CATALOGS.;1"},        {"ISO\\HONMON", "iso/HONMON;1"},
      {"iso\\a.b", "iso/A.B;1"},                   {"twin\\README", "twin/README"},
      {"twin\\readme", "twin/readme"},  // the exact name wins over its twin
      {"DICT\\NOPE\\HONMON", nullptr},             {"DICT\\DATA\\HONMON\\MORE", nullptr},
      {"iso\\odd", nullptr},                       {"DICT\\DATA\\HONMO", nullptr},
      {"ISO\\ODD;", "iso/odd;"},                 {"iso\\catalogs;1", nullptr},  // no version asked
  };
  for (const auto& [requested, found] : cases) {
    const std::string resolved = ResolveWindowsPath(disc.Windows(requested));
    if (found) {
      EXPECT_EQ(resolved, (disc.path() / found).string()) << requested;
    } else {
      EXPECT_FALSE(fs::exists(resolved)) << requested << " " << resolved;
    }
  }
  // Relative to the working directory.
  const fs::path saved = fs::current_path();
  fs::current_path(disc.path());
  EXPECT_EQ(ResolveWindowsPath("DICT\\DATA\\HONMON"), "Dict/Data/honmon");
  EXPECT_EQ(ResolveWindowsPath(".\\dict\\data"), "./Dict/Data");
  EXPECT_EQ(ResolveWindowsPath("GAIJI\\..\\iso\\catalogs"), "GAIJI/../iso/CATALOGS.;1");
  fs::current_path(saved);
}

TEST(PosixFileTest, ReadsArePositionedWholeAndStopAtTheEnd) {
  testing::TempDir dir;
  testing::Bytes bytes(5000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
  testing::WriteFile(dir.path() / "f", bytes);
  auto file = SystemPlatform().OpenRead((dir.path() / "f").string());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 5000u);
  EXPECT_EQ(SystemPlatform().LookupFile((dir.path() / "f").string()), 5000u);
  EXPECT_EQ(SystemPlatform().LookupFile((dir.path() / "g").string()), std::nullopt);
  struct Case {
    size_t piece;
    int interrupts;
    uint64_t offset;
    size_t want, delivered;
  };
  // Out of order: no read may depend on where the last one left the file.
  for (const Case& c : {Case{0, 0, 2048, 16, 16}, {0, 0, 4998, 5, 2}, {0, 0, 5000, 3, 0},
                        {7, 0, 11, 100, 100}, {3, 2, 4990, 64, 10}, {1, 1, 1, 4, 4},
                        {0, 3, 0, 5000, 5000}}) {
    SCOPED_TRACE(::testing::Message() << c.piece << " " << c.interrupts << " " << c.offset);
    g_piece = c.piece;
    g_interrupts = c.interrupts;
    std::vector<uint8_t> out(c.want + 1, 0xEE);
    const auto got = file->ReadAt(c.offset, std::span(out).first(c.want));
    g_piece = 0;
    ASSERT_EQ(got, c.delivered);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + c.delivered, bytes.begin() + c.offset));
    EXPECT_EQ(out[c.delivered], 0xEE);
  }
  uint8_t out[3];
  EXPECT_EQ(file->ReadAt(uint64_t{1} << 63, out), std::nullopt);
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(file->ReadAt(0, out), std::nullopt);
  EXPECT_EQ(file->Size(), std::nullopt);
  EXPECT_FALSE(file->Close());
}

TEST(PosixFileTest, OnlyRegularFilesOpenAndAFifoCatalogIsRefusedWithoutWaiting) {
  testing::TempDir dir;
  fs::create_directories(dir.path() / "directory");
  ASSERT_EQ(::mkfifo((dir.path() / "CATALOGS").c_str(), 0600), 0);
  for (const char* name : {"directory", "CATALOGS", "missing"}) {
    EXPECT_EQ(SystemPlatform().OpenRead((dir.path() / name).string()), nullptr) << name;
  }
}

// The exports beyond the 29: every catalog record listed and any usable one opened, and the
// program's message sink.
testing::BookFiles Book(uint8_t type, const std::string& title, const std::string& directory,
                        std::vector<uint8_t> areas) {
  testing::TextFileBuilder text;
  for (uint8_t code : areas) text.AddIndexEntry(testing::IndexTableEntry{code, 2, 0, {}, 0});
  return {{type, title, directory, {}}, text.Build(), {}};
}

// The disc's names as an ISO 9660 mount shows them, its root relative to the working directory.
TEST(BookChoiceTest, EveryRecordListedAndAnyUsableOneOpens) {
  testing::TempDir disc;
  testing::WriteDisc(disc.path(), {Book(0x00, "First", "ONE", {0x90}),
                                   Book(0x60, "Index only", "IDX", {}),
                                   Book(0x10, "Third", "THREE", {0x01, 0x91, 0x71})},
                      testing::NameCase::kIso9660);
  const fs::path saved = fs::current_path();
  fs::current_path(disc.path().parent_path());
  const std::string root = disc.path().filename().string();
  EXPECT_EQ(TomeshelfBookCount(), TOMESHELF_FAILED);
  ASSERT_EQ(OpenEpwing(root.c_str()), TOMESHELF_OK);
  ASSERT_EQ(TomeshelfBookCount(), 3);
  struct Row { int32_t index; int32_t result; uint8_t type; const char* title; };
  for (const Row& row :
       {Row{0, TOMESHELF_OK, 0x00, "First"}, Row{1, TOMESHELF_MORE, 0x60, "Index only"},
        Row{2, TOMESHELF_OK, 0x10, "Third"}, Row{3, TOMESHELF_REFUSED, 0xEE, ""},
        Row{-1, TOMESHELF_REFUSED, 0xEE, ""}}) {
    uint8_t type = 0xEE;
    char title[TOMESHELF_TITLE_SIZE] = {};
    EXPECT_EQ(TomeshelfGetBook(row.index, &type, title), row.result) << row.index;
    EXPECT_EQ(type, row.type) << row.index;
    EXPECT_STREQ(title, row.title) << row.index;
  }
  EXPECT_EQ(TomeshelfOpenBook(1), TOMESHELF_REFUSED);
  EXPECT_EQ(TomeshelfOpenBook(3), TOMESHELF_REFUSED);
  ASSERT_EQ(TomeshelfOpenBook(2), TOMESHELF_OK);
  EXPECT_EQ(ProcessLibrary().book()->TextPath(), root + "\\THREE\\data\\honmon");
  uint8_t codes[2] = {};
  EXPECT_EQ(TomeshelfGetAreaCodes(codes, 2), 3);  // the count, though only two fit
  EXPECT_EQ(std::vector<uint8_t>(codes, codes + 2), (std::vector<uint8_t>{0x01, 0x91}));
  // The ordinary export still opens the lowest-indexed selected book.
  ASSERT_EQ(epwBooksOpen(), TOMESHELF_OK);
  EXPECT_EQ(ProcessLibrary().book()->TextPath(), root + "\\ONE\\data\\honmon");
  epwBooksClose();
  EXPECT_EQ(TomeshelfGetAreaCodes(codes, 2), TOMESHELF_FAILED);
  CloseEpwing();
  fs::current_path(saved);
}

std::vector<std::string> g_received;

TEST(MessageSinkTest, ProgramSinkReplacesStandardErrorUntilReset) {
  TomeshelfSetMessageSink([](const char* m) { g_received.emplace_back(m); });
  for (const bool sink : {true, false}) {
    ::testing::internal::CaptureStderr();
    SystemPlatform().ShowMessage("The file is not closed");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              sink ? "" : "tomeshelf: The file is not closed\n");
    TomeshelfSetMessageSink(nullptr);
  }
  EXPECT_EQ(g_received, std::vector<std::string>{"The file is not closed"});
}

// Drawing through the caller's callbacks. (The bitmap handed over to the caller comes back
// in the book writer's round trip.)
struct Recorder {
  std::vector<int32_t> stretch;  // left, top, width, height, image width and height, header[0]
  std::vector<unsigned char> pixels;
  std::vector<uint32_t> colours;
};

TEST(GaijiPosixDeviceTest, DrawsThroughTheCallersCallbacks) {
  const testing::SessionDisc disc;
  Library lib;
  ASSERT_EQ(lib.OpenEpwing(disc.root.c_str()), 1);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  const uint32_t code = disc.book.gaiji + 2;
  Recorder rec;
  TomeshelfDrawTarget target{
      &rec,
      [](void* user, int32_t left, int32_t top, int32_t width, int32_t height,
         const TomeshelfImage* image) {
        auto* r = static_cast<Recorder*>(user);
        r->stretch = {left, top, width, height, image->width, image->height, image->header[0]};
        r->pixels.assign(image->pixels, image->pixels + image->pixelBytes);
      },
      [](void* user, int32_t, int32_t, uint32_t colour) {
        static_cast<Recorder*>(user)->colours.push_back(colour);
      }};
  TomeshelfDeviceContext dc{nullptr, &target};
  ASSERT_EQ(lib.epwShowExCode(code, 16, 1, 1, 2, 33, 50, 0xFFFFFF, 0, &dc), 1);
  EXPECT_EQ(rec.stretch, (std::vector<int32_t>{1, 2, 32, 48, 16, 16, 40}));
  ASSERT_EQ(rec.pixels.size(), 16u * 16 * 3);
  // The glyph itself is checked on the in-memory platform; here, one pixel set per ink pixel.
  ASSERT_EQ(lib.epwShowExCodePixel(code, 16, 1, 100, 200, 116, 216, 0x123456, &dc), 1);
  const auto ink = std::count(rec.pixels.begin(), rec.pixels.end(), 0xFF) / 3;
  EXPECT_GT(ink, 16);
  EXPECT_EQ(rec.colours, std::vector<uint32_t>(ink, 0x123456));
  // A bitmap object that already holds a bitmap keeps it.
  TomeshelfBitmap held{};
  TomeshelfBitmapObject object{nullptr, &held};
  EXPECT_EQ(lib.epwExCode2Bmp(code, 16, 1, 0, 0, 0, 0xFFFFFF, &object), -2);
  EXPECT_EQ(object.bitmap, &held);
}

}  // namespace
}  // namespace tomeshelf
