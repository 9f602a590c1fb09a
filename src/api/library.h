// All process-wide state of the library, and one method per export. The exports forward
// to one process-wide Library; tests may make their own, on any Platform.
#ifndef TOMESHELF_API_LIBRARY_H_
#define TOMESHELF_API_LIBRARY_H_

#include <cstdint>
#include <memory>
#include <mutex>

#include "book/open_book.h"
#include "catalog/catalog.h"
#include "media/gaiji_fonts.h"
#include "media/pending.h"
#include "platform/platform.h"
#include "text/reading_state.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {

class Library {
 public:
  explicit Library(Platform& platform = SystemPlatform());
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Catalog (library_catalog.cpp).
  int32_t OpenEpwing(const char* rootPath);
  void CloseEpwing();
  int32_t epwGetBooks();
  int32_t epwGetBookInfo(int32_t unused, BookInfo* info);
  int32_t epwSelectBook(int32_t index);
  int32_t IsEpwBook(const char* path, char* title);

  // Book (library_book.cpp).
  int32_t epwBooksOpen();
  void epwBooksClose();

  // Search (library_search.cpp).
  int32_t epwGetWordProperties(unsigned char* word, WordProperties* props);
  int32_t epwGetWordItem(int32_t hit, WordItemRecord* record);

  // Articles and pages (library_text.cpp).
  int32_t epwGetWordContent(int32_t hit, unsigned char* buffer, uint32_t size, uint32_t* count);
  int32_t epwGetNextContentByWord(unsigned char* buffer, uint32_t size, uint32_t* count);
  int32_t epwGetLastContentByWord(unsigned char* buffer, uint32_t size, uint32_t* count);
  int32_t epwGetLinkContent(const unsigned char* reference, unsigned char* buffer, uint32_t size,
                            uint32_t* count);
  int32_t GetWordCont(int32_t hit, unsigned char* buffer, uint32_t size, uint32_t* count);
  int32_t GetWordContNext(unsigned char* buffer, uint32_t size, uint32_t* count);
  int32_t GetWordContLast(unsigned char* buffer, uint32_t size, uint32_t* count);
  int32_t GetContLastNoSet(unsigned char* buffer, uint32_t size, uint32_t* count);
  int32_t GetLinkContent(const unsigned char* reference, unsigned char* buffer, uint32_t size,
                         uint32_t* count);
  int32_t GetLinkContByPt(int32_t offset, unsigned char* buffer, uint32_t size, uint32_t* count);
  int32_t GetMenuHead();

  // Pictures and sound (library_media.cpp).
  int32_t epwGetImageSize(const unsigned char* reference, char* caption);
  int32_t epwGetImage(const unsigned char* reference, void* buffer, ImageKind* kind);
  int32_t epwGetSoundProp(const unsigned char* reference, SoundProp* prop);
  int32_t epwGetPcmSize(const unsigned char* reference);
  int32_t epwGetPcmCont(int32_t unused, void* buffer);

  // Gaiji (library_gaiji.cpp).
  int32_t epwShowExCode(uint32_t code, int32_t size, int32_t widthKind, int32_t left, int32_t top,
                        int32_t right, int32_t bottom, uint32_t ink, uint32_t paper,
                        void* deviceContext);
  int32_t epwExCode2Bmp(uint32_t code, int32_t size, int32_t widthKind, int32_t unused1,
                        int32_t unused2, uint32_t ink, uint32_t paper, void* bitmapObject);
  int32_t epwShowExCodePixel(uint32_t code, int32_t size, int32_t widthKind, int32_t left,
                             int32_t top, int32_t right, int32_t bottom, uint32_t ink,
                             void* deviceContext);

  // Beyond the 29 exports: any book of the catalog (library_catalog.cpp, library_book.cpp).
  int32_t BookCount() const;
  int32_t GetBook(int32_t index, uint8_t* bookType, char* title) const;
  int32_t OpenBookAt(int32_t index);
  int32_t GetAreaCodes(uint8_t* codes, int32_t capacity) const;

  // For tests and the command-line program: the state behind the exports.
  Platform& platform() { return platform_; }
  Catalog* catalog() { return catalog_.get(); }
  OpenBook* book() { return book_.get(); }
  const ReadingState& reading() const { return reading_; }
  // Held by every export for its whole call (see api/guarded_call.h).
  std::mutex& Mutex() { return mutex_; }

 private:
  // Opens an entry's fonts and files, closing the open book first.
  int32_t OpenEntry(const BookEntry& entry);

  std::mutex mutex_;
  Platform& platform_;
  std::unique_ptr<Catalog> catalog_;    // currentCatalog
  std::unique_ptr<OpenBook> book_;      // currentBook
  GaijiFonts fonts_;
  int32_t gaijiFontsOpen_ = 0;
  ReadingState reading_;
  PendingRead pendingImage_;
  PendingRead pendingSound_;
};

// The Library behind the exported functions.
Library& ProcessLibrary();

}  // namespace tomeshelf

#endif  // TOMESHELF_API_LIBRARY_H_
