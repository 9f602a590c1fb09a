// Finds a file on a POSIX file system the way Windows would find it: case-insensitively,
// ignoring trailing spaces and dots of a name, and accepting the ISO 9660 version suffix
// (";1", ".;1") that some mounts of a disc show.
#ifndef TOMESHELF_PLATFORM_POSIX_PATH_RESOLVER_H_
#define TOMESHELF_PLATFORM_POSIX_PATH_RESOLVER_H_

#include <string>
#include <string_view>

namespace tomeshelf {

// The name as Windows compares it: trailing spaces and dots dropped (but "." and ".." kept),
// ASCII letters folded to lower case.
std::string FoldName(std::string_view name);
// The name a directory entry stands for: its ISO 9660 version suffix dropped, then folded.
std::string FoldEntryName(std::string_view entry);

// Maps a backslash path to an existing POSIX path. Components that exist as written are
// taken as they are; others are looked for among their directory's entries. When a
// component cannot be found, the rest is appended as written, so the result is not found.
std::string ResolveWindowsPath(const std::string& path);

}  // namespace tomeshelf

#endif  // TOMESHELF_PLATFORM_POSIX_PATH_RESOLVER_H_
