#include "book/open_book.h"

namespace tomeshelf {

OpenBook::~OpenBook() {
  if (textFile_) CloseFiles();
}

Status OpenBook::OpenFiles(const std::string& directory) {
  indexTable_.clear();
  const std::string dataDir = directory + "\\data";
  const std::string resolvedDir = platform_.ResolvePath(dataDir);

  const std::string path = dataDir + "\\honmon";
  const std::string resolved = platform_.ResolvePath(path);
  textFile_ = platform_.OpenRead(resolved);
  if (!textFile_) return Status::kIoError;
  textPath_ = path;
  resolvedPath_ = resolved;
  textSize_ = textFile_->Size().value_or(0);

  std::array<uint8_t, kTextHeaderSize> header{};
  auto got = textFile_->ReadAt(0, header);
  if (!got || *got < header.size()) return Status::kIoError;
  const uint16_t count = ReadBe16(header.data());
  indexTable_.resize(count);
  for (uint16_t i = 0; i < count; ++i) {
    auto& entry = indexTable_[i].bytes;
    got = textFile_->ReadAt(kTextHeaderSize + uint64_t{i} * kIndexEntrySize, entry);
    if (!got || *got < entry.size()) return Status::kIoError;
  }
  // Where a monitor can start, it answers the check instead of the lookup and the watch.
  monitor_ = platform_.MonitorFile(resolved, resolvedDir, textSize_);
  if (!monitor_) changeWatch_ = platform_.WatchTree(resolvedDir);
  return Status::kOk;
}

void OpenBook::CloseFiles() {
  if (textFile_) {
    if (!textFile_->Close()) platform_.ShowMessage("The file is not closed");
    textFile_.reset();
    textPath_.clear();
    resolvedPath_.clear();
  }
  monitor_.reset();
  changeWatch_.reset();
  indexTable_.clear();
}

bool OpenBook::SettleChangeWatch() { return !monitor_ || monitor_->Settle(); }

bool OpenBook::PollChangeWatch() {
  return changeWatch_ && changeWatch_->Poll();
}

bool OpenBook::IsFileUnchanged() {
  if (monitor_) return monitor_->Check();
  auto size = platform_.LookupFile(resolvedPath_);
  if (!size || *size != textSize_) return false;
  return !PollChangeWatch();
}

std::optional<size_t> OpenBook::Read(int32_t offset, std::span<uint8_t> out, ReadOrder order) {
  if (!textFile_) return std::nullopt;
  if (order == ReadOrder::kCheckFirst) {
    if (!IsFileUnchanged() || offset < 0) return std::nullopt;
  } else {
    if (offset < 0 || !IsFileUnchanged()) return std::nullopt;
  }
  return textFile_->ReadAt(static_cast<uint64_t>(offset), out);
}

}  // namespace tomeshelf
