#include "support/fault_platform.h"

#include <new>
#include <span>

namespace tomeshelf::testing {

namespace {

class FaultFile final : public File {
 public:
  FaultFile(FaultPlatform& platform, std::unique_ptr<File> inner)
      : platform_(platform), inner_(std::move(inner)) {}

  std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) override {
    const FaultPlatform::Act act = platform_.Next(true);
    if (act == FaultPlatform::Act::kFail) return std::nullopt;
    return inner_->ReadAt(offset, act == FaultPlatform::Act::kShort ? out.first(out.size() / 2) : out);
  }
  std::optional<uint64_t> Size() override {
    if (platform_.Next(false) == FaultPlatform::Act::kFail) return std::nullopt;
    return inner_->Size();
  }
  bool Close() override {
    const bool fail = platform_.Next(false, false) == FaultPlatform::Act::kFail;
    return inner_->Close() && !fail;
  }

 private:
  FaultPlatform& platform_;
  std::unique_ptr<File> inner_;
};

class FaultWatch final : public ChangeWatch {
 public:
  FaultWatch(FaultPlatform& platform, std::unique_ptr<ChangeWatch> inner)
      : platform_(platform), inner_(std::move(inner)) {}
  // A failing poll is a change seen: the one check it answers fails.
  bool Poll() override {
    return platform_.Next(false) == FaultPlatform::Act::kFail || inner_->Poll();
  }

 private:
  FaultPlatform& platform_;
  std::unique_ptr<ChangeWatch> inner_;
};

}  // namespace

FaultPlatform::Act FaultPlatform::Next(bool isRead, bool mayThrow) {
  if (kind_ == FaultKind::kShort && !isRead) return Act::kPass;
  if (++calls_ != armedAt_) return Act::kPass;
  fired_ = true;
  if (kind_ == FaultKind::kThrow && mayThrow) throw std::bad_alloc();
  return kind_ == FaultKind::kFail ? Act::kFail : kind_ == FaultKind::kShort ? Act::kShort : Act::kPass;
}

std::string FaultPlatform::ResolvePath(const std::string& path) {
  // A failed resolution names nothing that exists.
  return Next(false) == Act::kFail ? "\\\\no such path" : inner_.ResolvePath(path);
}

std::unique_ptr<File> FaultPlatform::OpenRead(const std::string& resolvedPath) {
  auto file = Next(false) == Act::kFail ? nullptr : inner_.OpenRead(resolvedPath);
  return file ? std::make_unique<FaultFile>(*this, std::move(file)) : nullptr;
}

std::optional<uint64_t> FaultPlatform::LookupFile(const std::string& resolvedPath) {
  return Next(false) == Act::kFail ? std::nullopt : inner_.LookupFile(resolvedPath);
}

std::unique_ptr<ChangeWatch> FaultPlatform::WatchTree(const std::string& resolvedDirectory) {
  auto watch = Next(false) == Act::kFail ? nullptr : inner_.WatchTree(resolvedDirectory);
  return watch ? std::make_unique<FaultWatch>(*this, std::move(watch)) : nullptr;
}

bool FaultPlatform::AttachBitmap(void* bitmapObject, const MonoBitmap& bitmap) {
  return Next(false) != Act::kFail && inner_.AttachBitmap(bitmapObject, bitmap);
}

}  // namespace tomeshelf::testing
