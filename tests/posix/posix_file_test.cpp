// File access of the POSIX platform: positioned reads, and names that are not files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>

#include "api/library.h"
#include "platform/platform.h"
#include "support/writer.h"

namespace tomeshelf {
namespace {

using testing::TempDir;

TEST(PosixFileTest, ReadsArePositionedAndStopAtTheEnd) {
  TempDir dir;
  testing::WriteFile(dir.path() / "f", testing::Bytes{1, 2, 3, 4, 5});
  Platform& platform = SystemPlatform();
  auto file = platform.OpenRead((dir.path() / "f").string());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 5u);

  std::array<uint8_t, 3> out{};
  EXPECT_EQ(file->ReadAt(3, out), 2u);  // fewer at the end
  EXPECT_EQ(out[0], 4);
  EXPECT_EQ(file->ReadAt(1, out), 3u);  // no position carried over from the last read
  EXPECT_EQ(out, (std::array<uint8_t, 3>{2, 3, 4}));
  EXPECT_EQ(file->ReadAt(5, out), 0u);
  EXPECT_EQ(file->ReadAt(uint64_t{1} << 63, out), std::nullopt);

  EXPECT_TRUE(file->Close());
  EXPECT_EQ(file->ReadAt(0, out), std::nullopt);
  EXPECT_FALSE(file->Close());
}

TEST(PosixFileTest, OnlyRegularFilesOpen) {
  TempDir dir;
  std::filesystem::create_directories(dir.path() / "directory");
  ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
  Platform& platform = SystemPlatform();
  for (const char* name : {"directory", "fifo", "missing"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(platform.OpenRead((dir.path() / name).string()), nullptr);
  }
}

TEST(PosixFileTest, CatalogsThatIsAFifoIsRefusedWithoutWaiting) {
  TempDir disc;
  ASSERT_EQ(::mkfifo((disc.path() / "CATALOGS").c_str(), 0600), 0);
  Library lib;
  char title[TOMESHELF_TITLE_SIZE] = "untouched";
  EXPECT_EQ(lib.IsEpwBook(disc.Windows().c_str(), title), -1);
  EXPECT_EQ(lib.OpenEpwing(disc.Windows().c_str()), -1);
  EXPECT_STREQ(title, "untouched");
}

}  // namespace
}  // namespace tomeshelf
