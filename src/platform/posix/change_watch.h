// The POSIX change watch on a directory tree.
#ifndef TOMESHELF_PLATFORM_POSIX_CHANGE_WATCH_H_
#define TOMESHELF_PLATFORM_POSIX_CHANGE_WATCH_H_

#include <memory>
#include <string>

#include "platform/platform.h"

namespace tomeshelf {

// Null when the watch cannot start; the check then rests on lookup and size.
std::unique_ptr<ChangeWatch> StartPosixChangeWatch(const std::string& directory);

}  // namespace tomeshelf

#endif  // TOMESHELF_PLATFORM_POSIX_CHANGE_WATCH_H_
