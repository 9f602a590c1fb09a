// The guard on real files: the POSIX lookup, size check and inotify change watch, driven
// through the Library on the system platform; and the parsing of the watch's raw events.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "api/library.h"
#include "platform/posix/change_watch.h"
#include "platform/posix/file_monitor.h"
#include "search/heading.h"
#include "support/session_book.h"

namespace tomeshelf {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::WriteFile;

size_t OpenDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// The session book, opened, with its word's hits; the first hit's heading read is the check.
// Closing the book leaves no descriptor open.
class ChangeWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(data_ / "sub");
    WriteFile(data_ / "other", Bytes(100, 1));
    WriteFile(data_ / "sub" / "deep", Bytes(100, 2));
    ASSERT_EQ(lib_.OpenEpwing(disc_.root.c_str()), 1);
    descriptors_ = OpenDescriptors();
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(lib_.epwBooksOpen(), 1);  // the second replaces the first
      ASSERT_GE(OpenDescriptors(), descriptors_ + 4);  // text file, two fonts, watch
    }
    WordProperties props{};
    ASSERT_EQ(lib_.epwGetWordProperties(disc_.book.word.data(), &props), 1);
    record_.itemBuffer = heading_;
    ASSERT_TRUE(ReadOk());
  }
  void TearDown() override {
    lib_.epwBooksClose();
    EXPECT_EQ(OpenDescriptors(), descriptors_);
  }
  bool ReadOk() {
    EXPECT_TRUE(lib_.book()->SettleChangeWatch());
    return lib_.epwGetWordItem(0, &record_) == 1;
  }

  testing::SessionDisc disc_;
  fs::path data_ = disc_.dir.path() / "DICT" / "DATA";
  Library lib_;
  unsigned char heading_[kHeadingSize] = {};
  WordItemRecord record_{};
  size_t descriptors_ = 0;
};

struct Change {
  const char* name;
  bool counts;  // false: names, modes and sizes stay as they were
  std::function<void(const fs::path& data, const fs::path& outside)> make;
};
void Chmod(const fs::path& p, fs::perms m) { fs::permissions(p, m, fs::perm_options::remove); }

// In turn, on one watch: each leaves what the ones after it change in place.
const Change kChanges[] = {
    {"FileInNewDirectories", true, [](auto& d, auto&) { WriteFile(d / "a" / "b" / "x", {}); }},
    {"DirectoryWithFilesMovedIn", true,
     [](auto& d, auto& o) {
       WriteFile(o / "pack" / "f", {});
       fs::rename(o / "pack", d / "pack");
     }},
    {"FileGrown", true, [](auto& d, auto&) { fs::resize_file(d / "sub" / "deep", 4096); }},
    {"FileDeleted", true, [](auto& d, auto&) { fs::remove(d / "sub" / "deep"); }},
    {"FileModeChanged", true, [](auto& d, auto&) { Chmod(d / "other", fs::perms::group_read); }},
    {"RewrittenAtSameSize", false, [](auto& d, auto&) { WriteFile(d / "other", Bytes(100, 9)); }},
    {"FileMovedOut", true, [](auto& d, auto& o) { fs::rename(d / "other", o / "away"); }},
    {"TextFileReplacedAtSameSize", true,
     [](auto& d, auto& o) {
       fs::copy_file(d / "HONMON", o / "c");
       fs::rename(o / "c", d / "HONMON");
     }},
    {"TimeChanged", false,
     [](auto& d, auto&) { fs::last_write_time(d / "HONMON", fs::file_time_type::clock::now()); }},
    {"EmptyDirectoryCreated", false, [](auto& d, auto&) { fs::create_directory(d / "empty"); }},
    {"ChangeOutsideData", false, [](auto&, auto& o) { WriteFile(o / "DICT" / "x", Bytes(1, 0)); }},
};

// A change fails the next read only; anything else fails none.
TEST_F(ChangeWatchTest, EachChangeFailsTheNextReadExactlyOnceIfItCounts) {
  for (const Change& change : kChanges) {
    change.make(data_, disc_.dir.path());
    EXPECT_EQ(ReadOk(), !change.counts) << change.name;
    EXPECT_TRUE(ReadOk()) << change.name;
  }
}

TEST_F(ChangeWatchTest, DirectoriesMovedAwayAndBackAreStillWatched) {
  fs::rename(data_ / "sub", disc_.dir.path() / "sub");
  EXPECT_FALSE(ReadOk());  // its file's name left the tree
  fs::rename(disc_.dir.path() / "sub", data_ / "sub");
  EXPECT_FALSE(ReadOk());
  fs::rename(disc_.dir.path() / "DICT", disc_.dir.path() / "moved");  // a directory above
  for (int i = 0; i < 2; ++i) EXPECT_FALSE(ReadOk()) << i;
  fs::rename(disc_.dir.path() / "moved", disc_.dir.path() / "DICT");
  EXPECT_TRUE(ReadOk());
  WriteFile(data_ / "sub" / "again", {});
  EXPECT_FALSE(ReadOk());
  EXPECT_TRUE(ReadOk());
}

// A child after fork has no watcher thread: it checks by lookup and a watch of its own.
TEST_F(ChangeWatchTest, ChildAfterForkStillSeesChanges) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int failures = !ReadOk();
    WriteFile(data_ / "new", {});
    failures += ReadOk() + !ReadOk();
    fs::resize_file(data_ / "HONMON", 10);
    ::_exit(failures + ReadOk() + ReadOk());
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_FALSE(ReadOk());  // the parent's watcher saw the child's changes too
  EXPECT_FALSE(ReadOk());
}

TEST(PosixChangeWatchTest, StartsOnlyWhereChangesReachIt) {
  EXPECT_FALSE(FileSystemReportsChanges(0x6969));  // NFS
  EXPECT_TRUE(FileSystemReportsChanges(0xEF53));   // ext4
  EXPECT_EQ(StartPosixChangeWatch("/nonexistent/tomeshelf"), nullptr);
}

// Raw records: a header (wd, mask, cookie, len) and len bytes of name padded with NULs. Cut
// anywhere, a run of them gives back the records it holds whole.
TEST(ParseWatchEventsTest, WholeRecordsOnlyWithNamesUpToTheirFirstNul) {
  struct Record {
    int32_t wd;
    uint32_t mask;
    std::string name;
    uint32_t len;
  };
  const Record records[] = {{1, IN_DELETE_SELF, "", 0}, {3, IN_CREATE, "abc", 16},
                            {4, IN_MODIFY | IN_ISDIR, "abcd", 4}, {-1, IN_Q_OVERFLOW, "", 0}};
  std::string bytes;
  std::vector<size_t> ends;
  for (const Record& r : records) {
    const inotify_event e{r.wd, r.mask, 0, r.len};
    bytes.append(reinterpret_cast<const char*>(&e), sizeof e);
    bytes += r.name;
    bytes.append(r.len - r.name.size(), '\0');
    ends.push_back(bytes.size());
  }
  for (size_t cut = 0; cut <= bytes.size(); ++cut) {
    const auto events = ParseWatchEvents(std::string_view(bytes).substr(0, cut));
    const size_t whole = std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin();
    ASSERT_EQ(events.size(), whole) << cut;
    for (size_t k = 0; k < whole; ++k) {
      EXPECT_EQ(events[k].wd, records[k].wd) << cut;
      EXPECT_EQ(events[k].mask, records[k].mask) << cut;
      EXPECT_EQ(events[k].name, records[k].name) << cut;
    }
  }
}

}  // namespace
}  // namespace tomeshelf
