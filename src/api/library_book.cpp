#include "api/library.h"

namespace tomeshelf {

int32_t Library::epwBooksOpen() {
  // Whatever happens below, the book open before is closed: a failed open leaves none.
  epwBooksClose();
  if (!catalog_) return ToResultCode(Status::kNoState);
  std::array<int32_t, kMaxListedSelections> selected{};
  const int32_t n = catalog_->ListSelected(selected);
  if (n == 0 || n == kMaxListedSelections) return ToResultCode(Status::kNoState);

  BookEntry entry;
  if (!catalog_->GetEntry(selected[0], entry) || !entry.usable) {
    return ToResultCode(Status::kNoState);
  }
  // Set before the fonts open, so a close after an interrupted open still closes them.
  gaijiFontsOpen_ = 1;
  fonts_.OpenGaijiFonts(platform_, entry.gaijiPath, entry.fontNames.data());

  auto book = std::make_unique<OpenBook>(platform_);
  if (book->OpenFiles(entry.bookPath) != Status::kOk) {
    epwBooksClose();
    book->CloseFiles();
    return ToResultCode(Status::kIoError);
  }
  book_ = std::move(book);
  reading_.currentHit = -1;
  return ToResultCode(Status::kOk);
}

void Library::epwBooksClose() {
  if (gaijiFontsOpen_ != 0) {
    fonts_.CloseGaijiFonts();
    gaijiFontsOpen_ = 0;
  }
  if (!book_) return;
  book_->CloseFiles();
  book_.reset();
}

}  // namespace tomeshelf
