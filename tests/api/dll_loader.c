// Loads the library the way a caller does (Tomeshelf.dll by name on Windows, each export
// resolved by ordinal and by name; the shared library with dlopen elsewhere), drives every
// export over the sample book and prints one line per call: the result and a hash of what
// the call wrote. The same transcript from both builds means the DLL answers as the Linux
// library does. Exits 1 when a result is not the one the sample book must give.
// Use: dll_loader SAMPLE_DIR [LIBRARY]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tomeshelf/tomeshelf.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

// The exports in ordinal order from 2.
#define EXPORTS(X)                                                                             \
  X(OpenEpwing) X(CloseEpwing) X(epwGetBooks) X(epwGetBookInfo) X(epwSelectBook)               \
  X(epwBooksOpen) X(epwBooksClose) X(epwGetWordProperties) X(epwGetWordItem)                   \
  X(epwGetWordContent) X(epwGetImageSize) X(epwGetImage) X(epwGetSoundProp) X(epwGetPcmSize)   \
  X(epwGetPcmCont) X(epwGetNextContentByWord) X(epwGetLastContentByWord) X(epwShowExCode)      \
  X(epwExCode2Bmp) X(epwShowExCodePixel) X(epwGetLinkContent) X(GetWordCont)                   \
  X(GetWordContLast) X(GetWordContNext) X(GetLinkContent) X(GetLinkContByPt) X(IsEpwBook)      \
  X(GetMenuHead) X(GetContLastNoSet)
#define NAME(f) #f,
#define INDEX(f) k_##f,
static const char* const kNames[] = {EXPORTS(NAME)};
enum { EXPORTS(INDEX) kExports };
static void* fn[kExports];
// An export as loaded, typed as the header declares it (its calling convention included).
#define CALL(f) ((__typeof__(&f))fn[k_##f])

#ifdef _WIN32
static HMODULE lib;
#else
static void* lib;
#endif

static int LoadExports(const char* path) {
#ifdef _WIN32
  (void)path;
  lib = LoadLibraryA("Tomeshelf.dll");
#else
  lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
  if (!lib) return fprintf(stderr, "the library does not load\n"), 0;
  for (int i = 0; i < kExports; ++i) {
#ifdef _WIN32
    fn[i] = (void*)GetProcAddress(lib, MAKEINTRESOURCEA(i + 2));
    if (fn[i] != (void*)GetProcAddress(lib, kNames[i])) fn[i] = NULL;
#else
    fn[i] = dlsym(lib, kNames[i]);
#endif
    if (!fn[i]) return fprintf(stderr, "%s: not the same by ordinal %d and name\n", kNames[i], i + 2), 0;
  }
  return 1;
}

static int failures;

// One transcript line: the result and a hash of n bytes of data; ok says whether the
// result is what the sample must give.
static void Line(const char* call, int32_t result, int ok, const void* data, size_t n) {
  printf("%s %ld", call, (long)result);
  if (data) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i) h = (h ^ ((const unsigned char*)data)[i]) * 16777619u;
    printf(" %lu:%08lx", (unsigned long)n, (unsigned long)h);
  }
  printf("\n");
  if (!ok) fprintf(stderr, "unexpected result %ld from %s\n", (long)result, call), ++failures;
}

// Calls an export with args and writes its transcript line; r holds the result.
#define RUN(f, args, ok, data, n) (r = CALL(f) args, Line(#f, r, ok, data, n))

static const unsigned char* Find(const unsigned char* text, size_t n, unsigned char code) {
  for (size_t i = 0; i + 1 < n; ++i) {
    if (text[i] == 0x1F && text[i + 1] == code) return text + i;
  }
  return NULL;
}

// The whole article of the last hit of a word.
static size_t Article(const char* label, const unsigned char* jisWord, unsigned char* out,
                      size_t capacity, int32_t wantHits) {
  unsigned char word[32], heading[TOMESHELF_ITEM_SIZE] = {0};
  WordProperties props = {0, 0};
  WordItemRecord item = {{0}, heading};
  strcpy((char*)word, (const char*)jisWord);
  int32_t r = CALL(epwGetWordProperties)(word, &props);
  printf("%s: ", label);
  Line("epwGetWordProperties", r, r == 1 && props.hitCount == wantHits && props.itemSize == 500,
       &props, sizeof props);
  RUN(epwGetWordItem, (wantHits - 1, &item), r == 1, heading, strlen((const char*)heading));
  uint32_t count = 0;
  RUN(epwGetWordContent, (0, out, (uint32_t)capacity, &count), r == 1 && count > 0, out, count);
  return count;
}

// A framework object: a table pointer, then the handle (a device, a bitmap).
typedef struct FrameworkObject {
  const void* table;
  void* handle;
} FrameworkObject;

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

  RUN(IsEpwBook, (root, title), r == 1, title, strlen(title));
  RUN(OpenEpwing, (root), r == 1, NULL, 0);
  RUN(epwGetBooks, (), r == 1, NULL, 0);
  RUN(epwSelectBook, (0), r == 1, NULL, 0);
  BookInfo info = {0, {0}, title};
  memset(title, 0, sizeof title);
  RUN(epwGetBookInfo, (0, &info), r == 1 && info.bookType == 0, title, strlen(title));
  RUN(epwBooksOpen, (), r == 1, NULL, 0);
  CALL(CloseEpwing)();  // the open book outlives the catalog

  // Words in the book's JIS X 0208 code: ねこ, ほ* (ほし and ほん), いぬ, うみ.
  static const unsigned char cat[] = {0x24, 0x4D, 0x24, 0x33, 0};
  static const unsigned char ho[] = {0x24, 0x5B, 0x21, 0x76, 0};
  static const unsigned char dog[] = {0x24, 0x24, 0x24, 0x4C, 0};
  static const unsigned char sea[] = {0x24, 0x26, 0x24, 0x5F, 0};
  size_t n = Article("cat", cat, text, sizeof text, 1);
  RUN(epwGetNextContentByWord, (data, 64, &count), r >= 0, data, count);
  RUN(epwGetLastContentByWord, (data, 64, &count), r >= 0, data, count);
  const unsigned char* link = Find(text, n, 0x42);
  // A reference not found is NULL, which the exports refuse.
  RUN(epwGetLinkContent, (link, data, sizeof data, &count), r == 1, data, count);
  RUN(GetLinkContent, (link, page, 256, &count), r > 0, page, count);

  Article("ho*", ho, text, sizeof text, 2);
  RUN(GetWordCont, (0, page, 256, &count), r > 0, page, count);
  RUN(GetWordContNext, (page, 256, &count), r > 0, page, count);
  RUN(GetWordContLast, (page, 256, &count), r > 0, page, count);
  RUN(GetContLastNoSet, (page, 256, &count), r == 1, page, count);
  const int32_t menu = CALL(GetMenuHead)();
  Line("GetMenuHead", menu, menu > 0, NULL, 0);
  RUN(GetLinkContByPt, (menu, page, 256, &count), r == menu, page, count);

  n = Article("dog", dog, text, sizeof text, 1);
  const unsigned char* sound = Find(text, n, 0x4A);
  SoundProp prop = {0};
  RUN(epwGetSoundProp, (sound, &prop), r == 1, &prop, sizeof prop);
  RUN(epwGetPcmSize, (sound), r > 0, NULL, 0);
  const int32_t pcm = r;
  r = pcm > 0 && (size_t)pcm <= sizeof data ? CALL(epwGetPcmCont)(0, data) : -9;
  Line("epwGetPcmCont", r, r == pcm, data, r > 0 ? (size_t)r : 0);

  n = Article("sea", sea, text, sizeof text, 1);
  const unsigned char* picture = Find(text, n, 0x44);
  char caption[256] = {0};
  RUN(epwGetImageSize, (picture, caption), r > 8 && (size_t)r <= sizeof data, caption, strlen(caption));
  const int32_t size = r;
  ImageKind kind = -1;
  r = size > 0 && (size_t)size <= sizeof data ? CALL(epwGetImage)(picture, data, &kind) : -9;
  Line("epwGetImage", r, r > 0 && kind == TOMESHELF_IMAGE_MONOCHROME, data, r > 0 ? (size_t)r : 0);

  // The glyph drawn on a device and as a bitmap; the bitmap's rows (16 of one 16-bit word)
  // go into the transcript.
#ifdef _WIN32
  HDC dc = CreateCompatibleDC(NULL);
  HBITMAP canvas = CreateBitmap(16, 16, 1, 32, NULL);
  HGDIOBJ old = SelectObject(dc, canvas);
  FrameworkObject device = {NULL, dc};
#else
  TomeshelfDrawTarget target = {NULL, NULL, NULL};
  FrameworkObject device = {NULL, &target};
#endif
  RUN(epwShowExCode, (0xB121, 16, 1, 0, 0, 16, 16, 0, 0xFFFFFF, &device), r == 1, NULL, 0);
  RUN(epwShowExCodePixel, (0xB121, 16, 1, 0, 0, 16, 16, 0, &device), r == 1, NULL, 0);
  unsigned char rows[32] = {0};
  FrameworkObject object = {NULL, NULL};
  r = CALL(epwExCode2Bmp)(0xB121, 16, 1, 0, 0, 0, 0xFFFFFF, &object);
#ifdef _WIN32
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
  if (r == 1 && GetBitmapBits((HBITMAP)object.handle, 32, rows) != 32) r = -9;
  if (object.handle) DeleteObject((HBITMAP)object.handle);
#else
  TomeshelfBitmap* bitmap = object.handle;
  for (int i = 0; r == 1 && bitmap->height == 16 && i < 32; ++i) {
    rows[i] = bitmap->bits[i / 2 * bitmap->stride + i % 2];
  }
  __typeof__(&TomeshelfFreeBitmap) freeBitmap = dlsym(lib, "TomeshelfFreeBitmap");
  if (bitmap && freeBitmap) freeBitmap(bitmap);
#endif
  Line("epwExCode2Bmp", r, r == 1, rows, sizeof rows);

  CALL(epwBooksClose)();
  return failures ? 1 : 0;
}
