// The Win32 platform: kernel32 files, lookups and change notifications, user32 message
// boxes, gdi32 drawing into the caller's device context.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tomeshelf {

namespace {

constexpr DWORD kWatchFilter =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE;
static_assert(kWatchFilter == 0x0D);
// Seeks are plain 32-bit distances from the file's start: the high part is never passed.
constexpr uint64_t kSeekLimit = uint64_t{1} << 31;
constexpr size_t kBitmapHeaderSize = sizeof(BITMAPINFOHEADER);
constexpr int32_t kDibBitsPerPixel = 24;
// Rows of DIBs are padded to 32 bits, rows of CreateBitmap to 16 bits.
constexpr int32_t kDibRowAlign = 32;
constexpr int32_t kBitmapRowAlign = 16;
// Movable and zero-initialised, as the staging copies have always been allocated.
constexpr UINT kStagingFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;
static_assert(kStagingFlags == 0x42);

size_t AlignedRowBytes(int32_t width, int32_t bitsPerPixel, int32_t alignBits) {
  const uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(bitsPerPixel);
  const auto align = static_cast<uint64_t>(alignBits);
  return static_cast<size_t>((bits + align - 1) / align * (align / 8));
}

// A GlobalAlloc block, locked for as long as this lives.
class StagingBlock {
 public:
  explicit StagingBlock(size_t bytes) : handle_(::GlobalAlloc(kStagingFlags, bytes)) {
    if (handle_) data_ = static_cast<uint8_t*>(::GlobalLock(handle_));
  }
  ~StagingBlock() {
    if (data_) ::GlobalUnlock(handle_);
    if (handle_) ::GlobalFree(handle_);
  }
  StagingBlock(const StagingBlock&) = delete;
  StagingBlock& operator=(const StagingBlock&) = delete;
  uint8_t* data() const { return data_; }

 private:
  HGLOBAL handle_;
  uint8_t* data_ = nullptr;
};

class Win32File final : public File {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) override {
    if (handle_ == INVALID_HANDLE_VALUE || offset >= kSeekLimit) return std::nullopt;
    if (::SetFilePointer(handle_, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER) {
      return std::nullopt;
    }
    size_t done = 0;
    while (done < out.size()) {
      const DWORD want = static_cast<DWORD>(
          std::min<size_t>(out.size() - done, std::numeric_limits<DWORD>::max()));
      DWORD got = 0;
      if (!::ReadFile(handle_, out.data() + done, want, &got, nullptr)) return std::nullopt;
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  std::optional<uint64_t> Size() override {
    if (handle_ == INVALID_HANDLE_VALUE) return std::nullopt;
    DWORD high = 0;
    const DWORD low = ::GetFileSize(handle_, &high);
    // All bits set is also a valid low half; only the error code tells them apart.
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return std::nullopt;
    return (uint64_t{high} << 32) | low;
  }

  bool Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok != FALSE;
  }

 private:
  HANDLE handle_;
};

// What the watch's filter covers, for every entry of a tree: names, sizes and attributes,
// plus the creation time, which tells a file put in place of another of the same size.
struct TreeEntry {
  std::string name;
  uint64_t size = 0;
  DWORD attributes = 0;
  uint64_t created = 0;
  bool operator==(const TreeEntry&) const = default;
};
using TreeState = std::vector<TreeEntry>;

// Enough for any book's data directory; a deeper or larger tree reads as unknown.
constexpr int kTreeDepthLimit = 8;
constexpr size_t kTreeEntryLimit = 100000;

bool ListTree(const std::string& directory, const std::string& prefix, int depth, TreeState& out) {
  if (depth > kTreeDepthLimit) return false;
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((directory + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (out.size() >= kTreeEntryLimit) {
      ok = false;
      break;
    }
    out.push_back({prefix + name, (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow,
                   found.dwFileAttributes,
                   (uint64_t{found.ftCreationTime.dwHighDateTime} << 32) |
                       found.ftCreationTime.dwLowDateTime});
    // Links are not followed: they could lead back up the tree.
    const DWORD kind = found.dwFileAttributes;
    if ((kind & FILE_ATTRIBUTE_DIRECTORY) && !(kind & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !ListTree(directory + "\\" + name, prefix + name + "\\", depth + 1, out)) {
      ok = false;
      break;
    }
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return ok;
}

std::optional<TreeState> ReadTree(const std::string& directory) {
  TreeState state;
  if (!ListTree(directory, "", 0, state)) return std::nullopt;
  std::sort(state.begin(), state.end(), [](const TreeEntry& a, const TreeEntry& b) { return a.name < b.name; });
  return state;
}

// A signalled notification is not always a change: Windows cancels the wait that a thread
// armed when that thread exits, and the cancelled wait signals the handle too. So every
// signal is confirmed against the tree as it was when the watch was last armed.
class Win32ChangeWatch final : public ChangeWatch {
 public:
  Win32ChangeWatch(HANDLE handle, std::string directory)
      : handle_(handle), directory_(std::move(directory)), armed_(ReadTree(directory_)) {}
  ~Win32ChangeWatch() override { ::FindCloseChangeNotification(handle_); }
  Win32ChangeWatch(const Win32ChangeWatch&) = delete;
  Win32ChangeWatch& operator=(const Win32ChangeWatch&) = delete;

  bool Poll() override {
    if (::WaitForMultipleObjects(1, &handle_, FALSE, 0) != WAIT_OBJECT_0) return false;
    // Re-armed before the tree is read: a change in between signals again rather than
    // going unseen.
    ::FindNextChangeNotification(handle_);
    auto now = ReadTree(directory_);
    const bool changed = !now || !armed_ || *now != *armed_;
    armed_ = std::move(now);
    return changed;
  }

 private:
  HANDLE handle_;
  std::string directory_;
  std::optional<TreeState> armed_;  // nullopt when the tree could not be read
};

// The caller's framework objects keep their handle in the word after the table pointer.
void** HandleSlot(void* object) { return static_cast<void**>(object) + 1; }

HDC DeviceOf(void* deviceContext) {
  return deviceContext ? static_cast<HDC>(*HandleSlot(deviceContext)) : nullptr;
}

class Win32Platform final : public Platform {
 public:
  // Windows matches names the way the logic expects, so paths pass through unchanged.
  std::string ResolvePath(const std::string& path) override { return path; }

  std::unique_ptr<File> OpenRead(const std::string& resolvedPath) override {
    const HANDLE h = ::CreateFileA(resolvedPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(h);
  }

  std::optional<uint64_t> LookupFile(const std::string& resolvedPath) override {
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA(resolvedPath.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    ::FindClose(search);
    return (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
  }

  std::unique_ptr<ChangeWatch> WatchTree(const std::string& resolvedDirectory) override {
    const HANDLE h = ::FindFirstChangeNotificationA(resolvedDirectory.c_str(), TRUE, kWatchFilter);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32ChangeWatch>(h, resolvedDirectory);
  }

  void ShowMessage(const char* text) override {
    ::MessageBoxA(nullptr, text, "Tomeshelf", MB_OK);
  }

  void StretchImage(void* deviceContext, int32_t left, int32_t top, int32_t width,
                    int32_t height, const DibImage& image) override {
    const HDC dc = DeviceOf(deviceContext);
    if (!dc || image.width <= 0 || image.height <= 0 || image.header.size() < kBitmapHeaderSize) return;
    const size_t bytes = AlignedRowBytes(image.width, kDibBitsPerPixel, kDibRowAlign) *
                         static_cast<size_t>(image.height);
    if (image.pixels.size() < bytes) return;
    BITMAPINFO info{};
    std::memcpy(&info.bmiHeader, image.header.data(), kBitmapHeaderSize);
    StagingBlock staging(bytes);
    if (!staging.data()) return;
    std::memcpy(staging.data(), image.pixels.data(), bytes);
    ::StretchDIBits(dc, left, top, width, height, 0, 0, image.width, image.height, staging.data(),
                    &info, DIB_RGB_COLORS, SRCCOPY);
  }

  void SetPixel(void* deviceContext, int32_t x, int32_t y, uint32_t colour) override {
    if (const HDC dc = DeviceOf(deviceContext)) ::SetPixel(dc, x, y, colour);
  }

  bool AttachBitmap(void* bitmapObject, const MonoBitmap& bitmap) override;
};

bool Win32Platform::AttachBitmap(void* bitmapObject, const MonoBitmap& bitmap) {
  if (!bitmapObject) return false;
  void** slot = HandleSlot(bitmapObject);
  // An object that owns a bitmap already keeps it; taking it over would leak it.
  if (*slot != nullptr || bitmap.width <= 0 || bitmap.height <= 0 || bitmap.stride <= 0) {
    return false;
  }
  const auto rows = static_cast<size_t>(bitmap.height);
  const auto stride = static_cast<size_t>(bitmap.stride);
  if (bitmap.bits.size() < stride * rows) return false;
  // CreateBitmap takes rows padded to 16 bits; copy row by row in case the stride differs.
  const size_t target = AlignedRowBytes(bitmap.width, 1, kBitmapRowAlign);
  StagingBlock staging(target * rows + 1);
  if (!staging.data()) return false;
  std::memset(staging.data(), 0xFF, target * rows);
  for (size_t r = 0; r < rows; ++r) {
    std::memcpy(staging.data() + r * target, bitmap.bits.data() + r * stride,
                std::min(stride, target));
  }
  const HBITMAP handle = ::CreateBitmap(bitmap.width, bitmap.height, 1, 1, staging.data());
  if (!handle) return false;
  *slot = handle;
  return true;
}

}  // namespace

Platform& SystemPlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace tomeshelf
