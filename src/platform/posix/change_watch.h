// The POSIX change watch on a directory tree, built on inotify.
#ifndef TOMESHELF_PLATFORM_POSIX_CHANGE_WATCH_H_
#define TOMESHELF_PLATFORM_POSIX_CHANGE_WATCH_H_

#include <memory>
#include <string>

#include "platform/platform.h"

namespace tomeshelf {

// Watches the directory and every directory below it, including ones that appear later.
// Poll answers true once for everything seen since the last poll when a file name was
// created, deleted or renamed, or a file's mode or size changed; a change of times alone,
// and directory names alone, do not count. A directory that appears holding files counts
// as those files' names appearing. Null when the watch cannot start; the caller's check
// then rests on lookup and size.
std::unique_ptr<ChangeWatch> StartPosixChangeWatch(const std::string& directory);

}  // namespace tomeshelf

#endif  // TOMESHELF_PLATFORM_POSIX_CHANGE_WATCH_H_
