// The guard on real files: the POSIX lookup, size check and inotify change watch, driven
// through the Library on the system platform.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "api/library.h"
#include "platform/posix/change_watch.h"
#include "platform/posix/file_monitor.h"
#include "search/heading.h"
#include "support/writer.h"

namespace tomeshelf {
namespace {

namespace fs = std::filesystem;
using testing::BookFiles;
using testing::Bytes;
using testing::TempDir;
using testing::TextFileBuilder;

size_t OpenDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// A book with a heading at the start of the block its one index entry names.
BookFiles Book() {
  TextFileBuilder text;
  text.AddIndexEntry({0x92, 0});
  const uint32_t block = text.ReserveBlocks(1);
  text.IndexEntries()[0].startBlock = block;
  text.Put(testing::Offset(block), Bytes{0x23, 0x41, 0x1F, 0x0A});
  BookFiles book;
  book.entry = {0x00, "Book", "DICT", {"GA16FULL"}};
  book.honmon = text.Build();
  book.fonts["GA16FULL"] = Bytes(2048 + 1024, 0);
  return book;
}

// A book opened from a lower-case disc in a temporary directory, with one hit whose
// heading is the reading operation under test.
class ChangeWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteDisc(disc_.path(), {Book()}, testing::NameCase::kLower);
    data_ = disc_.path() / "dict" / "data";
    fs::create_directories(data_ / "sub");
    testing::WriteFile(data_ / "other", Bytes(100, 1));
    testing::WriteFile(data_ / "sub" / "deep", Bytes(100, 2));
    ASSERT_EQ(lib_.OpenEpwing(disc_.Windows().c_str()), 1);
    ASSERT_EQ(lib_.epwBooksOpen(), 1);
    const int32_t heading = static_cast<int32_t>(lib_.book()->IndexTable()[0].StartBlock() - 1) *
                            static_cast<int32_t>(testing::kBlock);
    lib_.book()->Hits().AppendHit(heading, heading);
    record_.itemBuffer = heading_;
    ASSERT_TRUE(ReadOk());
    ASSERT_EQ(heading_[0], 0x23);
  }

  bool ReadOk() {
    EXPECT_TRUE(lib_.book()->SettleChangeWatch());
    return lib_.epwGetWordItem(0, &record_) == 1;
  }
  fs::path Text() const { return data_ / "honmon"; }

  TempDir disc_;
  fs::path data_;
  Library lib_;
  unsigned char heading_[kHeadingSize] = {};
  WordItemRecord record_{};
};

TEST_F(ChangeWatchTest, RemovedTextFileFailsEveryReadAndBookStaysOpen) {
  const Bytes saved = testing::ReadFile(Text());
  fs::remove(Text());
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(ReadOk()) << i;
  ASSERT_NE(lib_.book(), nullptr);
  EXPECT_TRUE(lib_.book()->TextFileOpen());
  // The disc comes back as it was: its return is one change, then reads work again.
  testing::WriteFile(Text(), saved);
  EXPECT_FALSE(ReadOk());
  EXPECT_TRUE(ReadOk());
}

TEST_F(ChangeWatchTest, TextFileOfAnotherSizeFailsEveryRead) {
  Bytes bigger = testing::ReadFile(Text());
  bigger.resize(bigger.size() + testing::kBlock);
  testing::WriteFile(disc_.path() / "swap", bigger);
  fs::rename(disc_.path() / "swap", Text());
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(ReadOk()) << i;
  EXPECT_NE(lib_.book(), nullptr);
}

struct Change {
  const char* name;
  std::function<void(const fs::path& data, const fs::path& outside)> make;
};

void PrintTo(const Change& c, std::ostream* os) { *os << c.name; }

void Chmod(const fs::path& p, fs::perms perms) { fs::permissions(p, perms, fs::perm_options::remove); }

const Change kChanges[] = {
    {"FileCreated", [](auto& d, auto&) { testing::WriteFile(d / "new", Bytes(1, 0)); }},
    {"EmptyFileCreated", [](auto& d, auto&) { testing::WriteFile(d / "empty", {}); }},
    {"FileCreatedInSubdirectory", [](auto& d, auto&) { testing::WriteFile(d / "sub" / "x", {}); }},
    {"FileCreatedInNewSubdirectory",
     [](auto& d, auto&) {
       fs::create_directories(d / "later" / "deeper");
       testing::WriteFile(d / "later" / "deeper" / "x", Bytes(3, 0));
     }},
    {"FileDeleted", [](auto& d, auto&) { fs::remove(d / "sub" / "deep"); }},
    {"FileRenamed", [](auto& d, auto&) { fs::rename(d / "other", d / "renamed"); }},
    {"FileMovedOut", [](auto& d, auto& o) { fs::rename(d / "other", o / "away"); }},
    {"FileMovedIn",
     [](auto& d, auto& o) {
       testing::WriteFile(o / "in", Bytes(5, 0));
       fs::rename(o / "in", d / "sub" / "in");
     }},
    {"DirectoryWithFilesMovedIn",
     [](auto& d, auto& o) {
       testing::WriteFile(o / "pack" / "f", Bytes(5, 0));
       fs::rename(o / "pack", d / "pack");
     }},
    {"FileGrown", [](auto& d, auto&) { fs::resize_file(d / "sub" / "deep", 4096); }},
    {"FileTruncated", [](auto& d, auto&) { fs::resize_file(d / "other", 0); }},
    {"FileModeChanged", [](auto& d, auto&) { Chmod(d / "other", fs::perms::group_read); }},
    {"TextFileModeChanged", [](auto& d, auto&) { Chmod(d / "honmon", fs::perms::owner_write); }},
    {"SubdirectoryModeChanged", [](auto& d, auto&) { Chmod(d / "sub", fs::perms::others_exec); }},
    {"TextFileReplacedAtSameSize",
     [](auto& d, auto& o) {
       fs::copy_file(d / "honmon", o / "copy");
       fs::rename(o / "copy", d / "honmon");
     }},
    {"BurstOfChanges",
     [](auto& d, auto&) {
       for (int i = 0; i < 200; ++i) testing::WriteFile(d / std::to_string(i), Bytes(1, 0));
       for (int i = 0; i < 200; i += 2) fs::remove(d / std::to_string(i));
       Chmod(d / "other", fs::perms::owner_exec);
     }},
};

class ChangeFailsNextReadTest : public ChangeWatchTest,
                                public ::testing::WithParamInterface<Change> {};

TEST_P(ChangeFailsNextReadTest, ExactlyOnce) {
  GetParam().make(data_, disc_.path());
  EXPECT_FALSE(ReadOk());
  EXPECT_TRUE(ReadOk());
  EXPECT_TRUE(ReadOk());
  EXPECT_NE(lib_.book(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Changes, ChangeFailsNextReadTest, ::testing::ValuesIn(kChanges),
                         [](const auto& p) { return std::string(p.param.name); });

// Changes that leave names, modes and sizes as they were. Windows counts a change of
// last-write time when the watch asks for it, so these hold for the POSIX watch only.
const Change kNonChanges[] = {
    {"TextFileTimeChanged",
     [](auto& d, auto&) {
       fs::last_write_time(d / "honmon", fs::last_write_time(d / "honmon") - std::chrono::hours(30));
     }},
    {"OtherFileTimeChanged",
     [](auto& d, auto&) {
       fs::last_write_time(d / "sub" / "deep", fs::file_time_type::clock::now());
     }},
    {"FileRewrittenAtSameSize", [](auto& d, auto&) { testing::WriteFile(d / "other", Bytes(100, 9)); }},
    {"ModeSetToWhatItWas",
     [](auto& d, auto&) { fs::permissions(d / "other", fs::status(d / "other").permissions()); }},
    {"EmptyDirectoryCreated", [](auto& d, auto&) { fs::create_directory(d / "empty"); }},
    {"ChangeOutsideDataDirectory",
     [](auto&, auto& o) { testing::WriteFile(o / "dict" / "elsewhere", Bytes(1, 0)); }},
};

class NoChangeTest : public ChangeWatchTest, public ::testing::WithParamInterface<Change> {};

TEST_P(NoChangeTest, FailsNoRead) {
  GetParam().make(data_, disc_.path());
  EXPECT_TRUE(ReadOk());
  EXPECT_TRUE(ReadOk());
}

INSTANTIATE_TEST_SUITE_P(NonChanges, NoChangeTest, ::testing::ValuesIn(kNonChanges),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(ChangeWatchTest, SubdirectoryMovedAwayAndBackIsStillWatched) {
  fs::rename(data_ / "sub", disc_.path() / "sub");
  EXPECT_FALSE(ReadOk());  // its file's name left the tree
  fs::rename(disc_.path() / "sub", data_ / "sub");
  EXPECT_FALSE(ReadOk());
  EXPECT_TRUE(ReadOk());
  testing::WriteFile(data_ / "sub" / "again", {});
  EXPECT_FALSE(ReadOk());
  EXPECT_TRUE(ReadOk());
}

TEST_F(ChangeWatchTest, DirectoryAboveMovedAwayFailsEveryReadUntilBack) {
  fs::rename(disc_.path() / "dict", disc_.path() / "moved");
  for (int i = 0; i < 2; ++i) EXPECT_FALSE(ReadOk()) << i;
  fs::rename(disc_.path() / "moved", disc_.path() / "dict");
  EXPECT_TRUE(ReadOk());
  // The watch followed the tree there and back.
  testing::WriteFile(data_ / "new", {});
  EXPECT_FALSE(ReadOk());
  EXPECT_TRUE(ReadOk());
}

// A child after fork has no watcher thread: it checks by lookup and a watch of its own.
TEST_F(ChangeWatchTest, ChildAfterForkStillSeesChanges) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int failures = 0;
    failures += !ReadOk();
    testing::WriteFile(data_ / "new", {});
    failures += ReadOk();
    failures += !ReadOk();
    fs::resize_file(Text(), 10);
    failures += ReadOk();
    failures += ReadOk();
    ::_exit(failures);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  // The parent's watcher saw the child's changes too.
  EXPECT_FALSE(ReadOk());
  EXPECT_FALSE(ReadOk());
}

TEST(PosixChangeWatchTest, EventParsingTakesWholeEventsAndTrimsNames) {
  // Two events, the first with a padded name, then a third cut short.
  std::string bytes;
  auto put = [&](int wd, uint32_t mask, std::string name, size_t len) {
    inotify_event e{};
    e.wd = wd;
    e.mask = mask;
    e.len = static_cast<uint32_t>(len);
    bytes.append(reinterpret_cast<const char*>(&e), sizeof e);
    name.resize(len, '\0');
    bytes += name;
  };
  put(3, IN_CREATE, "abc", 16);
  put(4, IN_DELETE_SELF, "", 0);
  put(5, IN_MODIFY, "cut", 16);
  bytes.resize(bytes.size() - 1);
  const auto events = ParseWatchEvents(bytes);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].wd, 3);
  EXPECT_EQ(events[0].mask, uint32_t{IN_CREATE});
  EXPECT_EQ(events[0].name, "abc");
  EXPECT_EQ(events[1].wd, 4);
  EXPECT_EQ(events[1].mask, uint32_t{IN_DELETE_SELF});
  EXPECT_EQ(events[1].name, "");
}

TEST(PosixChangeWatchTest, NetworkAndFuseFileSystemsFallBackToPolling) {
  EXPECT_FALSE(FileSystemReportsChanges(0x6969));      // NFS
  EXPECT_FALSE(FileSystemReportsChanges(0x65735546));  // FUSE
  EXPECT_TRUE(FileSystemReportsChanges(0xEF53));       // ext4
  EXPECT_TRUE(FileSystemReportsChanges(0x01021994));   // tmpfs
}

TEST(PosixChangeWatchTest, DoesNotStartOnMissingDirectory) {
  TempDir dir;
  EXPECT_EQ(StartPosixChangeWatch((dir.path() / "missing").string()), nullptr);
  EXPECT_EQ(StartPosixChangeWatch((dir.path() / "").string() + "file"), nullptr);
}

TEST(PosixChangeWatchTest, ClosingTheBookLeavesNoDescriptorOpen) {
  TempDir disc;
  testing::WriteDisc(disc.path(), {Book()}, testing::NameCase::kLower);
  Library lib;
  const size_t before = OpenDescriptors();
  ASSERT_EQ(lib.OpenEpwing(disc.Windows().c_str()), 1);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  EXPECT_GE(OpenDescriptors(), before + 3);  // text file, font, watch
  ASSERT_EQ(lib.epwBooksOpen(), 1);          // a second open replaces the first
  const size_t whileOpen = OpenDescriptors();
  lib.epwBooksClose();
  EXPECT_EQ(OpenDescriptors(), before);
  ASSERT_EQ(lib.epwBooksOpen(), 1);
  EXPECT_EQ(OpenDescriptors(), whileOpen);
  lib.epwBooksClose();
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(PosixChangeWatchTest, TenByteTextFileOpensNothingAndLeavesNoDescriptor) {
  TempDir disc;
  BookFiles book = Book();
  book.honmon.resize(10);
  testing::WriteDisc(disc.path(), {book});
  Library lib;
  ASSERT_EQ(lib.OpenEpwing(disc.Windows().c_str()), 1);
  const size_t before = OpenDescriptors();
  EXPECT_EQ(lib.epwBooksOpen(), -1);
  EXPECT_EQ(lib.book(), nullptr);
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
}  // namespace tomeshelf
