// A platform that puts one fault into another: it counts every call that can fail (path
// resolution, opens, lookups, watches, reads, sizes, closes, polls, bitmaps) and makes the
// k-th of them fail, deliver short (reads only) or throw std::bad_alloc. Everything else
// passes through, so a session can be run once clean and then once per fault point.
#ifndef TOMESHELF_TESTS_SUPPORT_FAULT_PLATFORM_H_
#define TOMESHELF_TESTS_SUPPORT_FAULT_PLATFORM_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace tomeshelf::testing {

enum class FaultKind { kFail, kShort, kThrow };

class FaultPlatform final : public Platform {
 public:
  explicit FaultPlatform(Platform& inner) : inner_(inner) {}

  // Arms the fault for the k-th counted call from now (1 = the next one); 0 disarms it.
  // Short faults count reads alone; closes never throw (they run in destructors).
  void Arm(FaultKind kind, int64_t k) {
    kind_ = kind;
    armedAt_ = k == 0 ? -1 : calls_ + k;
    fired_ = false;
  }
  bool Fired() const { return fired_; }
  int64_t Calls() const { return calls_; }

  std::string ResolvePath(const std::string& path) override;
  std::unique_ptr<File> OpenRead(const std::string& resolvedPath) override;
  std::optional<uint64_t> LookupFile(const std::string& resolvedPath) override;
  std::unique_ptr<ChangeWatch> WatchTree(const std::string& resolvedDirectory) override;
  void ShowMessage(const char* text) override { inner_.ShowMessage(text); }
  void StretchImage(void* dc, int32_t left, int32_t top, int32_t width, int32_t height,
                    const DibImage& image) override {
    inner_.StretchImage(dc, left, top, width, height, image);
  }
  void SetPixel(void* dc, int32_t x, int32_t y, uint32_t colour) override {
    inner_.SetPixel(dc, x, y, colour);
  }
  bool AttachBitmap(void* bitmapObject, const MonoBitmap& bitmap) override;

  // What the k-th call does: nothing, fail, or deliver short. Throws for kThrow.
  enum class Act { kPass, kFail, kShort };
  Act Next(bool isRead, bool mayThrow = true);

 private:
  Platform& inner_;
  FaultKind kind_ = FaultKind::kFail;
  int64_t calls_ = 0;
  int64_t armedAt_ = -1;
  bool fired_ = false;
};

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_SUPPORT_FAULT_PLATFORM_H_
