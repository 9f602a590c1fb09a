/* Loads the library the way a caller does (Tomeshelf.dll by name on Windows, each export
 * resolved by ordinal and by name; the shared library with dlopen elsewhere), drives every
 * export over the sample book and prints one line per call: the result and a hash of what
 * the call wrote. The same transcript from both builds means the DLL answers as the Linux
 * library does. Exits 1 when a result is not the one the sample book must give.
 * Use: dll_loader SAMPLE_DIR [LIBRARY] */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tomeshelf/tomeshelf.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

/* The exports in ordinal order from 2. */
static const char* const kNames[] = {
    "OpenEpwing", "CloseEpwing", "epwGetBooks", "epwGetBookInfo", "epwSelectBook",
    "epwBooksOpen", "epwBooksClose", "epwGetWordProperties", "epwGetWordItem",
    "epwGetWordContent", "epwGetImageSize", "epwGetImage", "epwGetSoundProp", "epwGetPcmSize",
    "epwGetPcmCont", "epwGetNextContentByWord", "epwGetLastContentByWord", "epwShowExCode",
    "epwExCode2Bmp", "epwShowExCodePixel", "epwGetLinkContent", "GetWordCont",
    "GetWordContLast", "GetWordContNext", "GetLinkContent", "GetLinkContByPt", "IsEpwBook",
    "GetMenuHead", "GetContLastNoSet"};
enum { kExports = sizeof kNames / sizeof kNames[0] };
static void* fn[kExports];

/* Typed calls through the table, with the library's own calling convention. */
#define CALL(i, type) ((type)fn[i])
typedef int32_t(TOMESHELF_CALL* PathFn)(const char*);
typedef void(TOMESHELF_CALL* VoidFn)(void);
typedef int32_t(TOMESHELF_CALL* IntFn)(void);
typedef int32_t(TOMESHELF_CALL* InfoFn)(int32_t, BookInfo*);
typedef int32_t(TOMESHELF_CALL* IndexFn)(int32_t);
typedef int32_t(TOMESHELF_CALL* WordFn)(unsigned char*, WordProperties*);
typedef int32_t(TOMESHELF_CALL* ItemFn)(int32_t, WordItemRecord*);
typedef int32_t(TOMESHELF_CALL* HitReadFn)(int32_t, unsigned char*, uint32_t, uint32_t*);
typedef int32_t(TOMESHELF_CALL* ReadFn)(unsigned char*, uint32_t, uint32_t*);
typedef int32_t(TOMESHELF_CALL* RefReadFn)(const unsigned char*, unsigned char*, uint32_t,
                                           uint32_t*);
typedef int32_t(TOMESHELF_CALL* ImageSizeFn)(const unsigned char*, char*);
typedef int32_t(TOMESHELF_CALL* ImageFn)(const unsigned char*, void*, ImageKind*);
typedef int32_t(TOMESHELF_CALL* SoundPropFn)(const unsigned char*, SoundProp*);
typedef int32_t(TOMESHELF_CALL* PcmSizeFn)(const unsigned char*);
typedef int32_t(TOMESHELF_CALL* PcmFn)(int32_t, void*);
typedef int32_t(TOMESHELF_CALL* DrawFn)(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                        int32_t, uint32_t, uint32_t, void*);
typedef int32_t(TOMESHELF_CALL* BmpFn)(uint32_t, int32_t, int32_t, int32_t, int32_t, uint32_t,
                                       uint32_t, void*);
typedef int32_t(TOMESHELF_CALL* PixelFn)(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                         int32_t, uint32_t, void*);
typedef int32_t(TOMESHELF_CALL* TitleFn)(const char*, char*);

static int failures;

static uint32_t Hash(const void* data, size_t n) {
  const unsigned char* p = data;
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

/* One transcript line; `ok` says whether the result is what the sample must give. */
static void Line(const char* call, int32_t result, int ok, const void* data, size_t n) {
  printf("%s %ld", call, (long)result);
  if (data) printf(" %lu:%08lx", (unsigned long)n, (unsigned long)Hash(data, n));
  printf("\n");
  if (!ok) {
    fprintf(stderr, "unexpected result %ld from %s\n", (long)result, call);
    ++failures;
  }
}

static const unsigned char* Find(const unsigned char* text, size_t n, unsigned char code) {
  for (size_t i = 0; i + 1 < n; ++i) {
    if (text[i] == 0x1F && text[i + 1] == code) return text + i;
  }
  return NULL;
}

/* The whole article of hit 0 of a word, piece by piece through a small buffer. */
static size_t Article(const char* label, const unsigned char* jisWord, unsigned char* out,
                      size_t capacity, int32_t wantHits) {
  unsigned char word[32];
  WordProperties props = {0, 0};
  strcpy((char*)word, (const char*)jisWord);
  int32_t r = CALL(7, WordFn)(word, &props);
  printf("%s: ", label);
  Line("epwGetWordProperties", r, r == 1 && props.hitCount == wantHits && props.itemSize == 500,
       &props, sizeof props);

  unsigned char heading[TOMESHELF_ITEM_SIZE];
  WordItemRecord item;
  memset(&item, 0, sizeof item);
  memset(heading, 0, sizeof heading);
  item.itemBuffer = heading;
  r = CALL(8, ItemFn)(wantHits - 1, &item);
  Line("epwGetWordItem", r, r == 1, heading, strlen((const char*)heading));

  size_t total = 0;
  uint32_t count = 0;
  int pieces = 0;
  do {
    r = CALL(9, HitReadFn)(0, out + total, 64, &count);
    total += count;
    ++pieces;
  } while (r == 0 && total + 64 <= capacity && pieces < 100);
  Line("epwGetWordContent", r, r == 1 && total > 0, out, total);
  return total;
}

#ifdef _WIN32
/* The framework objects the drawing exports take: a table pointer, then the handle. */
typedef struct FrameworkObject {
  const void* table;
  void* handle;
} FrameworkObject;

static int LoadExports(const char* unused) {
  (void)unused;
  HMODULE dll = LoadLibraryA("Tomeshelf.dll");
  if (!dll) {
    fprintf(stderr, "LoadLibrary(Tomeshelf.dll) failed: %lu\n", GetLastError());
    return 0;
  }
  for (int i = 0; i < kExports; ++i) {
    FARPROC byOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(i + 2));
    FARPROC byName = GetProcAddress(dll, kNames[i]);
    if (!byOrdinal || byOrdinal != byName) {
      fprintf(stderr, "%s: ordinal %d and name do not resolve alike\n", kNames[i], i + 2);
      return 0;
    }
    fn[i] = (void*)byOrdinal;
  }
  return 1;
}

/* The ink mask of a 16x16 area of a device context, a bit per pixel. */
static void DrawnMask(HDC dc, unsigned char mask[32]) {
  memset(mask, 0, 32);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      if (GetPixel(dc, x, y) == RGB(0, 0, 0)) mask[y * 2 + x / 8] |= (unsigned char)(0x80 >> (x % 8));
    }
  }
}

static void Gaiji(void) {
  unsigned char mask[32];
  HDC dc = CreateCompatibleDC(NULL);
  HBITMAP canvas = CreateBitmap(16, 16, 1, 32, NULL);
  HGDIOBJ old = SelectObject(dc, canvas);
  FrameworkObject dcObject = {NULL, dc};
  PatBlt(dc, 0, 0, 16, 16, WHITENESS);
  int32_t r = CALL(17, DrawFn)(0xB121, 16, 1, 0, 0, 16, 16, RGB(0, 0, 0), RGB(255, 255, 255),
                               &dcObject);
  DrawnMask(dc, mask);
  Line("epwShowExCode", r, r == 1, mask, sizeof mask);
  PatBlt(dc, 0, 0, 16, 16, WHITENESS);
  r = CALL(19, PixelFn)(0xB121, 16, 1, 0, 0, 16, 16, RGB(0, 0, 0), &dcObject);
  DrawnMask(dc, mask);
  Line("epwShowExCodePixel", r, r == 1, mask, sizeof mask);
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);

  FrameworkObject bitmapObject = {NULL, NULL};
  r = CALL(18, BmpFn)(0xB121, 16, 1, 0, 0, 0, 0xFFFFFF, &bitmapObject);
  unsigned char rows[32]; /* 16 rows of one 16-bit word: the same layout as the mask */
  memset(mask, 0, sizeof mask);
  if (r == 1 && GetBitmapBits((HBITMAP)bitmapObject.handle, sizeof rows, rows) == sizeof rows) {
    for (int i = 0; i < 32; ++i) mask[i] = (unsigned char)~rows[i];
  }
  if (bitmapObject.handle) DeleteObject((HBITMAP)bitmapObject.handle);
  Line("epwExCode2Bmp", r, r == 1, mask, sizeof mask);
}
#else
static void (*freeBitmap)(TomeshelfBitmap*);

static int LoadExports(const char* path) {
  void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "dlopen: %s\n", dlerror());
    return 0;
  }
  for (int i = 0; i < kExports; ++i) {
    if (!(fn[i] = dlsym(lib, kNames[i]))) {
      fprintf(stderr, "%s is not exported\n", kNames[i]);
      return 0;
    }
  }
  freeBitmap = (void (*)(TomeshelfBitmap*))dlsym(lib, "TomeshelfFreeBitmap");
  return freeBitmap != NULL;
}

static unsigned char canvas[32];

static void Stretch(void* user, int32_t left, int32_t top, int32_t width, int32_t height,
                    const TomeshelfImage* image) {
  (void)user;
  /* One to one here: 16x16 glyph into a 16x16 area, 24-bit rows bottom up. */
  for (int32_t y = 0; y < height && y < image->height; ++y) {
    const unsigned char* row =
        image->pixels + (size_t)(image->height - 1 - y) * (size_t)((image->width * 3 + 3) / 4 * 4);
    for (int32_t x = 0; x < width && x < image->width; ++x) {
      const int ink = row[x * 3] == 0 && row[x * 3 + 1] == 0 && row[x * 3 + 2] == 0;
      if (ink) canvas[(top + y) * 2 + (left + x) / 8] |= (unsigned char)(0x80 >> ((left + x) % 8));
    }
  }
}

static void Pixel(void* user, int32_t x, int32_t y, uint32_t colour) {
  (void)user;
  if (colour == 0 && x >= 0 && x < 16 && y >= 0 && y < 16) {
    canvas[y * 2 + x / 8] |= (unsigned char)(0x80 >> (x % 8));
  }
}

static void Gaiji(void) {
  TomeshelfDrawTarget target = {NULL, Stretch, Pixel};
  TomeshelfDeviceContext dc = {NULL, &target};
  memset(canvas, 0, sizeof canvas);
  int32_t r = CALL(17, DrawFn)(0xB121, 16, 1, 0, 0, 16, 16, 0, 0xFFFFFF, &dc);
  Line("epwShowExCode", r, r == 1, canvas, sizeof canvas);
  memset(canvas, 0, sizeof canvas);
  r = CALL(19, PixelFn)(0xB121, 16, 1, 0, 0, 16, 16, 0, &dc);
  Line("epwShowExCodePixel", r, r == 1, canvas, sizeof canvas);

  TomeshelfBitmapObject object = {NULL, NULL};
  unsigned char mask[32];
  memset(mask, 0, sizeof mask);
  r = CALL(18, BmpFn)(0xB121, 16, 1, 0, 0, 0, 0xFFFFFF, &object);
  if (r == 1 && object.bitmap->height == 16) {
    for (int y = 0; y < 16; ++y) {
      for (int b = 0; b < 2; ++b) mask[y * 2 + b] = (unsigned char)~object.bitmap->bits[y * object.bitmap->stride + b];
    }
  }
  if (object.bitmap) freeBitmap(object.bitmap);
  Line("epwExCode2Bmp", r, r == 1, mask, sizeof mask);
}
#endif

int main(int argc, char** argv) {
  if (argc < 2 || !LoadExports(argc > 2 ? argv[2] : NULL)) {
    fprintf(stderr, "usage: dll_loader SAMPLE_DIR [LIBRARY]\n");
    return 2;
  }
  const char* root = argv[1];
  static unsigned char text[16384], page[4096], data[8192];
  char title[TOMESHELF_TITLE_SIZE] = {0};
  uint32_t count = 0;
  int32_t r;

  /* Nothing open yet. */
  r = CALL(2, IntFn)();
  Line("epwGetBooks", r, r == -1, NULL, 0);
  r = CALL(27, IntFn)();
  Line("GetMenuHead", r, r == -1, NULL, 0);
  r = CALL(28, ReadFn)(page, sizeof page, &count);
  Line("GetContLastNoSet", r, r == 0, NULL, 0);

  r = CALL(26, TitleFn)(root, title);
  Line("IsEpwBook", r, r == 1, title, strlen(title));
  r = CALL(0, PathFn)(root);
  Line("OpenEpwing", r, r == 1, NULL, 0);
  r = CALL(2, IntFn)();
  Line("epwGetBooks", r, r == 1, NULL, 0);
  r = CALL(4, IndexFn)(0);
  Line("epwSelectBook", r, r == 1, NULL, 0);
  BookInfo info;
  memset(&info, 0, sizeof info);
  memset(title, 0, sizeof title);
  info.title = title;
  r = CALL(3, InfoFn)(0, &info);
  Line("epwGetBookInfo", r, r == 1 && info.bookType == 0, title, strlen(title));
  r = CALL(5, IntFn)();
  Line("epwBooksOpen", r, r == 1, NULL, 0);
  CALL(1, VoidFn)(); /* the open book outlives the catalog */

  /* Words in the book's JIS X 0208 code: ねこ, ほ* (ほし and ほん), いぬ, うみ. */
  static const unsigned char cat[] = {0x24, 0x4D, 0x24, 0x33, 0};
  static const unsigned char ho[] = {0x24, 0x5B, 0x21, 0x76, 0};
  static const unsigned char dog[] = {0x24, 0x24, 0x24, 0x4C, 0};
  static const unsigned char sea[] = {0x24, 0x26, 0x24, 0x5F, 0};
  size_t n = Article("cat", cat, text, sizeof text, 1);
  r = CALL(15, ReadFn)(data, 64, &count);
  Line("epwGetNextContentByWord", r, r >= 0, data, count);
  r = CALL(16, ReadFn)(data, 64, &count);
  Line("epwGetLastContentByWord", r, r >= 0, data, count);
  const unsigned char* link = Find(text, n, 0x42);
  r = link ? CALL(20, RefReadFn)(link, data, sizeof data, &count) : -9;
  Line("epwGetLinkContent", r, r == 1, data, count);
  r = link ? CALL(24, RefReadFn)(link, page, 256, &count) : -9;
  Line("GetLinkContent", r, r > 0, page, count);

  Article("ho*", ho, text, sizeof text, 2);
  r = CALL(21, HitReadFn)(0, page, 256, &count);
  Line("GetWordCont", r, r > 0, page, count);
  r = CALL(23, ReadFn)(page, 256, &count);
  Line("GetWordContNext", r, r > 0, page, count);
  r = CALL(22, ReadFn)(page, 256, &count);
  Line("GetWordContLast", r, r > 0, page, count);
  r = CALL(28, ReadFn)(page, 256, &count);
  Line("GetContLastNoSet", r, r == 1, page, count);
  const int32_t menu = CALL(27, IntFn)();
  Line("GetMenuHead", menu, menu > 0, NULL, 0);
  r = CALL(25, HitReadFn)(menu, page, 256, &count);
  Line("GetLinkContByPt", r, r == menu, page, count);
  const unsigned char* entry = Find(page, count, 0x43);
  r = entry ? CALL(24, RefReadFn)(entry, data, 256, &count) : -9;
  Line("GetLinkContent", r, r > 0, data, count);

  n = Article("dog", dog, text, sizeof text, 1);
  const unsigned char* sound = Find(text, n, 0x4A);
  SoundProp prop;
  memset(&prop, 0, sizeof prop);
  r = sound ? CALL(12, SoundPropFn)(sound, &prop) : -9;
  Line("epwGetSoundProp", r, r == 1, &prop, sizeof prop);
  const int32_t pcm = sound ? CALL(13, PcmSizeFn)(sound) : -9;
  Line("epwGetPcmSize", pcm, pcm > 0, NULL, 0);
  r = pcm > 0 && (size_t)pcm <= sizeof data ? CALL(14, PcmFn)(0, data) : -9;
  Line("epwGetPcmCont", r, r == pcm, data, r > 0 ? (size_t)r : 0);
  r = CALL(14, PcmFn)(0, data);
  Line("epwGetPcmCont", r, r == -2, NULL, 0);

  n = Article("sea", sea, text, sizeof text, 1);
  const unsigned char* picture = Find(text, n, 0x44);
  char caption[256] = {0};
  const int32_t size = picture ? CALL(10, ImageSizeFn)(picture, caption) : -9;
  Line("epwGetImageSize", size, size > 8 && (size_t)size <= sizeof data, caption, strlen(caption));
  ImageKind kind = -1;
  r = size > 0 && (size_t)size <= sizeof data ? CALL(11, ImageFn)(picture, data, &kind) : -9;
  Line("epwGetImage", r, r > 0 && kind == TOMESHELF_IMAGE_MONOCHROME, data, r > 0 ? (size_t)r : 0);

  Gaiji();

  CALL(6, VoidFn)();
  r = CALL(7, WordFn)((unsigned char*)strcpy((char*)text, (const char*)cat), NULL);
  Line("epwGetWordProperties", r, r == -2, NULL, 0); /* a NULL is refused first */
  return failures ? 1 : 0;
}
