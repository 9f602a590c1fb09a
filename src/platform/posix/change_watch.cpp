#include "platform/posix/change_watch.h"

#include <unistd.h>

namespace tomeshelf {

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace tomeshelf

#if defined(__linux__)

#include <sys/inotify.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tomeshelf {

namespace {

// Names created, deleted and moved, writes (which may change a size), attribute changes
// (which may change a mode), and the watched directory itself going away.
constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR | IN_DONT_FOLLOW;
// Room for many events per read; the kernel never splits one event across reads.
constexpr size_t kEventBufferSize = 16 * 1024;

// What decides whether an attribute or write event really changed something.
struct EntryState {
  mode_t mode = 0;
  off_t size = 0;
  bool operator==(const EntryState&) const = default;
};

bool StatEntry(const std::string& path, EntryState& out) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  // A directory's size follows its entries, which the name events already cover.
  out = EntryState{st.st_mode, S_ISDIR(st.st_mode) ? 0 : st.st_size};
  return true;
}

bool IsUnder(const std::string& path, const std::string& dir) {
  return path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
         path[dir.size()] == '/';
}

class InotifyWatch final : public PosixTreeWatch {
 public:
  // Null when inotify or the watch on the directory itself cannot start.
  static std::unique_ptr<InotifyWatch> Start(const std::string& directory) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return nullptr;
    auto watch = std::make_unique<InotifyWatch>(fd);
    watch->root_ = directory;
    // Paths of entries are formed as dir + "/" + name, so the root carries no trailing slash.
    while (watch->root_.size() > 1 && watch->root_.back() == '/') watch->root_.pop_back();
    watch->AddTree(watch->root_);
    if (watch->rootWd_ < 0) return nullptr;
    return watch;
  }

  explicit InotifyWatch(int fd) : fd_(fd) {}

  int Descriptor() const override { return fd_.get(); }

  // Watches the tree at top and records the state of everything in it. True when it
  // holds anything but directories.
  bool AddTree(const std::string& top) {
    bool holdsFiles = false;
    std::vector<std::string> pending{top};
    while (!pending.empty()) {
      const std::string dir = std::move(pending.back());
      pending.pop_back();
      // The data directory itself may be reached through a link; nothing below it is.
      const bool isRoot = dir == root_;
      const int wd = ::inotify_add_watch(
          fd_.get(), dir.c_str(), isRoot ? kWatchMask & ~uint32_t{IN_DONT_FOLLOW} : kWatchMask);
      if (wd < 0) continue;  // out of watches, or gone already: the rest of the check holds
      if (isRoot) rootWd_ = wd;
      dirs_[wd] = dir;
      Record(dir);
      std::error_code ec;
      for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end;
           it.increment(ec)) {
        const std::string path = it->path().string();
        EntryState state;
        if (!StatEntry(path, state)) continue;
        if (S_ISDIR(state.mode)) {
          pending.push_back(path);
        } else {
          entries_[path] = state;
          holdsFiles = true;
        }
      }
    }
    return holdsFiles;
  }

  bool Poll() override {
    bool changed = false;
    DrainWatchEvents(fd_.get(), [&](const WatchEvent& e) { changed |= Handle(e.wd, e.mask, e.name); });
    return changed;
  }

 private:

  bool Handle(int wd, uint32_t mask, std::string_view name) {
    if (mask & IN_Q_OVERFLOW) {
      // Events were lost: count it as a change and learn the tree afresh.
      entries_.clear();
      AddTree(root_);
      return true;
    }
    auto dir = dirs_.find(wd);
    if (dir == dirs_.end()) return false;  // a watch already dropped
    if (mask & IN_IGNORED) {
      dirs_.erase(dir);
      return false;
    }
    if (mask & IN_UNMOUNT) return true;
    if (mask & (IN_DELETE_SELF | IN_MOVE_SELF)) return wd == rootWd_;

    const std::string path = name.empty() ? dir->second : dir->second + "/" + std::string(name);
    const bool isDir = (mask & IN_ISDIR) != 0;
    if (mask & (IN_CREATE | IN_MOVED_TO)) {
      if (isDir) return AddTree(path);
      Record(path);
      return true;
    }
    if (mask & (IN_DELETE | IN_MOVED_FROM)) {
      if (isDir) return DropTree(path);
      entries_.erase(path);
      return true;
    }
    if (mask & (IN_ATTRIB | IN_MODIFY)) return Restat(path);
    return false;
  }

  // True when the entry's mode or size differs from what was recorded, or it was unknown.
  bool Restat(const std::string& path) {
    EntryState now;
    if (!StatEntry(path, now)) return false;  // gone: its delete event follows
    auto it = entries_.find(path);
    if (it != entries_.end() && it->second == now) return false;
    entries_[path] = now;
    return true;
  }

  void Record(const std::string& path) {
    EntryState state;
    if (StatEntry(path, state)) entries_[path] = state;
  }

  // A directory moved away or deleted: its watches and records go with it. True when it
  // held anything but directories (deleted directories are empty by then).
  bool DropTree(const std::string& path) {
    for (auto it = dirs_.begin(); it != dirs_.end();) {
      if (it->second == path || IsUnder(it->second, path)) {
        ::inotify_rm_watch(fd_.get(), it->first);
        it = dirs_.erase(it);
      } else {
        ++it;
      }
    }
    bool heldFiles = false;
    std::erase_if(entries_, [&](const auto& e) {
      if (e.first != path && !IsUnder(e.first, path)) return false;
      heldFiles |= !S_ISDIR(e.second.mode);
      return true;
    });
    return heldFiles;
  }

  UniqueFd fd_;
  std::string root_;
  int rootWd_ = -1;
  std::unordered_map<int, std::string> dirs_;
  std::unordered_map<std::string, EntryState> entries_;
};

}  // namespace

std::vector<WatchEvent> ParseWatchEvents(std::string_view bytes) {
  std::vector<WatchEvent> events;
  while (bytes.size() >= sizeof(inotify_event)) {
    inotify_event event{};
    std::memcpy(&event, bytes.data(), sizeof event);
    const size_t total = sizeof event + event.len;
    if (bytes.size() < total) break;
    const std::string_view nameField = bytes.substr(sizeof event, event.len);
    events.push_back({event.wd, event.mask, nameField.substr(0, nameField.find('\0'))});
    bytes.remove_prefix(total);
  }
  return events;
}

void DrainWatchEvents(int fd, const std::function<void(const WatchEvent&)>& visit) {
  alignas(inotify_event) char buffer[kEventBufferSize];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // drained (EAGAIN), or the descriptor failed: no more to learn
    for (const WatchEvent& e : ParseWatchEvents(std::string_view(buffer, static_cast<size_t>(n)))) {
      visit(e);
    }
  }
}

std::unique_ptr<PosixTreeWatch> StartPosixChangeWatch(const std::string& directory) {
  return InotifyWatch::Start(directory);
}

}  // namespace tomeshelf

#else  // no inotify

namespace tomeshelf {

std::unique_ptr<PosixTreeWatch> StartPosixChangeWatch(const std::string& /*directory*/) {
  return nullptr;
}

std::vector<WatchEvent> ParseWatchEvents(std::string_view /*bytes*/) { return {}; }

void DrainWatchEvents(int /*fd*/, const std::function<void(const WatchEvent&)>& /*visit*/) {}

}  // namespace tomeshelf

#endif
