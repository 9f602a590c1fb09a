// What the session fuzzers share: a disc held in memory whose names all lead to the
// input's files, and a sequence of export calls that the input chooses, with arguments,
// references and buffer sizes from the input too. References sit in a buffer as long as
// the longest a reference parse may look at, as a caller's would.
//
// A call is: op, n (signed), size (2 bytes), then what the op takes (see RunCalls).
#ifndef TOMESHELF_FUZZ_FUZZ_SESSION_H_
#define TOMESHELF_FUZZ_FUZZ_SESSION_H_

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "api/guarded_call.h"
#include "api/library.h"
#include "support/memory_platform.h"

namespace tomeshelf::fuzzing {

inline constexpr size_t kReferenceBuffer = 4096 + 64;
inline constexpr int kMaxCalls = 64;
inline constexpr char kRoot[] = "M:\\D";

enum Op : uint8_t {
  kOpenEpwing,
  kSelectBook,
  kBooksOpen,
  kSearch,
  kWordItem,
  kWordContent,
  kNextContent,
  kLastContent,
  kWordCont,
  kWordContNext,
  kWordContLast,
  kContLastNoSet,
  kLinkContByPt,
  kMenuHead,
  kLinkContent,
  kLinkPage,
  kImageSize,
  kImage,
  kSoundProp,
  kPcmSize,
  kPcmCont,
  kGaiji,
  kIsEpwBook,
  kBooksClose,
  kCloseEpwing,
  kOpCount
};

// Reads the input front to back; past its end every value is 0.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() << 8 | Byte()); }
  uint32_t U32() { return static_cast<uint32_t>(U16()) << 16 | U16(); }
  std::vector<uint8_t> Bytes(size_t n) {
    n = std::min(n, size_ - at_);
    std::vector<uint8_t> out(data_ + at_, data_ + at_ + n);
    at_ += n;
    return out;
  }
  std::vector<uint8_t> Rest() { return Bytes(size_ - at_); }
  bool Empty() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// The in-memory platform, but every path leads to the disc's one file of its kind,
// whatever directory the catalog names.
class DiscPlatform final : public Platform {
 public:
  testing::MemoryPlatform memory;

  std::string ResolvePath(const std::string& path) override {
    auto endsWith = [&](const std::string& tail) {
      return path.size() >= tail.size() &&
             path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (endsWith("catalogs")) return "catalogs";
    if (endsWith("\\data\\honmon")) return "honmon";
    if (path.find("\\gaiji\\") != std::string::npos) return "font";
    return path;
  }
  std::unique_ptr<File> OpenRead(const std::string& p) override { return memory.OpenRead(p); }
  std::optional<uint64_t> LookupFile(const std::string& p) override { return memory.LookupFile(p); }
  std::unique_ptr<ChangeWatch> WatchTree(const std::string& d) override {
    return memory.WatchTree(d);
  }
  void ShowMessage(const char*) override {}
  void StretchImage(void*, int32_t, int32_t, int32_t, int32_t, const DibImage& image) override {
    // Touch every byte the image claims, as a device would.
    volatile uint8_t sink = 0;
    for (uint8_t b : image.pixels) sink = static_cast<uint8_t>(sink ^ b);
  }
  void SetPixel(void*, int32_t, int32_t, uint32_t) override {}
  bool AttachBitmap(void*, const MonoBitmap& bitmap) override {
    return bitmap.bits.size() >=
           static_cast<size_t>(bitmap.stride) * static_cast<size_t>(bitmap.height);
  }
};

// A reference: inline bytes of the input, or 64 bytes of the book's text at a place the
// input names (where the book's own references lie).
inline std::vector<uint8_t> Reference(Input& in, const std::vector<uint8_t>& text) {
  std::vector<uint8_t> ref(kReferenceBuffer, 0);
  const uint8_t source = in.Byte();
  if ((source & 1) != 0 && !text.empty()) {
    const size_t at = in.U32() % text.size();
    std::copy_n(text.begin() + static_cast<std::ptrdiff_t>(at),
                std::min<size_t>(64, text.size() - at), ref.begin());
  } else {
    const auto bytes = in.Bytes(source >> 1);
    std::copy(bytes.begin(), bytes.end(), ref.begin());
  }
  return ref;
}

// Runs up to kMaxCalls calls. The sanitizers judge: no call may read or write out of
// bounds, leak or fail to return.
inline void RunCalls(Library& lib, Input& in, const std::vector<uint8_t>& text) {
  std::vector<uint8_t> buffer(1 << 17);
  char title[TOMESHELF_TITLE_SIZE];
  std::vector<char> caption(kReferenceBuffer);
  uint32_t count = 0;
  int device = 0;
  // A data call fills what its size call asked for: never more than this buffer.
  bool pendingFits = true;
  auto sized = [&](int32_t result) {
    if (result > static_cast<int32_t>(buffer.size())) pendingFits = false;
    return result;
  };
  for (int i = 0; i < kMaxCalls && !in.Empty(); ++i) {
    const auto op = static_cast<Op>(in.Byte() % kOpCount);
    const auto n = static_cast<int32_t>(static_cast<int8_t>(in.Byte()));
    const uint32_t size = in.U16() % 8192;
    std::vector<uint8_t> ref;
    if (op >= kLinkContent && op <= kPcmSize) ref = Reference(in, text);
    GuardedCall(lib, [&](Library& l) -> int32_t {
      switch (op) {
        case kOpenEpwing:
          return l.OpenEpwing(kRoot);
        case kSelectBook:
          return l.epwSelectBook(n);
        case kBooksOpen:
          return l.epwBooksOpen();
        case kSearch: {
          std::array<uint8_t, 258> word{};
          const auto bytes = in.Bytes(in.Byte());
          std::copy(bytes.begin(), bytes.end(), word.begin());
          WordProperties props{};
          return l.epwGetWordProperties(word.data(), &props);
        }
        case kWordItem: {
          WordItemRecord record{{}, buffer.data()};
          return l.epwGetWordItem(n, &record);
        }
        case kWordContent:
          return l.epwGetWordContent(n, buffer.data(), size, &count);
        case kNextContent:
          return l.epwGetNextContentByWord(buffer.data(), size, &count);
        case kLastContent:
          return l.epwGetLastContentByWord(buffer.data(), size, &count);
        case kWordCont:
          return l.GetWordCont(n, buffer.data(), size, &count);
        case kWordContNext:
          return l.GetWordContNext(buffer.data(), size, &count);
        case kWordContLast:
          return l.GetWordContLast(buffer.data(), size, &count);
        case kContLastNoSet:
          return l.GetContLastNoSet(buffer.data(), size, &count);
        case kLinkContByPt:
          return l.GetLinkContByPt(static_cast<int32_t>(in.U32()), buffer.data(), size, &count);
        case kMenuHead:
          return l.GetMenuHead();
        case kLinkContent:
          return l.epwGetLinkContent(ref.data(), buffer.data(), size, &count);
        case kLinkPage:
          return l.GetLinkContent(ref.data(), buffer.data(), size, &count);
        case kImageSize:
          return sized(l.epwGetImageSize(ref.data(), caption.data()));
        case kImage: {
          ImageKind kind = 0;
          return pendingFits ? l.epwGetImage(ref.data(), buffer.data(), &kind) : 0;
        }
        case kSoundProp: {
          SoundProp prop{};
          return l.epwGetSoundProp(ref.data(), &prop);
        }
        case kPcmSize:
          return sized(l.epwGetPcmSize(ref.data()));
        case kPcmCont:
          return pendingFits ? l.epwGetPcmCont(0, buffer.data()) : 0;
        case kGaiji: {
          const uint16_t code = in.U16();
          const int32_t dots = in.Byte();
          const int32_t width = in.Byte() % 3;
          switch (in.Byte() % 3) {
            case 0:
              return l.epwShowExCode(code, dots, width, 0, 0, n, n, 0, 0, &device);
            case 1:
              return l.epwExCode2Bmp(code, dots, width, 0, 0, 0, 0, &device);
            default:
              return l.epwShowExCodePixel(code, dots, width, 0, 0, n, n, 0, &device);
          }
        }
        case kIsEpwBook:
          return l.IsEpwBook(kRoot, title);
        case kBooksClose:
          l.epwBooksClose();
          return 0;
        default:
          l.CloseEpwing();
          return 0;
      }
    });
  }
}

}  // namespace tomeshelf::fuzzing

#endif  // TOMESHELF_FUZZ_FUZZ_SESSION_H_
