#include "support/memory_platform.h"

#include <algorithm>
#include <cstring>

namespace tomeshelf::testing {

namespace {

class MemoryFile final : public File {
 public:
  MemoryFile(MemoryPlatform& platform, std::string path)
      : platform_(platform), path_(std::move(path)) {
    ++platform_.openFiles;
  }
  ~MemoryFile() override {
    if (open_) --platform_.openFiles;
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) override {
    ++platform_.readCalls;
    if (!open_ || platform_.readCalls == platform_.faults.failReadOnCall) return std::nullopt;
    auto it = platform_.files.find(path_);
    if (it == platform_.files.end()) return std::nullopt;
    const auto& bytes = it->second;
    if (offset >= bytes.size()) return 0;
    size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), bytes.size() - offset));
    if (platform_.faults.shortReadLimit != 0) n = std::min(n, platform_.faults.shortReadLimit);
    std::memcpy(out.data(), bytes.data() + offset, n);
    return n;
  }

  std::optional<uint64_t> Size() override {
    auto it = platform_.files.find(path_);
    if (it == platform_.files.end()) return std::nullopt;
    return it->second.size();
  }

  bool Close() override {
    if (!open_) return false;
    open_ = false;
    --platform_.openFiles;
    return !platform_.faults.failClose;
  }

 private:
  MemoryPlatform& platform_;
  std::string path_;
  bool open_ = true;
};

class MemoryWatch final : public ChangeWatch {
 public:
  explicit MemoryWatch(MemoryPlatform& platform) : platform_(platform) {}
  bool Poll() override {
    if (platform_.pendingChanges <= 0) return false;
    platform_.pendingChanges = 0;  // re-armed: one answer per burst
    return true;
  }

 private:
  MemoryPlatform& platform_;
};

}  // namespace

std::unique_ptr<File> MemoryPlatform::OpenRead(const std::string& path) {
  if (files.find(path) == files.end()) return nullptr;
  return std::make_unique<MemoryFile>(*this, path);
}

std::optional<uint64_t> MemoryPlatform::LookupFile(const std::string& path) {
  auto it = files.find(path);
  if (it == files.end()) return std::nullopt;
  return lookupSizeOverride.value_or(it->second.size());
}

std::unique_ptr<ChangeWatch> MemoryPlatform::WatchTree(const std::string& directory) {
  watchedDirectories.push_back(directory);
  if (!watchStarts) return nullptr;
  return std::make_unique<MemoryWatch>(*this);
}

void MemoryPlatform::StretchImage(void*, int32_t left, int32_t top, int32_t width, int32_t height,
                                  const DibImage& image) {
  stretches.push_back(Stretch{left, top, width, height, image.width, image.height,
                              std::vector<uint8_t>(image.header.begin(), image.header.end()),
                              std::vector<uint8_t>(image.pixels.begin(), image.pixels.end())});
}

void MemoryPlatform::SetPixel(void*, int32_t x, int32_t y, uint32_t colour) {
  pixels.push_back(Pixel{x, y, colour});
}

bool MemoryPlatform::AttachBitmap(void*, const MonoBitmap& bitmap) {
  if (attachFails) return false;
  bitmapStore.emplace_back(bitmap.bits.begin(), bitmap.bits.end());
  MonoBitmap copy = bitmap;
  copy.bits = bitmapStore.back();
  bitmaps.push_back(copy);
  return true;
}

}  // namespace tomeshelf::testing
