#include "book/open_book.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tomeshelf {

OpenBook::~OpenBook() {
  if (textFile_) CloseFiles();
}

Status OpenBook::OpenFiles(const std::string& directory) {
  indexTable_.clear();
  cache_.Clear();
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
  cache_.Release();
  missRun_.reset();
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

std::optional<size_t> OpenBook::Read(int32_t offset, std::span<uint8_t> out, ReadOrder order,
                                     uint32_t readAhead) {
  if (!textFile_) return std::nullopt;
  if (order == ReadOrder::kSeekFirst && offset < 0) return std::nullopt;
  if (!IsFileUnchanged()) {
    cache_.Clear();
    return std::nullopt;
  }
  return ReadChecked(offset, out, readAhead);
}

std::optional<std::span<const uint8_t>> OpenBook::View(int32_t offset,
                                                       std::span<uint8_t, kBlockSize> spare,
                                                       uint32_t readAhead) {
  if (!textFile_) return std::nullopt;
  if (!IsFileUnchanged()) {
    cache_.Clear();
    return std::nullopt;
  }
  if (offset >= 0 && static_cast<uint32_t>(offset) % kBlockSize == 0) {
    if (const uint8_t* cached = cache_.Find(static_cast<uint32_t>(offset) / kBlockSize)) {
      return std::span<const uint8_t>(cached, kBlockSize);
    }
  }
  const auto got = ReadChecked(offset, spare, readAhead);
  if (!got) return std::nullopt;
  return std::span<const uint8_t>(spare.data(), *got);
}

std::optional<size_t> OpenBook::ReadChecked(int32_t offset, std::span<uint8_t> out,
                                            uint32_t readAhead) {
  if (offset < 0) return std::nullopt;
  if (out.size() > kCachedReadLimit) return textFile_->ReadAt(static_cast<uint64_t>(offset), out);
  if (!missRun_) {
    try {
      missRun_ = std::make_unique_for_overwrite<uint8_t[]>(kMaxMissRun * kBlockSize);
    } catch (const std::bad_alloc&) {
      return textFile_->ReadAt(static_cast<uint64_t>(offset), out);
    }
  }

  const uint64_t end = static_cast<uint64_t>(offset) + out.size();
  uint64_t at = static_cast<uint64_t>(offset);
  size_t done = 0;
  while (at < end) {
    const auto block = static_cast<uint32_t>(at / kBlockSize);
    const size_t within = at % kBlockSize;
    if (const uint8_t* cached = cache_.Find(block)) {
      const auto n = static_cast<size_t>(std::min<uint64_t>(kBlockSize - within, end - at));
      std::memcpy(out.data() + done, cached + within, n);
      done += n;
      at += n;
      continue;
    }
    const uint64_t lastBlock = (end - 1) / kBlockSize;
    const auto blocks = static_cast<size_t>(std::min<uint64_t>(
        std::max<uint64_t>(lastBlock - block + 1, uint64_t{1} + readAhead), kMaxMissRun));
    const auto got = textFile_->ReadAt(uint64_t{block} * kBlockSize,
                                       std::span<uint8_t>(missRun_.get(), blocks * kBlockSize));
    if (!got) return std::nullopt;
    // Only whole blocks are kept: a short one is the file's end, or a read that came short.
    for (size_t i = 0; (i + 1) * kBlockSize <= *got; ++i) {
      cache_.Put(block + static_cast<uint32_t>(i), missRun_.get() + i * kBlockSize);
    }
    const auto n = static_cast<size_t>(std::min<uint64_t>(*got > within ? *got - within : 0, end - at));
    std::memcpy(out.data() + done, missRun_.get() + within, n);
    done += n;
    at += n;
    if (*got < blocks * kBlockSize) break;
  }
  return done;
}

void OpenBook::Prefetch(std::span<const uint32_t> blocks) {
  if (!ReadsInBatches()) return;
  std::array<ReadRequest, kMaxPrefetch> requests;
  std::array<size_t, kMaxPrefetch> slots{};
  std::array<uint32_t, kMaxPrefetch> wanted{};
  size_t n = 0;
  for (const uint32_t block : blocks) {
    if (n == kMaxPrefetch) break;
    const auto wantedEnd = wanted.begin() + static_cast<std::ptrdiff_t>(n);
    if (cache_.Find(block) || std::find(wanted.begin(), wantedEnd, block) != wantedEnd) continue;
    const auto slot = cache_.Claim(block);
    if (!slot) return;
    requests[n] = ReadRequest{uint64_t{block} * kBlockSize, cache_.SlotBytes(*slot), std::nullopt};
    slots[n] = *slot;
    wanted[n] = block;
    ++n;
  }
  if (n == 0) return;
  textFile_->ReadMany(std::span(requests.data(), n));
  for (size_t i = 0; i < n; ++i) {
    if (requests[i].got == kBlockSize) cache_.Keep(slots[i], wanted[i]);
  }
}

}  // namespace tomeshelf
