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
    fileIdentity_ = IdentityOf(StatPath(file_));
    WatchAncestors();
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

  bool Check() override {
    if (InChild()) [[unlikely]] return CheckWithoutThread();
    const uint32_t s = state_.load(std::memory_order_acquire);
    if (s == 0) [[likely]] return true;
    if (s & kStopped) return CheckWithoutThread();
    return CheckAfterEvents();
  }

  bool Settle() override {
    if (InChild()) return true;
    std::unique_lock lock(mutex_);
    const uint64_t ticket = ++requested_;
    Wake();
    return settled_.wait_for(lock, std::chrono::seconds(5), [&] { return acknowledged_ >= ticket; });
  }

 private:
  static constexpr uint32_t kEvents = 1;   // something happened: the next check looks
  static constexpr uint32_t kStopped = 2;  // the thread failed: check as without a monitor

  bool InChild() const { return g_forks.load(std::memory_order_relaxed) != forks_; }

  // What happened is judged when a check asks, as a book without a monitor would: by the
  // file's size and the tree watch's events, read here. The thread only noticed them (a
  // file rewritten at its size is no change, however the thread saw it on the way).
  bool CheckAfterEvents() {
    std::lock_guard lock(checkMutex_);
    state_.fetch_and(~kEvents, std::memory_order_acq_rel);
    Wake();  // the thread looks at the tree watch again
    const auto st = StatPath(file_);
    if (!st || static_cast<uint64_t>(st->st_size) != size_) {
      state_.fetch_or(kEvents, std::memory_order_acq_rel);  // every check fails until it is back
      return false;
    }
    bool changed = tree_->Poll();
    const Identity id = IdentityOf(st);
    if (id != fileIdentity_) {
      changed = true;  // another file under the same name, or a remounted disc
      fileIdentity_ = id;
    }
    return !changed;
  }

  // The child has no thread (nor has a monitor whose thread failed): it checks as a book
  // without a monitor does, with a watch of its own.
  bool CheckWithoutThread() {
    std::lock_guard lock(checkMutex_);
    if (!childWatchStarted_) {
      childWatchStarted_ = true;
      childWatch_ = StartPosixChangeWatch(directory_);
    }
    const auto st = StatPath(file_);
    if (!st || static_cast<uint64_t>(st->st_size) != size_) return false;
    return !(childWatch_ && childWatch_->Poll());
  }

  void Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_.get(), &one, sizeof one);
  }

  void Run() {
    sigset_t all;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, nullptr);
    UniqueFd mounts(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
    for (;;) {
      // While events wait for a check, the tree watch stays readable: leave it out until
      // the check has read them.
      const bool noticed = (state_.load(std::memory_order_acquire) & kEvents) != 0;
      std::array<pollfd, 4> fds{{{wake_.get(), POLLIN, 0},
                                 {ancestors_.get(), POLLIN, 0},
                                 {mounts.get(), POLLPRI, 0},
                                 {noticed ? -1 : tree_->Descriptor(), POLLIN, 0}}};
      if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
        state_.fetch_or(kStopped, std::memory_order_acq_rel);
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
      fds[3].fd = tree_->Descriptor();
      ::poll(fds.data(), fds.size(), 0);
      bool events = (fds[3].revents & POLLIN) != 0;
      if (DrainAncestors()) {
        WatchAncestors();
        events = true;
      }
      if (fds[2].revents & (POLLPRI | POLLERR)) events = true;
      if (events) state_.fetch_or(kEvents, std::memory_order_acq_rel);
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
    DrainWatchEvents(ancestors_.get(), [&](const WatchEvent& e) {
      if (e.mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
        moved = true;
        return;
      }
      auto it = nextName_.find(e.wd);
      if (it != nextName_.end() && it->second == e.name) moved = true;
    });
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

  const std::string file_;
  std::string directory_;
  const uint64_t size_;
  const uint32_t forks_;
  std::atomic<uint32_t> state_{0};
  std::atomic<bool> stop_{false};
  UniqueFd wake_{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
  UniqueFd ancestors_{::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)};
  std::unique_ptr<PosixTreeWatch> tree_;
  Identity fileIdentity_;  // checks only
  std::mutex checkMutex_;
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
