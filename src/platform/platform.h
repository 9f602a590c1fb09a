// The one interface between the library's logic and the operating system. Logic builds
// paths with backslashes; the platform maps them to its own form once (ResolvePath) and
// the logic keeps the resolved path for later opens, lookups and watches.
#ifndef TOMESHELF_PLATFORM_PLATFORM_H_
#define TOMESHELF_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tomeshelf {

// One read of a batch: got is what ReadAt would have returned for it.
struct ReadRequest {
  uint64_t offset = 0;
  std::span<uint8_t> out;
  std::optional<size_t> got;
};

// An open file, read-only. Owned by whoever opened it; the destructor closes it quietly.
class File {
 public:
  virtual ~File() = default;
  // Reads up to out.size() bytes starting at offset. Returns the bytes delivered (fewer at
  // the end of the file, 0 at or past it) or nullopt when the read failed.
  virtual std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) = 0;
  // Reads every request as ReadAt would, in any order.
  virtual void ReadMany(std::span<ReadRequest> requests) {
    for (ReadRequest& r : requests) r.got = ReadAt(r.offset, r.out);
  }
  // True where ReadMany asks the system for a whole batch at once, so that reading ahead
  // in batches costs fewer calls than the reads it saves.
  virtual bool ReadsInBatches() { return false; }
  // The file's size as the system reports it now.
  virtual std::optional<uint64_t> Size() = 0;
  // Closes the file; false when the system reported a failure. Later reads fail.
  virtual bool Close() = 0;
};

// A watch on a directory tree. Poll answers true once per burst of changes to file
// names, sizes or attributes under it (a change of last-write time alone does not count)
// and re-arms itself. It never blocks.
class ChangeWatch {
 public:
  virtual ~ChangeWatch() = default;
  virtual bool Poll() = 0;
};

// Answers a file's check without a system call while nothing happens: a thread of its own
// watches the file and tells the check when there is something to look at.
class FileMonitor {
 public:
  virtual ~FileMonitor() = default;
  // False while the file is gone or has another size than it had at the start; otherwise
  // false once for every burst of changes seen under the watched directory since the last
  // check that ended that way.
  virtual bool Check() = 0;
  // For tests: returns once every change made before the call has been taken in; false
  // when that took too long.
  virtual bool Settle() = 0;
};

// A bottom-up 24-bit image with its 40-byte BITMAPINFOHEADER, valid for one call.
struct DibImage {
  int32_t width = 0;
  int32_t height = 0;
  std::span<const uint8_t> header;
  std::span<const uint8_t> pixels;
};

// A 1-bit bitmap: rows of stride bytes, most significant bit leftmost, 1 = white.
struct MonoBitmap {
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  std::span<const uint8_t> bits;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Turns a backslash path into the platform's own path to an existing file or directory,
  // matching names as Windows does. When nothing matches, returns a path that will not be
  // found, so the following open or lookup fails as it should.
  virtual std::string ResolvePath(const std::string& path) = 0;
  // Opens an existing file for reading (shared for reading); null when it cannot be opened.
  virtual std::unique_ptr<File> OpenRead(const std::string& resolvedPath) = 0;
  // Looks a file up by path: its current size, or nullopt when it is not there.
  virtual std::optional<uint64_t> LookupFile(const std::string& resolvedPath) = 0;
  // Starts a watch on a directory and everything below it; null when it cannot start.
  virtual std::unique_ptr<ChangeWatch> WatchTree(const std::string& resolvedDirectory) = 0;
  // Starts a monitor for a file of this size and the directory tree it lies in. Null where
  // the platform or the file system cannot keep one: the caller then looks the file up and
  // polls a WatchTree before every read.
  virtual std::unique_ptr<FileMonitor> MonitorFile(const std::string& /*resolvedFile*/,
                                                   const std::string& /*resolvedDirectory*/,
                                                   uint64_t /*size*/) {
    return nullptr;
  }
  // Shows one of the library's messages (a modal box with OK on Windows).
  virtual void ShowMessage(const char* text) = 0;

  // Drawing, through the caller's device-context object (its second pointer-sized word is
  // the device) and bitmap object (its second word receives the new bitmap).
  virtual void StretchImage(void* deviceContext, int32_t left, int32_t top, int32_t width,
                            int32_t height, const DibImage& image) = 0;
  virtual void SetPixel(void* deviceContext, int32_t x, int32_t y, uint32_t colour) = 0;
  // Creates a bitmap from the rows and attaches it; false when that failed.
  virtual bool AttachBitmap(void* bitmapObject, const MonoBitmap& bitmap) = 0;
};

// The platform of this build (POSIX or Win32), living for the whole process.
Platform& SystemPlatform();

}  // namespace tomeshelf

#endif  // TOMESHELF_PLATFORM_PLATFORM_H_
