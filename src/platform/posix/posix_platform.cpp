// The POSIX platform: files through pread (batches of reads through io_uring), lookups
// through stat, the library's messages through a sink the program may install, drawing
// through the caller's callbacks.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/change_watch.h"
#include "platform/posix/file_monitor.h"
#include "platform/posix/path_resolver.h"
#include "platform/posix/read_ring.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {

namespace {

// Set from any thread, outside the library's lock.
std::atomic<TomeshelfMessageSink> g_messageSink{nullptr};

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) override {
    if (fd_ < 0) return std::nullopt;
    size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                                static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return done;
  }

  void ReadMany(std::span<ReadRequest> requests) override {
    // A batch of one costs a system call either way.
    const size_t taken = fd_ >= 0 && requests.size() > 1 ? ring_.Read(fd_, requests) : 0;
    for (size_t i = 0; i < requests.size(); ++i) {
      ReadRequest& r = requests[i];
      if (i >= taken || !r.got) {
        r.got = ReadAt(r.offset, r.out);
      } else if (*r.got != 0 && *r.got < r.out.size()) {
        // Short, as a pread may be: read on as ReadAt would.
        const auto rest = ReadAt(r.offset + *r.got, r.out.subspan(*r.got));
        r.got = rest ? std::optional<size_t>(*r.got + *rest) : std::nullopt;
      }
    }
  }

  bool ReadsInBatches() override { return fd_ >= 0 && ring_.Usable(); }

  std::optional<uint64_t> Size() override {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
  }

  bool Close() override {
    if (fd_ < 0) return false;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

 private:
  int fd_;
  ReadRing ring_;  // set up on the first batch
};

class PosixPlatform final : public Platform {
 public:
  std::string ResolvePath(const std::string& path) override { return ResolveWindowsPath(path); }

  std::unique_ptr<File> OpenRead(const std::string& resolvedPath) override {
    // Non-blocking, so that a FIFO or device under a book's name cannot hang the open; only
    // regular files are kept, and those then read normally.
    const int fd = ::open(resolvedPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    auto file = std::make_unique<PosixFile>(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return nullptr;
    return file;
  }

  std::optional<uint64_t> LookupFile(const std::string& resolvedPath) override {
    struct stat st {};
    if (::stat(resolvedPath.c_str(), &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
  }

  std::unique_ptr<ChangeWatch> WatchTree(const std::string& resolvedDirectory) override {
    return StartPosixChangeWatch(resolvedDirectory);
  }

  std::unique_ptr<FileMonitor> MonitorFile(const std::string& resolvedFile,
                                           const std::string& resolvedDirectory,
                                           uint64_t size) override {
    return StartPosixFileMonitor(resolvedFile, resolvedDirectory, size);
  }

  void ShowMessage(const char* text) override {
    if (const TomeshelfMessageSink sink = g_messageSink.load()) {
      sink(text);
    } else {
      std::fprintf(stderr, "tomeshelf: %s\n", text);
    }
  }

  void StretchImage(void* deviceContext, int32_t left, int32_t top, int32_t width,
                    int32_t height, const DibImage& image) override {
    auto* dc = static_cast<TomeshelfDeviceContext*>(deviceContext);
    if (!dc || !dc->target || !dc->target->stretchImage) return;
    const TomeshelfImage img{image.width, image.height, image.header.data(), image.pixels.data(),
                             static_cast<uint32_t>(image.pixels.size())};
    dc->target->stretchImage(dc->target->user, left, top, width, height, &img);
  }

  void SetPixel(void* deviceContext, int32_t x, int32_t y, uint32_t colour) override {
    auto* dc = static_cast<TomeshelfDeviceContext*>(deviceContext);
    if (!dc || !dc->target || !dc->target->setPixel) return;
    dc->target->setPixel(dc->target->user, x, y, colour);
  }

  bool AttachBitmap(void* bitmapObject, const MonoBitmap& bitmap) override;
};

bool PosixPlatform::AttachBitmap(void* bitmapObject, const MonoBitmap& bitmap) {
  auto* object = static_cast<TomeshelfBitmapObject*>(bitmapObject);
  const size_t bytes = static_cast<size_t>(bitmap.stride) * static_cast<size_t>(bitmap.height);
  // An object that already holds a bitmap is refused: replacing it would lose the caller's one.
  if (!object || object->bitmap || bitmap.bits.size() < bytes) return false;
  // One C allocation holds the record and its rows, so the caller frees it with one call.
  void* block = std::malloc(sizeof(TomeshelfBitmap) + bytes);
  if (!block) return false;
  auto* out = static_cast<TomeshelfBitmap*>(block);
  out->width = bitmap.width;
  out->height = bitmap.height;
  out->stride = bitmap.stride;
  out->bits = reinterpret_cast<unsigned char*>(out + 1);
  std::memcpy(out->bits, bitmap.bits.data(), bytes);
  object->bitmap = out;
  return true;
}

}  // namespace

Platform& SystemPlatform() {
  static PosixPlatform platform;
  return platform;
}

}  // namespace tomeshelf

extern "C" {

void TomeshelfSetMessageSink(TomeshelfMessageSink sink) { tomeshelf::g_messageSink = sink; }

void TomeshelfFreeBitmap(TomeshelfBitmap* bitmap) { std::free(bitmap); }

}  // extern "C"
