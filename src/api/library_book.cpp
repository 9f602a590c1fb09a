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
  return OpenEntry(entry);
}

int32_t Library::OpenBookAt(int32_t index) {
  epwBooksClose();
  if (!catalog_) return ToResultCode(Status::kNoState);
  if (index < 0 || index >= catalog_->EntryCount()) return ToResultCode(Status::kRefused);
  BookEntry entry;
  catalog_->GetEntry(index, entry);  // copies the record whether or not it is selected
  if (!IsAcceptedBookType(entry.bookType) || !entry.usable) return ToResultCode(Status::kRefused);
  return OpenEntry(entry);
}

int32_t Library::OpenEntry(const BookEntry& entry) {
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
  // Positions left by an unfinished article or page point into the book that was closed.
  reading_ = ReadingState{};
  return ToResultCode(Status::kOk);
}

int32_t Library::GetAreaCodes(uint8_t* codes, int32_t capacity) const {
  if (!book_) return ToResultCode(Status::kNoState);
  const auto& table = book_->IndexTable();
  for (size_t i = 0; i < table.size() && static_cast<int64_t>(i) < capacity; ++i) {
    codes[i] = table[i].Code();
  }
  return static_cast<int32_t>(table.size());
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
