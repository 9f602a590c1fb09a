// The POSIX file monitor: a thread per monitored file sleeps on inotify and the mount table
// and raises a flag in one atomic word when something happened; a check looks at the file
// and the events only then.
#ifndef TOMESHELF_PLATFORM_POSIX_FILE_MONITOR_H_
#define TOMESHELF_PLATFORM_POSIX_FILE_MONITOR_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace tomeshelf {

// Null when the file system gives no events for changes made elsewhere (network and FUSE
// mounts), when a watch cannot start, or without inotify.
std::unique_ptr<FileMonitor> StartPosixFileMonitor(const std::string& file,
                                                   const std::string& directory, uint64_t size);

// Whether changes on a file system of this statfs type reach inotify.
bool FileSystemReportsChanges(int64_t type);

}  // namespace tomeshelf

#endif  // TOMESHELF_PLATFORM_POSIX_FILE_MONITOR_H_
