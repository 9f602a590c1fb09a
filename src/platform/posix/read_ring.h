// Batches of reads through one io_uring, where the build has liburing and the kernel
// lets a ring start; elsewhere it takes no batch and the caller reads one by one.
#ifndef TOMESHELF_PLATFORM_POSIX_READ_RING_H_
#define TOMESHELF_PLATFORM_POSIX_READ_RING_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "platform/platform.h"

namespace tomeshelf {

class ReadRing {
 public:
  ReadRing();
  ~ReadRing();
  ReadRing(const ReadRing&) = delete;
  ReadRing& operator=(const ReadRing&) = delete;

  // Reads a batch of requests of fd through the ring, setting up the ring on the first
  // batch. Returns how many of the first requests it took: each of those holds the bytes
  // the ring delivered, or nullopt where the ring failed it or did not take it (too large,
  // an offset a read cannot start at). The caller finishes short and failed ones with
  // ordinary reads. 0 where no ring can run: none could start, another thread holds it,
  // or this process is a child of the one that set it up.
  size_t Read(int fd, std::span<ReadRequest> requests);
  // False once a ring failed to start or broke.
  bool Usable() const { return !broken_.load(std::memory_order_relaxed); }

 private:
  struct Ring;
  bool Ready();

  std::mutex mutex_;
  std::unique_ptr<Ring> ring_;
  [[maybe_unused]] uint32_t forks_ = 0;  // forks counted when the ring was set up
  std::atomic<bool> broken_;  // also read outside the lock
};

}  // namespace tomeshelf

#endif  // TOMESHELF_PLATFORM_POSIX_READ_RING_H_
