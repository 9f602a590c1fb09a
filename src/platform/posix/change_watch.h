// The POSIX change watch on a directory tree, built on inotify.
#ifndef TOMESHELF_PLATFORM_POSIX_CHANGE_WATCH_H_
#define TOMESHELF_PLATFORM_POSIX_CHANGE_WATCH_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tomeshelf {

// A tree watch whose descriptor becomes readable when Poll has something to learn.
class PosixTreeWatch : public ChangeWatch {
 public:
  virtual int Descriptor() const = 0;
};

// Watches the directory and every directory below it, including ones that appear later.
// Poll answers true once for everything seen since the last poll when a file name was
// created, deleted or renamed, or a file's mode or size changed; a change of times alone,
// and directory names alone, do not count. A directory that appears holding files counts
// as those files' names appearing. Null when the watch cannot start; the caller's check
// then rests on lookup and size.
std::unique_ptr<PosixTreeWatch> StartPosixChangeWatch(const std::string& directory);

// Owns a file descriptor: closes it when it goes.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// One event as the kernel reports it; name points into the bytes read, without padding.
struct WatchEvent {
  int32_t wd = 0;
  uint32_t mask = 0;
  std::string_view name;
};

// The whole events in a buffer read from a watch descriptor; a cut-off tail is dropped.
std::vector<WatchEvent> ParseWatchEvents(std::string_view bytes);

// Reads a non-blocking watch descriptor until it is drained (or fails) and hands every
// event to visit.
void DrainWatchEvents(int fd, const std::function<void(const WatchEvent&)>& visit);

}  // namespace tomeshelf

#endif  // TOMESHELF_PLATFORM_POSIX_CHANGE_WATCH_H_
