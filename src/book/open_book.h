// The open book: its text file, index table, change watch and hit list. Every reader of
// the book reads the text file through Read, which checks the file first.
#ifndef TOMESHELF_BOOK_OPEN_BOOK_H_
#define TOMESHELF_BOOK_OPEN_BOOK_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"
#include "base/bytes.h"
#include "book/block_cache.h"
#include "search/hit_list.h"
#include "platform/platform.h"

namespace tomeshelf {

inline constexpr size_t kTextHeaderSize = 16;
inline constexpr size_t kCachedReadLimit = 8 * kBlockSize;
inline constexpr size_t kMaxMissRun = 16;  // blocks read at once on a cache miss
inline constexpr size_t kIndexEntrySize = 16;
inline constexpr size_t kMaxPrefetch = BlockCache::kWays;  // blocks in one batch

// Type codes of the index table.
inline constexpr uint8_t kMenuArea = 0x01;
inline constexpr uint8_t kKanaBackwardIndex = 0x70;
inline constexpr uint8_t kWrittenBackwardIndex = 0x71;
inline constexpr uint8_t kAlphabetBackwardIndex = 0x72;
inline constexpr uint8_t kKanaIndex = 0x90;
inline constexpr uint8_t kWrittenIndex = 0x91;
inline constexpr uint8_t kAlphabetIndex = 0x92;

struct IndexEntry {
  std::array<uint8_t, kIndexEntrySize> bytes{};

  uint8_t Code() const { return bytes[0]; }
  uint32_t StartBlock() const { return ReadBe32(bytes.data() + 2); }
};

// The order of a positioned read's two steps. It matters only for which failure comes
// first: a failed seek does not consume a pending change signal, a check does.
enum class ReadOrder { kCheckFirst, kSeekFirst };

class OpenBook {
 public:
  explicit OpenBook(Platform& platform) : platform_(platform) {}
  ~OpenBook();
  OpenBook(const OpenBook&) = delete;
  OpenBook& operator=(const OpenBook&) = delete;

  // Opens directory\data\honmon, starts the change watch on directory\data and reads the
  // index table. kIoError when the file cannot be opened or its header or table is short;
  // the file then stays open until CloseFiles.
  Status OpenFiles(const std::string& directory);
  // Closes the text file (a failed close shows "The file is not closed"), ends the watch
  // and drops the index table.
  void CloseFiles();

  // True when the text file may be read: found by its path, with the size it had at open,
  // and no change seen by the watch since the last check (a change fails one check only).
  bool IsFileUnchanged();
  // True once per change the watch has seen (without a monitor).
  bool PollChangeWatch();
  // For tests: waits until the monitor, if any, has taken in every change made so far.
  bool SettleChangeWatch();

  // A positioned read of the text file at a file offset: the seek (which fails for a
  // negative offset) and the check in the given order, then the read. Returns the bytes
  // delivered, or nullopt when any step failed. Reads up to kCachedReadLimit bytes go
  // through the block cache; a miss there reads on to the request's end, and at least
  // readAhead blocks further, in one go. A failed check empties the cache.
  std::optional<size_t> Read(int32_t offset, std::span<uint8_t> out,
                             ReadOrder order = ReadOrder::kCheckFirst, uint32_t readAhead = 0);

  // Read of one block-sized stretch, without the copy where it can: an aligned block held
  // in the cache comes back as a view of the cache (valid until the next read), anything
  // else is read into spare as Read would. nullopt exactly where Read fails.
  std::optional<std::span<const uint8_t>> View(int32_t offset, std::span<uint8_t, kBlockSize> spare,
                                               uint32_t readAhead = 0);

  // Reads those of the blocks that are not in the cache into it, up to kMaxPrefetch of them,
  // in one batch, where the file reads batches. Only right after a read that passed its
  // check: the prefetch makes no check of its own, the next read's check covers what it
  // brought in. A block it could not read whole stays out of the cache.
  void Prefetch(std::span<const uint32_t> blocks);
  // Whether Prefetch reads anything at all.
  bool ReadsInBatches() const { return textFile_ && textFile_->ReadsInBatches(); }

  const std::vector<IndexEntry>& IndexTable() const { return indexTable_; }
  HitList& Hits() { return hits_; }
  const HitList& Hits() const { return hits_; }
  bool TextFileOpen() const { return textFile_ != nullptr; }
  const std::string& TextPath() const { return textPath_; }
  Platform& platform() { return platform_; }

 private:
  // Read after a passed check.
  std::optional<size_t> ReadChecked(int32_t offset, std::span<uint8_t> out, uint32_t readAhead);

  Platform& platform_;
  std::unique_ptr<File> textFile_;
  std::unique_ptr<ChangeWatch> changeWatch_;
  std::unique_ptr<FileMonitor> monitor_;
  BlockCache cache_;
  std::unique_ptr<uint8_t[]> missRun_;  // kMaxMissRun blocks, taken on the first miss
  std::vector<IndexEntry> indexTable_;
  HitList hits_;
  std::string textPath_;      // as the logic formed it, with backslashes
  std::string resolvedPath_;  // the platform's path, resolved once at open
  uint64_t textSize_ = 0;
};

}  // namespace tomeshelf

#endif  // TOMESHELF_BOOK_OPEN_BOOK_H_
