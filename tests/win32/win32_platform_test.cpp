// What only Windows can show of the platform layer: its file, change-watch and drawing
// calls on the real system (or wine). The logic above them is tested once, on any system.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>

#include "platform/platform.h"
#include "support/writer.h"

namespace tomeshelf {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

// The framework objects the drawing calls take: a table pointer, then the handle.
struct FrameworkObject {
  const void* table = nullptr;
  void* handle = nullptr;
};

TEST(Win32FileTest, ReadsSizeLookupAndSharing) {
  testing::TempDir dir;
  Bytes bytes(5000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  testing::WriteFile(dir.path() / "HONMON", bytes);
  Platform& platform = SystemPlatform();
  auto file = platform.OpenRead(dir.Windows("honmon"));
  ASSERT_NE(file, nullptr);
  // Out of order (no read may depend on where the last one left the file), up to the last
  // byte a 32-bit seek reaches.
  for (const auto& [offset, want, delivered] : {std::tuple<uint64_t, size_t, size_t>{4990, 100, 10},
                                                {1, 4999, 4999}, {(uint64_t{1} << 31) - 1, 4, 0}}) {
    Bytes out(want, 0xEE);
    ASSERT_EQ(file->ReadAt(offset, out), delivered) << offset;
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + delivered, bytes.begin() + offset));
  }
  uint8_t out[4];
  EXPECT_EQ(file->ReadAt(uint64_t{1} << 31, out), std::nullopt);  // past a 32-bit seek
  EXPECT_EQ(file->Size(), 5000u);
  // Shared for reading, not for writing.
  EXPECT_NE(platform.OpenRead(dir.Windows("HONMON")), nullptr);
  const HANDLE writer = ::CreateFileA(dir.Windows("HONMON").c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
  EXPECT_EQ(platform.LookupFile(dir.Windows("HonMon")), 5000u);
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(file->ReadAt(0, out), std::nullopt);
  EXPECT_EQ(file->Size(), std::nullopt);
  EXPECT_FALSE(file->Close());
  fs::create_directories(dir.path() / "DATA");
  for (const char* name : {"MISSING", "DATA", "DATA\\HONMON"}) {
    EXPECT_EQ(platform.OpenRead(dir.Windows(name)), nullptr) << name;
  }
  EXPECT_EQ(platform.LookupFile(dir.Windows("MISSING")), std::nullopt);
  EXPECT_EQ(platform.LookupFile(dir.Windows("DATA\\HONMON")), std::nullopt);
  EXPECT_FALSE(fs::exists(dir.path() / "MISSING"));  // opening creates nothing
}

// Notifications arrive asynchronously (under wine, through its server): a test waits a
// bounded while for one, and counts a watch quiet after 300 ms without.
bool SignalsWithin(ChangeWatch& watch, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  do {
    if (watch.Poll()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < end);
  return false;
}

// A wait armed by a thread is cancelled when that thread ends, which signals the handle:
// callers that open or read from short-lived threads must not see a disc change. So every
// watch here is started, and polled for its change, by threads that end.
TEST(Win32ChangeWatchTest, NamesSizesAndAttributesSignalAndTheWatchRearms) {
  const std::function<void(const fs::path&)> changes[] = {
      [](auto& d) { testing::WriteFile(d / "NEW", Bytes(1)); },
      [](auto& d) { testing::WriteFile(d / "HONMON", Bytes(9)); },
      [](auto& d) { testing::WriteFile(d / "SUB" / "NEW", Bytes(1)); },
      [](auto& d) { ::SetFileAttributesA((d / "HONMON").string().c_str(), FILE_ATTRIBUTE_HIDDEN); },
  };
  testing::TempDir disc;
  EXPECT_EQ(SystemPlatform().WatchTree(disc.Windows("DATA")), nullptr);
  for (size_t i = 0; i < std::size(changes); ++i) {
    const fs::path data = disc.path() / ("DATA" + std::to_string(i));
    testing::WriteFile(data / "HONMON", Bytes(4));
    testing::WriteFile(data / "SUB" / "FONT", Bytes(6));
    std::unique_ptr<ChangeWatch> watch;
    std::thread([&] { watch = SystemPlatform().WatchTree(disc.Windows(data.filename().string())); })
        .join();
    ASSERT_NE(watch, nullptr);
    // Wine watches a subdirectory that existed before the watch only once it is listed.
    for (const auto& entry : fs::recursive_directory_iterator(data)) (void)entry;
    ASSERT_FALSE(SignalsWithin(*watch, std::chrono::milliseconds(300))) << i;
    for (int round = 0; round < 2; ++round) {
      round ? testing::WriteFile(data / "AGAIN", Bytes(1)) : changes[i](data);
      bool seen = false;
      std::thread([&] { seen = SignalsWithin(*watch, std::chrono::seconds(5)); }).join();
      EXPECT_TRUE(seen) << i << " " << round;
      for (int k = 0; k < 20 && SignalsWithin(*watch, std::chrono::milliseconds(300)); ++k) {
      }
      EXPECT_FALSE(watch->Poll()) << i;
    }
  }
}

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;  // negative: top row first
  h.biPlanes = 1;
  h.biBitCount = bits;
  return h;
}

// A memory device context drawing into a white top-down DIB section.
class Canvas {
 public:
  static constexpr int kSize = 24;
  Canvas() {
    BITMAPINFO info{};
    info.bmiHeader = Header(kSize, -kSize, 32);
    void* bits = nullptr;
    section_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = ::SelectObject(dc_, section_);
    std::memset(bits, 0xFF, kSize * kSize * 4);
    object.handle = dc_;
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(section_);
    ::DeleteDC(dc_);
  }
  COLORREF At(int x, int y) const { return ::GdiFlush(), ::GetPixel(dc_, x, y); }
  FrameworkObject object;

 private:
  HDC dc_ = ::CreateCompatibleDC(nullptr);
  HBITMAP section_;
  HGDIOBJ old_;
};

TEST(Win32DrawingTest, StretchAndSetPixelDrawExactlyWhereAsked) {
  // A 4x2 image, top row first here; the image keeps its rows bottom up.
  const COLORREF colours[2][4] = {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(1, 2, 3)},
                                  {RGB(0, 0, 0), RGB(200, 100, 50), RGB(9, 8, 7), RGB(250, 0, 1)}};
  BITMAPINFOHEADER h = Header(4, 2, 24);
  const Bytes header(reinterpret_cast<uint8_t*>(&h), reinterpret_cast<uint8_t*>(&h + 1));
  Bytes pixels;
  for (int y = 1; y >= 0; --y) {
    for (COLORREF c : colours[y]) {
      pixels.insert(pixels.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
    }
  }
  Canvas canvas, untouched;
  Platform& platform = SystemPlatform();
  platform.StretchImage(&canvas.object, 3, 5, 8, 4, DibImage{4, 2, header, pixels});
  platform.SetPixel(&canvas.object, 20, 1, RGB(7, 7, 7));
  platform.SetPixel(&canvas.object, -1, 4, 0);  // off the canvas: ignored
  // Short pixels or header, or an object without a device, draw nothing.
  platform.StretchImage(&untouched.object, 0, 0, 8, 4,
                        DibImage{4, 2, header, std::span(pixels).first(pixels.size() - 1)});
  platform.StretchImage(&untouched.object, 0, 0, 8, 4,
                        DibImage{4, 2, std::span(header).first(20), pixels});
  FrameworkObject empty;
  platform.StretchImage(&empty, 0, 0, 8, 4, DibImage{4, 2, header, pixels});
  platform.SetPixel(nullptr, 0, 0, 0);
  for (int y = 0; y < Canvas::kSize; ++y) {
    for (int x = 0; x < Canvas::kSize; ++x) {
      const int ix = (x - 3) / 2, iy = (y - 5) / 2;
      const bool inside = x >= 3 && y >= 5 && ix < 4 && iy < 2;
      const COLORREF want = x == 20 && y == 1 ? RGB(7, 7, 7) : inside ? colours[iy][ix] : 0xFFFFFF;
      ASSERT_EQ(canvas.At(x, y), want) << x << "," << y;
      ASSERT_EQ(untouched.At(x, y), 0xFFFFFFu) << x << "," << y;
    }
  }
}

TEST(Win32DrawingTest, AttachedBitmapKeepsRowsInWholeWordsAndZeroBitsAsInk) {
  // 12 pixels in 3-byte rows: the bitmap keeps them in rows of 2 bytes (whole 16-bit words).
  const Bytes bits = {0x7F, 0xFF, 0xAA, 0x00, 0x1F, 0xBB};
  FrameworkObject object;
  ASSERT_TRUE(SystemPlatform().AttachBitmap(&object, {12, 2, 3, bits}));
  uint8_t back[4] = {};
  ASSERT_EQ(::GetBitmapBits(static_cast<HBITMAP>(object.handle), sizeof back, back), 4);
  back[1] &= 0xF0;  // the bits past the 12th pixel are padding, and Windows may clear them
  back[3] &= 0xF0;
  EXPECT_EQ(Bytes(back, back + 4), (Bytes{0x7F, 0xF0, 0x00, 0x10}));
  const HDC dc = ::CreateCompatibleDC(nullptr);
  const HGDIOBJ old = ::SelectObject(dc, object.handle);
  EXPECT_EQ(::GetPixel(dc, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(::GetPixel(dc, 1, 0), RGB(255, 255, 255));
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(object.handle);
  // Refused, the object untouched: too few bytes, an object that already holds a bitmap,
  // or none at all.
  FrameworkObject none;
  EXPECT_FALSE(SystemPlatform().AttachBitmap(&none, {16, 5, 2, bits}));
  EXPECT_EQ(none.handle, nullptr);
  int owned = 0;
  object.handle = &owned;
  EXPECT_FALSE(SystemPlatform().AttachBitmap(&object, {12, 2, 3, bits}));
  EXPECT_EQ(object.handle, &owned);
  EXPECT_FALSE(SystemPlatform().AttachBitmap(nullptr, {12, 2, 3, bits}));
}

}  // namespace
}  // namespace tomeshelf
