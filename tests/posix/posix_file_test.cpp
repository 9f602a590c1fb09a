// File access of the POSIX platform: positioned reads however the system delivers them, and
// names that are not regular files.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "api/library.h"
#include "support/writer.h"

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
  EXPECT_NE(SystemPlatform().WatchTree(dir.path().string()), nullptr);
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
  std::filesystem::create_directories(dir.path() / "directory");
  ASSERT_EQ(::mkfifo((dir.path() / "CATALOGS").c_str(), 0600), 0);
  for (const char* name : {"directory", "CATALOGS", "missing"}) {
    EXPECT_EQ(SystemPlatform().OpenRead((dir.path() / name).string()), nullptr) << name;
  }
  Library lib;
  char title[TOMESHELF_TITLE_SIZE] = "untouched";
  EXPECT_EQ(lib.IsEpwBook(dir.Windows().c_str(), title), -1);
  EXPECT_EQ(lib.OpenEpwing(dir.Windows().c_str()), -1);
  EXPECT_STREQ(title, "untouched");
}

}  // namespace
}  // namespace tomeshelf
