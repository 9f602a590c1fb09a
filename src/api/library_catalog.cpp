#include <cstring>

#include "api/library.h"

namespace tomeshelf {

Library::Library(Platform& platform) : platform_(platform) {}

Library::~Library() {
  epwBooksClose();
}

Library& ProcessLibrary() {
  static Library library;
  return library;
}

int32_t Library::OpenEpwing(const char* rootPath) {
  catalog_.reset();
  auto catalog = std::make_unique<Catalog>();
  if (!catalog->LoadCatalog(platform_, rootPath)) return ToResultCode(Status::kIoError);
  catalog_ = std::move(catalog);
  return ToResultCode(Status::kOk);
}

void Library::CloseEpwing() {
  catalog_.reset();
}

int32_t Library::epwGetBooks() {
  if (!catalog_ || catalog_->EntryCount() == 0) return ToResultCode(Status::kNoState);
  return ToResultCode(Status::kOk);
}

int32_t Library::epwGetBookInfo(int32_t /*unused*/, BookInfo* info) {
  if (!catalog_) return ToResultCode(Status::kNoState);
  BookEntry entry;
  if (!catalog_->GetEntry(0, entry)) return ToResultCode(Status::kNoState);
  info->bookType = entry.bookType;
  std::memcpy(info->title, entry.title.data(), kTitleSize + 1);
  return ToResultCode(Status::kOk);
}

int32_t Library::epwSelectBook(int32_t index) {
  if (!catalog_ || !catalog_->SelectEntry(index)) return ToResultCode(Status::kNoState);
  return ToResultCode(Status::kOk);
}

int32_t Library::BookCount() const {
  return catalog_ ? catalog_->EntryCount() : ToResultCode(Status::kNoState);
}

int32_t Library::GetBook(int32_t index, uint8_t* bookType, char* title) const {
  if (!catalog_) return ToResultCode(Status::kNoState);
  if (index < 0 || index >= catalog_->EntryCount()) return ToResultCode(Status::kRefused);
  BookEntry entry;
  catalog_->GetEntry(index, entry);
  *bookType = entry.bookType;
  std::memcpy(title, entry.title.data(), kTitleSize + 1);
  return IsAcceptedBookType(entry.bookType) ? TOMESHELF_OK : TOMESHELF_MORE;
}

int32_t Library::IsEpwBook(const char* path, char* title) {
  return ToResultCode(ProbeBook(platform_, path, title) ? Status::kOk : Status::kIoError);
}

}  // namespace tomeshelf
