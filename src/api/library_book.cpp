#include "api/library.h"

namespace tomeshelf {

int32_t Library::epwBooksOpen() {
  if (!catalog_) return ToResultCode(Status::kNoState);
  std::array<int32_t, kMaxListedSelections> selected{};
  const int32_t n = catalog_->ListSelected(selected);
  if (n == 0 || n == kMaxListedSelections) return ToResultCode(Status::kNoState);

  // A book open already is closed first, so no file or font of it is left behind.
  epwBooksClose();

  std::array<char, kFontNamesSize + 1> fontNames{};
  catalog_->SelectedFontNames(fontNames);
  fonts_.OpenGaijiFonts(platform_, catalog_->SelectedGaijiPath(), fontNames.data());
  gaijiFontsOpen_ = 1;

  BookEntry entry;
  if (!catalog_->GetEntry(selected[0], entry)) {
    fonts_.CloseGaijiFonts();
    gaijiFontsOpen_ = 0;
    return ToResultCode(Status::kNoState);
  }

  book_ = std::make_unique<OpenBook>(platform_);
  if (book_->OpenFiles(entry.bookPath) != Status::kOk) {
    epwBooksClose();
    return ToResultCode(Status::kIoError);
  }
  reading_.currentHit = -1;
  return ToResultCode(Status::kOk);
}

void Library::epwBooksClose() {
  if (!book_) return;
  if (gaijiFontsOpen_ != 0) {
    fonts_.CloseGaijiFonts();
    gaijiFontsOpen_ = 0;
  }
  book_->CloseFiles();
  book_.reset();
}

}  // namespace tomeshelf
