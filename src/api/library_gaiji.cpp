#include "api/library.h"
#include "media/glyph.h"
#include "media/glyph_raster.h"

namespace tomeshelf {

int32_t Library::epwShowExCode(uint32_t code, int32_t size, int32_t widthKind, int32_t left,
                               int32_t top, int32_t right, int32_t bottom, uint32_t ink,
                               uint32_t paper, void* deviceContext) {
  if (!book_ || gaijiFontsOpen_ == 0) return ToResultCode(Status::kNoState);
  Glyph glyph;
  if (const Status s = LoadGlyph(fonts_, code, size, widthKind, glyph); s != Status::kOk) {
    return ToResultCode(s);
  }
  DibRaster dib;
  BuildDib(glyph, ink, paper, dib);
  platform_.StretchImage(deviceContext, left, top, Extent(left, right), Extent(top, bottom),
                         dib.Image());
  return ToResultCode(Status::kOk);
}

int32_t Library::epwExCode2Bmp(uint32_t code, int32_t size, int32_t widthKind, int32_t,
                               int32_t, uint32_t, uint32_t, void* bitmapObject) {
  if (!book_ || gaijiFontsOpen_ == 0) return ToResultCode(Status::kNoState);
  Glyph glyph;
  if (const Status s = LoadGlyph(fonts_, code, size, widthKind, glyph); s != Status::kOk) {
    return ToResultCode(s);
  }
  MonoRaster mono;
  BuildMono(glyph, mono);
  if (!platform_.AttachBitmap(bitmapObject, mono.Bitmap())) return ToResultCode(Status::kRefused);
  return ToResultCode(Status::kOk);
}

int32_t Library::epwShowExCodePixel(uint32_t code, int32_t size, int32_t widthKind, int32_t left,
                                    int32_t top, int32_t right, int32_t bottom, uint32_t ink,
                                    void* deviceContext) {
  if (!book_ || gaijiFontsOpen_ == 0) return ToResultCode(Status::kNoState);
  Glyph glyph;
  if (const Status s = LoadGlyph(fonts_, code, size, widthKind, glyph); s != Status::kOk) {
    return ToResultCode(s);
  }
  ForEachInkPixel(glyph, left, top, right, bottom, [&](int32_t x, int32_t y) {
    platform_.SetPixel(deviceContext, x, y, ink);
  });
  return ToResultCode(Status::kOk);
}

}  // namespace tomeshelf
