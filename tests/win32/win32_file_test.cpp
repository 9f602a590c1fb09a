#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/writer.h"

namespace tomeshelf {
namespace {

using testing::Bytes;
using testing::TempDir;

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + 3);
  return b;
}

class Win32FileTest : public ::testing::Test {
 protected:
  static constexpr size_t kFileSize = 5000;
  void SetUp() override {
    bytes_ = Pattern(kFileSize);
    testing::WriteFile(dir_.path() / "HONMON", bytes_);
  }
  std::string PathOf(const std::string& name) const { return dir_.Windows(name); }

  TempDir dir_;
  Bytes bytes_;
  Platform& platform_ = SystemPlatform();
};

TEST_F(Win32FileTest, ReadsAtAbsoluteOffsetsAndShortAtTheEnd) {
  auto file = platform_.OpenRead(PathOf("HONMON"));
  ASSERT_NE(file, nullptr);
  struct Case {
    uint64_t offset;
    size_t want;
    size_t delivered;
  };
  // Out of order on purpose: no read may depend on where the last one left the file.
  const Case cases[] = {{2048, 16, 16},   {0, 16, 16},  {kFileSize - 10, 100, 10},
                        {kFileSize, 10, 0}, {kFileSize + 7000, 10, 0}, {1, 4999, 4999},
                        {100, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    std::vector<uint8_t> out(c.want, 0xEE);
    const auto got = file->ReadAt(c.offset, out);
    ASSERT_TRUE(got.has_value());
    ASSERT_EQ(*got, c.delivered);
    for (size_t i = 0; i < c.delivered; ++i) ASSERT_EQ(out[i], bytes_[c.offset + i]) << i;
    for (size_t i = c.delivered; i < c.want; ++i) ASSERT_EQ(out[i], 0xEE) << i;
  }
}

TEST_F(Win32FileTest, OffsetsBeyondASigned32BitSeekFail) {
  auto file = platform_.OpenRead(PathOf("HONMON"));
  ASSERT_NE(file, nullptr);
  uint8_t out[4];
  EXPECT_EQ(file->ReadAt((uint64_t{1} << 31) - 1, out), std::optional<size_t>(0));
  EXPECT_FALSE(file->ReadAt(uint64_t{1} << 31, out).has_value());
  EXPECT_FALSE(file->ReadAt(uint64_t{1} << 32, out).has_value());
  // A failed seek leaves the file usable.
  EXPECT_EQ(file->ReadAt(0, out), std::optional<size_t>(4));
}

TEST_F(Win32FileTest, SizeAndCloseFollowTheHandle) {
  auto file = platform_.OpenRead(PathOf("HONMON"));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), std::optional<uint64_t>(kFileSize));
  EXPECT_TRUE(file->Close());
  uint8_t out[4];
  EXPECT_FALSE(file->ReadAt(0, out).has_value());
  EXPECT_FALSE(file->Size().has_value());
  EXPECT_FALSE(file->Close());
}

TEST_F(Win32FileTest, OpensOnlyExistingFiles) {
  std::filesystem::create_directories(dir_.path() / "DATA");
  EXPECT_EQ(platform_.OpenRead(PathOf("MISSING")), nullptr);
  EXPECT_EQ(platform_.OpenRead(PathOf("DATA")), nullptr);
  EXPECT_EQ(platform_.OpenRead(PathOf("DATA\\HONMON")), nullptr);
  // Opening never creates what it did not find.
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "MISSING"));
}

TEST_F(Win32FileTest, SharesTheFileForReadingButNotForWriting) {
  auto file = platform_.OpenRead(PathOf("HONMON"));
  ASSERT_NE(file, nullptr);
  auto second = platform_.OpenRead(PathOf("HONMON"));
  EXPECT_NE(second, nullptr);
  const HANDLE writer = ::CreateFileA(PathOf("HONMON").c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
}

TEST_F(Win32FileTest, PathsPassThroughAndMatchWithoutRegardToCase) {
  const std::string path = PathOf("honmon");
  EXPECT_EQ(platform_.ResolvePath(path), path);
  auto file = platform_.OpenRead(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(platform_.LookupFile(PathOf("HonMon")), std::optional<uint64_t>(kFileSize));
}

TEST_F(Win32FileTest, LookupReportsTheSizeOfTheMoment) {
  const std::string path = PathOf("HONMON");
  EXPECT_EQ(platform_.LookupFile(path), std::optional<uint64_t>(kFileSize));
  {
    std::ofstream out(dir_.path() / "HONMON", std::ios::binary | std::ios::app);
    out << "12345";
  }
  EXPECT_EQ(platform_.LookupFile(path), std::optional<uint64_t>(kFileSize + 5));
  std::filesystem::remove(dir_.path() / "HONMON");
  EXPECT_FALSE(platform_.LookupFile(path).has_value());
  EXPECT_FALSE(platform_.LookupFile(PathOf("NOSUCH\\HONMON")).has_value());
}

TEST_F(Win32FileTest, LookupSeesAFileThatIsOpen) {
  auto file = platform_.OpenRead(PathOf("HONMON"));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(platform_.LookupFile(PathOf("HONMON")), std::optional<uint64_t>(kFileSize));
}

}  // namespace
}  // namespace tomeshelf
