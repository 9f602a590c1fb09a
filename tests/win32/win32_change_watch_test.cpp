#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/writer.h"
#include "win32/win32_test_support.h"

namespace tomeshelf {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::TempDir;

// Notifications arrive asynchronously (under wine, through the server), so a test waits a
// bounded while for one; the bound only limits a failing test.
constexpr auto kPatience = 5s;
constexpr auto kStep = 10ms;
// No signal for this long counts as a settled watch.
constexpr auto kQuiet = 300ms;

bool SignalsWithin(ChangeWatch& watch, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  do {
    if (watch.Poll()) return true;
    std::this_thread::sleep_for(kStep);
  } while (std::chrono::steady_clock::now() < end);
  return false;
}

bool WaitForSignal(ChangeWatch& watch) {
  return SignalsWithin(watch, std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
}

// One change may reach the watch as several notifications; poll them away.
bool Settle(ChangeWatch& watch) {
  const auto end = std::chrono::steady_clock::now() + kPatience;
  while (std::chrono::steady_clock::now() < end) {
    if (!SignalsWithin(watch, kQuiet)) return true;
  }
  return false;
}

void Append(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << text;
}

// A book's data directory with a file and a subdirectory.
class DataTree {
 public:
  DataTree() {
    fs::create_directories(data() / "SUB");
    Append(data() / "HONMON", "text");
    Append(data() / "SUB" / "FONT", "glyphs");
  }
  ~DataTree() { ::SetFileAttributesA((data() / "HONMON").string().c_str(), FILE_ATTRIBUTE_NORMAL); }
  fs::path data() const { return disc_.path() / "DATA"; }
  std::unique_ptr<ChangeWatch> StartWatch() {
    auto watch = SystemPlatform().WatchTree(disc_.Windows("DATA"));
    // Wine watches a subdirectory that existed before the watch only once it is listed.
    for (const auto& entry : fs::recursive_directory_iterator(data())) (void)entry;
    return watch;
  }

 private:
  TempDir disc_;
};

class Win32ChangeWatchTest : public ::testing::Test {
 protected:
  fs::path data() const { return tree_.data(); }
  std::unique_ptr<ChangeWatch> StartWatch() { return tree_.StartWatch(); }

  DataTree tree_;
  TempDir other_;
};

TEST_F(Win32ChangeWatchTest, QuietTreeDoesNotSignal) {
  auto watch = StartWatch();
  ASSERT_NE(watch, nullptr);
  EXPECT_FALSE(SignalsWithin(*watch, kQuiet));
}

TEST_F(Win32ChangeWatchTest, WatchOfAMissingDirectoryDoesNotStart) {
  EXPECT_EQ(SystemPlatform().WatchTree(other_.Windows("DATA")), nullptr);
}

TEST_F(Win32ChangeWatchTest, NamesSizesAndAttributesSignalOnceEach) {
  struct Change {
    const char* what;
    std::function<void(const fs::path&)> make;
  };
  const Change changes[] = {
      {"file created", [](const fs::path& d) { Append(d / "NEW", "x"); }},
      {"file grown", [](const fs::path& d) { Append(d / "HONMON", "more"); }},
      {"file renamed", [](const fs::path& d) { fs::rename(d / "HONMON", d / "HONMON2"); }},
      {"file deleted", [](const fs::path& d) { fs::remove(d / "HONMON"); }},
      {"file created in a subdirectory", [](const fs::path& d) { Append(d / "SUB" / "NEW", "x"); }},
      {"attributes changed",
       [](const fs::path& d) {
         ::SetFileAttributesA((d / "HONMON").string().c_str(), FILE_ATTRIBUTE_READONLY);
       }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    DataTree tree;
    auto watch = tree.StartWatch();
    ASSERT_NE(watch, nullptr);
    ASSERT_FALSE(SignalsWithin(*watch, kQuiet));
    change.make(tree.data());
    EXPECT_TRUE(WaitForSignal(*watch));
    EXPECT_TRUE(Settle(*watch));
    EXPECT_FALSE(watch->Poll());
  }
}

TEST_F(Win32ChangeWatchTest, RearmsAfterEachSignal) {
  auto watch = StartWatch();
  ASSERT_NE(watch, nullptr);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    Append(data() / ("NEW" + std::to_string(i)), "x");
    EXPECT_TRUE(WaitForSignal(*watch));
    EXPECT_TRUE(Settle(*watch));
  }
}

TEST_F(Win32ChangeWatchTest, LastWriteTimeAloneDoesNotSignal) {
  if (testing::RunningUnderWine()) {
    GTEST_SKIP() << "wine signals a 0x0D watch for a change of last-write time alone, and moves "
                    "the creation time it reports with it";
  }
  auto watch = StartWatch();
  ASSERT_NE(watch, nullptr);
  fs::last_write_time(data() / "HONMON", fs::last_write_time(data() / "HONMON") - 1h);
  EXPECT_FALSE(SignalsWithin(*watch, kQuiet));
}

// A wait armed by a thread is cancelled when that thread ends, which signals the handle:
// callers that open the book or read from short-lived threads must not see a disc change.
TEST_F(Win32ChangeWatchTest, ArmingThreadsThatEndAreNoChange) {
  std::unique_ptr<ChangeWatch> watch;
  std::thread([&] { watch = StartWatch(); }).join();
  ASSERT_NE(watch, nullptr);
  EXPECT_FALSE(SignalsWithin(*watch, kQuiet));
  Append(data() / "NEW", "x");
  bool seen = false;
  std::thread([&] { seen = WaitForSignal(*watch) && Settle(*watch); }).join();
  EXPECT_TRUE(seen);
  EXPECT_FALSE(SignalsWithin(*watch, kQuiet));
}

}  // namespace
}  // namespace tomeshelf
