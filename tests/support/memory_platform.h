// A platform that keeps files in memory and can fail on purpose: a read that fails on the
// k-th call, short reads, a file that changes size or disappears, a close that fails, a
// change watch signalled by hand, and a record of messages and drawing calls.
#ifndef TOMESHELF_TESTS_SUPPORT_MEMORY_PLATFORM_H_
#define TOMESHELF_TESTS_SUPPORT_MEMORY_PLATFORM_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tomeshelf::testing {

class MemoryPlatform final : public Platform {
 public:
  struct Faults {
    int64_t failReadOnCall = -1;  // the k-th ReadAt (counting from 1) fails; -1 never
    size_t shortReadLimit = 0;    // when non-zero, no read delivers more than this
    bool failClose = false;
  };

  // Files by their backslash path, exactly as the library forms it.
  std::map<std::string, std::vector<uint8_t>> files;
  Faults faults;
  std::optional<uint64_t> lookupSizeOverride;  // what LookupFile reports for every file
  bool watchStarts = true;
  int pendingChanges = 0;  // Poll answers true once while this is above 0
  std::vector<std::string> messages;
  std::vector<std::string> watchedDirectories;
  int64_t readCalls = 0;
  int64_t openFiles = 0;  // files open now

  struct Stretch {
    int32_t left, top, width, height;
    int32_t imageWidth, imageHeight;
    std::vector<uint8_t> header, pixels;
  };
  struct Pixel {
    int32_t x, y;
    uint32_t colour;
  };
  std::vector<Stretch> stretches;
  std::vector<Pixel> pixels;
  std::vector<MonoBitmap> bitmaps;          // spans point into bitmapStore
  std::vector<std::vector<uint8_t>> bitmapStore;
  bool attachFails = false;

  std::string ResolvePath(const std::string& path) override { return path; }
  std::unique_ptr<File> OpenRead(const std::string& path) override;
  std::optional<uint64_t> LookupFile(const std::string& path) override;
  std::unique_ptr<ChangeWatch> WatchTree(const std::string& directory) override;
  void ShowMessage(const char* text) override { messages.emplace_back(text); }
  void StretchImage(void* dc, int32_t left, int32_t top, int32_t width, int32_t height,
                    const DibImage& image) override;
  void SetPixel(void* dc, int32_t x, int32_t y, uint32_t colour) override;
  bool AttachBitmap(void* bitmapObject, const MonoBitmap& bitmap) override;
};

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_SUPPORT_MEMORY_PLATFORM_H_
