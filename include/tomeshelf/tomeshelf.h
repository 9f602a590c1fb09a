/* Tomeshelf: read access to EPWING (JIS X 4081) electronic books.
 *
 * One process-wide state, no handles: at most one catalog and one open book exist at a
 * time. Drive the library in this order: OpenEpwing, then epwGetBooks / epwGetBookInfo /
 * epwSelectBook, then epwBooksOpen; search, read and fetch media; then epwBooksClose and
 * CloseEpwing (either first).
 *
 * Threads: any thread may call. Each call is atomic (it holds the library's one lock from
 * start to end); a sequence of calls is not: another thread's search, article or size call
 * may come between two of yours and change the state they share. Callers on several
 * threads that need a sequence (a search and its headings, a size call and its data call)
 * make it one unit themselves.
 *
 * Results: 1 success; 0 partial (more of the article follows) or false; -1 no catalog or
 * book for the call, or a file operation failed (also a changed or removed disc, and any
 * failure inside, running out of memory included: no C++ exception leaves a call); -2 an
 * argument or item refused. Calls that return a size, byte count or file offset return it
 * as a value of 0 or more. A NULL where a call needs a pointer (a buffer, record, count,
 * reference, path, device or bitmap object, BookInfo.title, WordItemRecord.itemBuffer)
 * gives -2 and changes nothing.
 *
 * Search words, article text, headings and references are raw bytes of the book: two-byte
 * JIS X 0208 characters interleaved with control sequences that begin with 0x1F. */
#ifndef TOMESHELF_TOMESHELF_H_
#define TOMESHELF_TOMESHELF_H_

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define TOMESHELF_CALL __stdcall
#else
#define TOMESHELF_CALL
#endif

#if defined(_WIN32)
#define TOMESHELF_API
#elif defined(TOMESHELF_BUILDING)
#define TOMESHELF_API __attribute__((visibility("default")))
#else
#define TOMESHELF_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes shared by every export. */
enum {
  TOMESHELF_OK = 1,       /* success */
  TOMESHELF_MORE = 0,     /* partial result: call again for the next piece; or false */
  TOMESHELF_FAILED = -1,  /* no catalog or book, or a failed (or refused) file operation */
  TOMESHELF_REFUSED = -2  /* argument or item refused, not held by the book, nothing pending */
};

/* Bytes of the heading buffer that epwGetWordItem fills. */
#define TOMESHELF_ITEM_SIZE 500
/* Bytes of the title buffer of IsEpwBook and of BookInfo.title. */
#define TOMESHELF_TITLE_SIZE 81

/* epwGetBookInfo fills bookType and the 81-byte buffer that title points to. */
typedef struct BookInfo {
  uint8_t bookType;
  uint8_t reserved[3]; /* not touched */
  char* title;         /* caller's buffer of at least 81 bytes */
} BookInfo;

/* epwGetWordProperties writes this record only when it returns 1. */
typedef struct WordProperties {
  int32_t hitCount; /* number of hits: valid hit numbers are 0 .. hitCount - 1 */
  int32_t itemSize; /* always 500: the heading buffer size for epwGetWordItem */
} WordProperties;

/* epwGetWordItem reads only itemBuffer; the first 80 bytes are the caller's own. */
typedef struct WordItemRecord {
  uint8_t callerData[80];
  unsigned char* itemBuffer; /* caller's heading buffer of at least 500 bytes */
} WordItemRecord;

/* epwGetSoundProp record (211 bytes). kind 1: a sound data reference of sound kind 1, and
 * format[] holds its four 4-bit parameters; kind 0: values[] holds the five values of the
 * reference. Bytes of the other kind are left as the caller had them. */
typedef struct SoundProp {
  uint8_t kind;
  uint8_t values[5];
  uint8_t format[4];
  char caption[201]; /* at most 200 bytes and a zero byte */
} SoundProp;

/* Stored through epwGetImage's third argument. */
typedef int32_t ImageKind;
enum { TOMESHELF_IMAGE_MONOCHROME = 0, TOMESHELF_IMAGE_COLOUR = 1 };

#if defined(_WIN32) && !defined(_WIN64)
/* The documented byte layout of the records on 32-bit Windows. */
#ifdef __cplusplus
#define TOMESHELF_STATIC_ASSERT static_assert
#else
#define TOMESHELF_STATIC_ASSERT _Static_assert
#endif
TOMESHELF_STATIC_ASSERT(sizeof(BookInfo) == 8, "BookInfo is 8 bytes");
TOMESHELF_STATIC_ASSERT(__builtin_offsetof(BookInfo, title) == 4, "BookInfo.title at 4");
TOMESHELF_STATIC_ASSERT(sizeof(WordProperties) == 8, "WordProperties is 8 bytes");
TOMESHELF_STATIC_ASSERT(__builtin_offsetof(WordItemRecord, itemBuffer) == 80, "itemBuffer at 80");
TOMESHELF_STATIC_ASSERT(sizeof(WordItemRecord) == 84, "WordItemRecord is 84 bytes");
TOMESHELF_STATIC_ASSERT(sizeof(SoundProp) == 211, "SoundProp is 211 bytes");
TOMESHELF_STATIC_ASSERT(__builtin_offsetof(SoundProp, caption) == 10, "caption at 10");
#endif

/* ---- Catalog ---------------------------------------------------------------------- */

/* Reads CATALOGS under the root of a disc or directory. 1 read; -1 failed (no catalog). */
TOMESHELF_API int32_t TOMESHELF_CALL OpenEpwing(const char* rootPath);
/* Releases the catalog; an open book keeps working. */
TOMESHELF_API void TOMESHELF_CALL CloseEpwing(void);
/* 1 when the catalog holds at least one book (not a count); -1 none, or no catalog. */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetBooks(void);
/* Reports catalog record 0 (the first argument is not read). 1 when it exists and is
 * selected; -1 otherwise, and nothing is written. */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetBookInfo(int32_t unused, BookInfo* info);
/* Selects the book at a catalog index. 1 in range; -1 out of range or no catalog. */
TOMESHELF_API int32_t TOMESHELF_CALL epwSelectBook(int32_t index);
/* Probes a path for a book of an accepted type; 1 and its title in the 81-byte buffer, or
 * -1 and the buffer untouched. Touches no state. */
TOMESHELF_API int32_t TOMESHELF_CALL IsEpwBook(const char* path, char* title);

/* ---- Book ------------------------------------------------------------------------- */

/* Opens the lowest-indexed selected book (its text file, index table and gaiji fonts),
 * closing a book that is open already. 1 opened; -1 failed, and then no book is open (the
 * one open before is closed all the same). A book whose directory name is empty, dots
 * alone or holds a / or \ cannot be opened; a font so named is left out. */
TOMESHELF_API int32_t TOMESHELF_CALL epwBooksOpen(void);
/* Closes the open book and its fonts; does nothing when none is open. */
TOMESHELF_API void TOMESHELF_CALL epwBooksClose(void);

/* ---- Search ----------------------------------------------------------------------- */

/* Looks a zero-terminated word up; the word is rewritten in place as it was prepared. A
 * leading fullwidth asterisk (0x2176) asks for words that end with the rest, a trailing one
 * for words that begin with it. 1 at least one hit, props filled; -2 no usable index, an
 * empty word or no match; -1 no book or a failed read. */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetWordProperties(unsigned char* word,
                                                          WordProperties* props);
/* Copies the heading of a hit into record->itemBuffer (500 bytes, zero-terminated).
 * 1; -2 hit number out of range; -1 no book or a failed read. */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetWordItem(int32_t hit, WordItemRecord* record);

/* ---- Articles (one article, piece by piece) --------------------------------------- */

/* Reads the article of a hit, one buffer per call. 1 the article ends in this piece and
 * *count bytes belong to it; 0 it goes on (*count = bytes read), call again with the same
 * hit; -1 failure or a hit outside the hit list. */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetWordContent(int32_t hit, unsigned char* buffer,
                                                       uint32_t size, uint32_t* count);
/* Reads the article after the one read last (or the next piece of one in progress). */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetNextContentByWord(unsigned char* buffer,
                                                             uint32_t size, uint32_t* count);
/* Reads the article before the one read last (or the next piece of one in progress). */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetLastContentByWord(unsigned char* buffer,
                                                             uint32_t size, uint32_t* count);
/* Reads the article a link reference (0x1F 0x42 ... 0x1F 0x62 + 6 BCD bytes) points to,
 * piece by piece like epwGetNextContentByWord. -2 when it is not a link reference. */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetLinkContent(const unsigned char* reference,
                                                       unsigned char* buffer, uint32_t size,
                                                       uint32_t* count);

/* ---- Pages (raw text of the caller's size; the result is the page's file offset) ---- */

/* The page at a hit's article. -2 hit outside the hit list. */
TOMESHELF_API int32_t TOMESHELF_CALL GetWordCont(int32_t hit, unsigned char* buffer,
                                                 uint32_t size, uint32_t* count);
/* The page after the text delivered last. */
TOMESHELF_API int32_t TOMESHELF_CALL GetWordContNext(unsigned char* buffer, uint32_t size,
                                                     uint32_t* count);
/* The page before the one read last; stops at offset 0. */
TOMESHELF_API int32_t TOMESHELF_CALL GetWordContLast(unsigned char* buffer, uint32_t size,
                                                     uint32_t* count);
/* Peeks at the page before the current one without moving: 1 when it could be read, else 0. */
TOMESHELF_API int32_t TOMESHELF_CALL GetContLastNoSet(unsigned char* buffer, uint32_t size,
                                                      uint32_t* count);
/* The page at the target of a link (0x42) or menu (0x43) reference. -2 malformed. */
TOMESHELF_API int32_t TOMESHELF_CALL GetLinkContent(const unsigned char* reference,
                                                    unsigned char* buffer, uint32_t size,
                                                    uint32_t* count);
/* The page at a file offset handed out earlier (a page result or GetMenuHead). -2 negative. */
TOMESHELF_API int32_t TOMESHELF_CALL GetLinkContByPt(int32_t offset, unsigned char* buffer,
                                                     uint32_t size, uint32_t* count);
/* File offset of the book's menu area; -2 the book has none; -1 no book. */
TOMESHELF_API int32_t TOMESHELF_CALL GetMenuHead(void);

/* ---- Pictures and sound (a size call, then a data call) --------------------------- */

/* Parses a picture reference (0x1F 0x44 monochrome, 0x1F 0x4D colour), copies its caption
 * with a zero byte, and returns the buffer size epwGetImage needs. */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetImageSize(const unsigned char* reference,
                                                     char* caption);
/* Reads the picture prepared by epwGetImageSize; returns the image bytes read (monochrome:
 * behind an 8-byte header of the two dimensions). -2 when nothing is pending, or when the
 * reference is of the other kind (monochrome, colour) than the size call's: the prepared
 * picture then stays pending. */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetImage(const unsigned char* reference, void* buffer,
                                                 ImageKind* kind);
/* Properties of a sound reference (0x1F 0x4A or 0x1F 0x48). */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetSoundProp(const unsigned char* reference,
                                                     SoundProp* prop);
/* Parses a sound data reference of sound kind 1 and returns its byte count. */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetPcmSize(const unsigned char* reference);
/* Reads the sound prepared by epwGetPcmSize into the buffer; returns the bytes read. */
TOMESHELF_API int32_t TOMESHELF_CALL epwGetPcmCont(int32_t unused, void* buffer);

/* ---- External characters (gaiji) -------------------------------------------------- */
/* code: two-byte gaiji code (row << 8 | cell); size: 16, 24, 30 (or 32) or 48 dots;
 * widthKind: 0 half-width, 1 full-width. Colours are 0x00BBGGRR. The device-context object
 * is the caller's object whose second pointer-sized word is the device: an HDC on Windows,
 * a TomeshelfDrawTarget pointer elsewhere (see TomeshelfDeviceContext). -1 when no book or
 * fonts are open or the book has no font of that size and width; -2 for a code outside the
 * font, a bad width kind, or a size that is not one of the four. */
TOMESHELF_API int32_t TOMESHELF_CALL epwShowExCode(uint32_t code, int32_t size, int32_t widthKind,
                                                   int32_t left, int32_t top, int32_t right,
                                                   int32_t bottom, uint32_t ink, uint32_t paper,
                                                   void* deviceContext);
/* Builds a monochrome bitmap of the glyph (ink 0, paper 1) and attaches it to the caller's
 * bitmap object: an HBITMAP on Windows, a TomeshelfBitmap elsewhere. */
TOMESHELF_API int32_t TOMESHELF_CALL epwExCode2Bmp(uint32_t code, int32_t size, int32_t widthKind,
                                                   int32_t unused1, int32_t unused2, uint32_t ink,
                                                   uint32_t paper, void* bitmapObject);
/* Sets the glyph's ink pixels, scaled to the rectangle; paper pixels are left alone. */
TOMESHELF_API int32_t TOMESHELF_CALL epwShowExCodePixel(uint32_t code, int32_t size,
                                                        int32_t widthKind, int32_t left,
                                                        int32_t top, int32_t right, int32_t bottom,
                                                        uint32_t ink, void* deviceContext);

#if !defined(_WIN32)
/* ---- What stands in for the Windows platform elsewhere ---------------------------- */

/* The library's messages ("The file is not closed", "SuperLink Error1", "SuperLink Error2")
 * go to this sink; the default writes them to standard error. Pass NULL for the default. */
typedef void (*TomeshelfMessageSink)(const char* message);
TOMESHELF_API void TomeshelfSetMessageSink(TomeshelfMessageSink sink);

/* A bottom-up 24-bit image: header is the 40-byte BITMAPINFOHEADER, pixels are rows of
 * width * 3 bytes (blue, green, red), bottom row first. Valid only during the callback. */
typedef struct TomeshelfImage {
  int32_t width;
  int32_t height;
  const unsigned char* header;
  const unsigned char* pixels;
  uint32_t pixelBytes;
} TomeshelfImage;

/* A drawing device: stretch an image over a rectangle; set one pixel. */
typedef struct TomeshelfDrawTarget {
  void* user;
  void (*stretchImage)(void* user, int32_t left, int32_t top, int32_t width, int32_t height,
                       const TomeshelfImage* image);
  void (*setPixel)(void* user, int32_t x, int32_t y, uint32_t colour);
} TomeshelfDrawTarget;

/* The device-context object the drawing exports take: the device sits in the second
 * pointer-sized word, as a device-context handle does in a framework object. */
typedef struct TomeshelfDeviceContext {
  const void* reserved; /* the framework's table pointer; not read */
  TomeshelfDrawTarget* target;
} TomeshelfDeviceContext;

/* A monochrome bitmap: height rows of stride bytes, most significant bit leftmost,
 * 1 = paper (white), 0 = ink. Release it with TomeshelfFreeBitmap. */
typedef struct TomeshelfBitmap {
  int32_t width;
  int32_t height;
  int32_t stride;
  unsigned char* bits;
} TomeshelfBitmap;

/* The bitmap object epwExCode2Bmp attaches its bitmap to; bitmap must be NULL before. */
typedef struct TomeshelfBitmapObject {
  const void* reserved; /* the framework's table pointer; not read */
  TomeshelfBitmap* bitmap;
} TomeshelfBitmapObject;

TOMESHELF_API void TomeshelfFreeBitmap(TomeshelfBitmap* bitmap);

/* ---- Beyond the 29 exports: any book of the catalog ------------------------------- */
/* The exports above reach only record 0 and the lowest-indexed selected book; these let a
 * caller list every record and open the one it wants. */

/* Number of records in the catalog, 0 or more; -1 no catalog. */
TOMESHELF_API int32_t TomeshelfBookCount(void);
/* The type byte and the 80 title bytes (and a zero byte, into an 81-byte buffer) of a
 * record. 1 a usable type; 0 a type that is not read; -2 index out of range (nothing is
 * written); -1 no catalog. */
TOMESHELF_API int32_t TomeshelfGetBook(int32_t index, uint8_t* bookType, char* title);
/* Opens the book of a record, whatever is selected, as epwBooksOpen opens the selected one
 * (closing a book that is open). 1 opened; -2 index out of range or a type that is not
 * read; -1 no catalog, or the book could not be opened and then none is open. */
TOMESHELF_API int32_t TomeshelfOpenBook(int32_t index);
/* The area codes of the open book's index table in table order (0x01 menu; 0x90, 0x91,
 * 0x92 kana, written-form and alphabet indexes; 0x70, 0x71, 0x72 the backward ones):
 * writes at most capacity of them and returns how many the table holds; -1 no book. */
TOMESHELF_API int32_t TomeshelfGetAreaCodes(uint8_t* codes, int32_t capacity);
#endif

#ifdef __cplusplus
}
#endif

#endif /* TOMESHELF_TOMESHELF_H_ */
