#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "win32/win32_test_support.h"

namespace tomeshelf {
namespace {

using testing::FrameworkObject;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kCanvas = 24;

// A memory device context drawing into a white DIB section, read back pixel by pixel.
class Canvas {
 public:
  Canvas() : dc_(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kCanvas;
    info.bmiHeader.biHeight = -kCanvas;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    section_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = ::SelectObject(dc_, section_);
    std::memset(bits, 0xFF, kCanvas * kCanvas * 4);
    object_.handle = dc_;
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(section_);
    ::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool ready() const { return dc_ && section_; }
  void* object() { return &object_; }
  COLORREF At(int x, int y) const {
    ::GdiFlush();
    return ::GetPixel(dc_, x, y);
  }

 private:
  HDC dc_;
  HBITMAP section_ = nullptr;
  HGDIOBJ old_ = nullptr;
  FrameworkObject object_;
};

// A bottom-up 24-bit image with its 40-byte header, as the library builds one.
struct Image {
  std::vector<uint8_t> header;
  std::vector<uint8_t> pixels;
  DibImage View() const {
    DibImage view;
    std::memcpy(&view.width, header.data() + 4, 4);
    std::memcpy(&view.height, header.data() + 8, 4);
    view.header = header;
    view.pixels = pixels;
    return view;
  }
};

// colours[y][x] with y = 0 the top row.
Image MakeImage(const std::vector<std::vector<COLORREF>>& colours) {
  const int height = static_cast<int>(colours.size());
  const int width = static_cast<int>(colours[0].size());
  Image image;
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = BI_RGB;
  h.biSizeImage = width * height * 3;
  image.header.resize(sizeof h);
  std::memcpy(image.header.data(), &h, sizeof h);
  for (int y = height - 1; y >= 0; --y) {
    for (COLORREF c : colours[y]) {
      image.pixels.push_back(GetBValue(c));
      image.pixels.push_back(GetGValue(c));
      image.pixels.push_back(GetRValue(c));
    }
  }
  return image;
}

TEST(Win32DrawingTest, StretchImageDrawsBottomUpRowsScaledIntoTheRectangle) {
  Canvas canvas;
  ASSERT_TRUE(canvas.ready());
  const std::vector<std::vector<COLORREF>> colours = {
      {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(10, 20, 30)},
      {RGB(0, 0, 0), RGB(200, 100, 50), RGB(1, 2, 3), RGB(250, 250, 0)},
  };
  const Image image = MakeImage(colours);
  constexpr int kLeft = 3, kTop = 5, kScale = 2;
  SystemPlatform().StretchImage(canvas.object(), kLeft, kTop, 4 * kScale, 2 * kScale,
                                image.View());
  for (int y = 0; y < kCanvas; ++y) {
    for (int x = 0; x < kCanvas; ++x) {
      const int ix = (x - kLeft) / kScale, iy = (y - kTop) / kScale;
      const bool inside = x >= kLeft && y >= kTop && ix < 4 && iy < 2;
      ASSERT_EQ(canvas.At(x, y), inside ? colours[iy][ix] : kWhite) << x << "," << y;
    }
  }
}

TEST(Win32DrawingTest, StretchImageDrawsNothingFromAShortImage) {
  Canvas canvas;
  ASSERT_TRUE(canvas.ready());
  Image image = MakeImage({{kBlack, kBlack, kBlack, kBlack}, {kBlack, kBlack, kBlack, kBlack}});
  image.pixels.resize(image.pixels.size() - 1);
  SystemPlatform().StretchImage(canvas.object(), 0, 0, 8, 8, image.View());
  Image headless = MakeImage({{kBlack, kBlack, kBlack, kBlack}});
  headless.header.resize(20);
  SystemPlatform().StretchImage(canvas.object(), 0, 0, 8, 8, headless.View());
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(canvas.At(x, y), kWhite) << x << "," << y;
  }
}

TEST(Win32DrawingTest, SetPixelSetsExactlyThatPixel) {
  Canvas canvas;
  ASSERT_TRUE(canvas.ready());
  struct Dot {
    int x, y;
    COLORREF colour;
  };
  const Dot dots[] = {{0, 0, RGB(1, 2, 3)}, {23, 0, RGB(255, 0, 0)}, {7, 11, RGB(0, 128, 255)},
                      {23, 23, kBlack}};
  for (const Dot& d : dots) SystemPlatform().SetPixel(canvas.object(), d.x, d.y, d.colour);
  SystemPlatform().SetPixel(canvas.object(), -1, 4, kBlack);  // off the canvas: ignored
  SystemPlatform().SetPixel(canvas.object(), 4, kCanvas, kBlack);
  for (int y = 0; y < kCanvas; ++y) {
    for (int x = 0; x < kCanvas; ++x) {
      COLORREF want = kWhite;
      for (const Dot& d : dots) {
        if (d.x == x && d.y == y) want = d.colour;
      }
      ASSERT_EQ(canvas.At(x, y), want) << x << "," << y;
    }
  }
}

// ---- Monochrome bitmaps ----

TEST(Win32BitmapAttachTest, ZeroBitsAreInkAndOneBitsPaper) {
  // Row 0: left pixel black; row 1: all black but the last of 12 pixels.
  const std::vector<uint8_t> bits = {0x7F, 0xFF, 0x00, 0x1F};
  FrameworkObject object;
  ASSERT_TRUE(SystemPlatform().AttachBitmap(&object, {12, 2, 2, bits}));
  const HDC dc = ::CreateCompatibleDC(nullptr);
  const HGDIOBJ old = ::SelectObject(dc, object.handle);
  for (int x = 0; x < 12; ++x) {
    EXPECT_EQ(::GetPixel(dc, x, 0), x == 0 ? kBlack : kWhite) << x;
    EXPECT_EQ(::GetPixel(dc, x, 1), x == 11 ? kWhite : kBlack) << x;
  }
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(object.handle);
}

TEST(Win32BitmapAttachTest, RowsOfAnotherStrideAreRepacked) {
  // 24 pixels in 3-byte rows; the bitmap keeps them in 4-byte rows.
  const std::vector<uint8_t> bits = {1, 2, 3, 4, 5, 6};
  FrameworkObject object;
  ASSERT_TRUE(SystemPlatform().AttachBitmap(&object, {24, 2, 3, bits}));
  uint8_t back[8] = {};
  ASSERT_EQ(::GetBitmapBits(static_cast<HBITMAP>(object.handle), sizeof back, back), 8);
  EXPECT_EQ(std::vector<uint8_t>(back, back + 3), std::vector<uint8_t>({1, 2, 3}));
  EXPECT_EQ(std::vector<uint8_t>(back + 4, back + 7), std::vector<uint8_t>({4, 5, 6}));
  ::DeleteObject(object.handle);
}

TEST(Win32BitmapAttachTest, RefusesWithoutTouchingTheObject) {
  const std::vector<uint8_t> bits(8, 0xAA);
  struct Case {
    const char* what;
    MonoBitmap bitmap;
  };
  const Case cases[] = {
      {"rows shorter than the stride says", {16, 5, 2, bits}},
      {"no width", {0, 4, 2, bits}},
      {"no height", {16, 0, 2, bits}},
      {"negative stride", {16, 4, -2, bits}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FrameworkObject object;
    EXPECT_FALSE(SystemPlatform().AttachBitmap(&object, c.bitmap));
    EXPECT_EQ(object.handle, nullptr);
  }
}

TEST(Win32DrawingTest, ObjectsWithoutADeviceAreLeftAlone) {
  const Image image = MakeImage({{kBlack, kBlack, kBlack, kBlack}});
  FrameworkObject empty;
  SystemPlatform().StretchImage(&empty, 0, 0, 4, 1, image.View());
  SystemPlatform().SetPixel(&empty, 0, 0, kBlack);
  SystemPlatform().StretchImage(nullptr, 0, 0, 4, 1, image.View());
  SystemPlatform().SetPixel(nullptr, 0, 0, kBlack);
  const std::vector<uint8_t> bits(2, 0);
  EXPECT_FALSE(SystemPlatform().AttachBitmap(nullptr, {8, 1, 2, bits}));
}

TEST(Win32BitmapAttachTest, AnObjectThatOwnsABitmapKeepsIt) {
  const std::vector<uint8_t> bits(4, 0);
  FrameworkObject object;
  int owned = 0;
  object.handle = &owned;
  EXPECT_FALSE(SystemPlatform().AttachBitmap(&object, {16, 2, 2, bits}));
  EXPECT_EQ(object.handle, &owned);
}

}  // namespace
}  // namespace tomeshelf
