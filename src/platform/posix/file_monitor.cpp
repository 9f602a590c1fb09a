#include "platform/posix/file_monitor.h"

#include <array>
#include <cstdint>

#if defined(__linux__)

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/posix/change_watch.h"

#endif

namespace tomeshelf {

bool FileSystemReportsChanges(int64_t type) {
  // Network file systems and FUSE: changes made by other machines or by the file server
  // itself never reach the local watch.
  constexpr std::array<int64_t, 10> kSilent = {
      0x6969,      // NFS
      0x517B,      // SMB
      0xFE534D42,  // SMB2
      0xFF534D42,  // CIFS
      0x65735546,  // FUSE
      0x01021997,  // 9P
      0x00C36400,  // Ceph
      0x5346414F,  // AFS
      0x73757245,  // Coda
      0x564C,      // NCP
  };
  for (int64_t silent : kSilent) {
    if (type == silent) return false;
  }
  return true;
}

#if defined(__linux__)

namespace {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Counts forks, so that a monitor can tell it is in a child, where its thread is gone.
std::atomic<uint32_t> g_forks{0};

void CountFork() { g_forks.fetch_add(1, std::memory_order_relaxed); }

struct Identity {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const Identity&) const = default;
};

std::optional<struct stat> StatPath(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return st;
}

Identity IdentityOf(const std::optional<struct stat>& st) {
  return st ? Identity{st->st_dev, st->st_ino} : Identity{};
}

bool Reports(const std::string& path) {
  struct statfs fs {};
  return ::statfs(path.c_str(), &fs) == 0 && FileSystemReportsChanges(static_cast<int64_t>(fs.f_type));
}

// Names on the way down from the root to the watched directory: moving or removing any
// of them takes the file away without an event on the directory's own watch.
constexpr uint32_t kAncestorMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

class InotifyFileMonitor final : public FileMonitor {
 public:
  InotifyFileMonitor(std::string file, std::string directory, uint64_t size)
      : file_(std::move(file)), directory_(std::move(directory)), size_(size),
        forks_(g_forks.load(std::memory_order_relaxed)) {}

  ~InotifyFileMonitor() override {
    if (!thread_.joinable()) return;
    if (InChild()) {
      thread_.detach();  // it lives on in the parent only
      return;
    }
    stop_.store(true);
    Wake();
    thread_.join();
  }
  InotifyFileMonitor(const InotifyFileMonitor&) = delete;
  InotifyFileMonitor& operator=(const InotifyFileMonitor&) = delete;

  bool Start() {
    static std::once_flag atFork;
    std::call_once(atFork, [] { ::pthread_atfork(nullptr, nullptr, CountFork); });
    while (directory_.size() > 1 && directory_.back() == '/') directory_.pop_back();
    if (!Reports(directory_) || !Reports(file_)) return false;
    tree_ = StartPosixChangeWatch(directory_);
    if (!tree_ || wake_.get() < 0 || ancestors_.get() < 0) return false;
    treeIdentity_ = IdentityOf(StatPath(directory_));
    fileIdentity_ = IdentityOf(StatPath(file_));
    WatchAncestors();
    Restat();
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

  bool Check() override {
    if (InChild()) [[unlikely]] return CheckInChild();
    const uint32_t s = state_.load(std::memory_order_acquire);
    if (s == 0) [[likely]] return true;
    if (s & kStopped) return CheckInChild();
    if (s & kGone) return false;
    state_.fetch_and(~kChanged, std::memory_order_acq_rel);
    return false;
  }

  bool Settle() override {
    if (InChild()) return true;
    std::unique_lock lock(mutex_);
    const uint64_t ticket = ++requested_;
    Wake();
    return settled_.wait_for(lock, std::chrono::seconds(5), [&] { return acknowledged_ >= ticket; });
  }

 private:
  static constexpr uint32_t kChanged = 1;  // fails the next check
  static constexpr uint32_t kGone = 2;     // fails every check: missing or resized
  static constexpr uint32_t kStopped = 4;  // the thread failed: check as without a monitor

  bool InChild() const { return g_forks.load(std::memory_order_relaxed) != forks_; }

  // The child has no thread (nor has a monitor whose thread failed): it checks as a book
  // without a monitor does, with a watch of its own.
  bool CheckInChild() {
    if (!childWatchStarted_) {
      childWatchStarted_ = true;
      childWatch_ = StartPosixChangeWatch(directory_);
    }
    const auto st = StatPath(file_);
    if (!st || static_cast<uint64_t>(st->st_size) != size_) return false;
    const bool changed = (childWatch_ && childWatch_->Poll()) ||
                         (state_.fetch_and(~kChanged, std::memory_order_relaxed) & kChanged) != 0;
    return !changed;
  }

  void Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_.get(), &one, sizeof one);
  }

  void Run() {
    sigset_t all;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, nullptr);
    Fd mounts(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
    for (;;) {
      std::array<pollfd, 4> fds{{{wake_.get(), POLLIN, 0},
                                 {tree_->Descriptor(), POLLIN, 0},
                                 {ancestors_.get(), POLLIN, 0},
                                 {mounts.get(), POLLPRI, 0}}};
      const nfds_t count = mounts.get() >= 0 ? 4 : 3;
      if (::poll(fds.data(), count, -1) < 0 && errno != EINTR) {
        state_.fetch_or(kStopped | kChanged);
        return;
      }
      uint64_t drained = 0;
      if (fds[0].revents & POLLIN) {
        [[maybe_unused]] const ssize_t n = ::read(wake_.get(), &drained, sizeof drained);
      }
      if (stop_.load()) return;
      uint64_t ticket = 0;
      {
        std::lock_guard lock(mutex_);
        ticket = requested_;
      }
      // Everything that happened before the ticket was taken is queued by now.
      ::poll(fds.data(), count, 0);
      bool changed = tree_->Poll();
      bool moved = DrainAncestors();
      if (count == 4 && (fds[3].revents & (POLLPRI | POLLERR))) moved = true;
      if (moved) WatchAncestors();
      changed |= Rewatch();
      Restat(changed);
      {
        std::lock_guard lock(mutex_);
        acknowledged_ = ticket;
      }
      settled_.notify_all();
    }
  }

  // True when an event concerned a name on the way down (or the watch lost events).
  bool DrainAncestors() {
    bool moved = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(ancestors_.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      for (const WatchEvent& e : ParseWatchEvents(std::string_view(buffer, static_cast<size_t>(n)))) {
        if (e.mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
          moved = true;
          continue;
        }
        auto it = nextName_.find(e.wd);
        if (it != nextName_.end() && it->second == e.name) moved = true;
      }
    }
    return moved;
  }

  void WatchAncestors() {
    for (const auto& [wd, name] : nextName_) ::inotify_rm_watch(ancestors_.get(), wd);
    nextName_.clear();
    std::string path = directory_;
    while (path.size() > 1) {
      const size_t slash = path.rfind('/');
      if (slash == std::string::npos) break;
      const std::string name = path.substr(slash + 1);
      path.resize(slash == 0 ? 1 : slash);
      const int wd = ::inotify_add_watch(ancestors_.get(), path.c_str(), kAncestorMask);
      if (wd >= 0) nextName_[wd] = name;
    }
  }

  // A watched directory that was replaced (moved away and another put in its place, or
  // brought back) is watched afresh. True when that happened.
  bool Rewatch() {
    const Identity now = IdentityOf(StatPath(directory_));
    if (now == treeIdentity_ || now == Identity{}) return false;
    if (auto fresh = StartPosixChangeWatch(directory_)) {
      tree_ = std::move(fresh);
      treeIdentity_ = now;
    }
    return true;
  }

  void Restat(bool changed = false) {
    const auto st = StatPath(file_);
    const bool gone = !st || static_cast<uint64_t>(st->st_size) != size_;
    const Identity id = IdentityOf(st);
    if (st && id != fileIdentity_) {
      changed = true;  // another file under the same name, or a remounted disc
      fileIdentity_ = id;
    }
    if (gone) {
      state_.fetch_or(kGone | (changed ? kChanged : 0), std::memory_order_acq_rel);
    } else {
      state_.fetch_and(~kGone, std::memory_order_acq_rel);
      if (changed) state_.fetch_or(kChanged, std::memory_order_acq_rel);
    }
  }

  const std::string file_;
  std::string directory_;
  const uint64_t size_;
  const uint32_t forks_;
  std::atomic<uint32_t> state_{0};
  std::atomic<bool> stop_{false};
  Fd wake_{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
  Fd ancestors_{::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)};
  std::unique_ptr<PosixTreeWatch> tree_;
  Identity treeIdentity_;
  Identity fileIdentity_;
  std::unordered_map<int, std::string> nextName_;  // ancestor watch -> the name below it
  std::mutex mutex_;
  std::condition_variable settled_;
  uint64_t requested_ = 0;
  uint64_t acknowledged_ = 0;
  std::unique_ptr<PosixTreeWatch> childWatch_;
  bool childWatchStarted_ = false;
  std::thread thread_;  // last: started when everything above is in place
};

}  // namespace

std::unique_ptr<FileMonitor> StartPosixFileMonitor(const std::string& file,
                                                   const std::string& directory, uint64_t size) {
  auto monitor = std::make_unique<InotifyFileMonitor>(file, directory, size);
  if (!monitor->Start()) return nullptr;
  return monitor;
}

#else  // no inotify

std::unique_ptr<FileMonitor> StartPosixFileMonitor(const std::string&, const std::string&,
                                                   uint64_t) {
  return nullptr;
}

#endif

}  // namespace tomeshelf
