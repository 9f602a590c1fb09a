#include "platform/posix/read_ring.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <utility>

#if TOMESHELF_HAVE_LIBURING
#include <liburing.h>
#endif

namespace tomeshelf {

#if TOMESHELF_HAVE_LIBURING

namespace {
constexpr unsigned kRingEntries = 32;
constexpr int kSubmitTries = 4;

// Counts forks: a child's ring still maps the parent's queues. A count rather than getpid,
// which is a system call on every batch.
std::atomic<uint32_t> g_forks{0};
void CountFork() { g_forks.fetch_add(1, std::memory_order_relaxed); }
uint32_t Forks() {
  static std::once_flag atFork;
  std::call_once(atFork, [] { ::pthread_atfork(nullptr, nullptr, CountFork); });
  return g_forks.load(std::memory_order_relaxed);
}
}  // namespace

struct ReadRing::Ring {
  io_uring ring{};
  bool started = false;
  ~Ring() {
    if (started) io_uring_queue_exit(&ring);
  }
};

ReadRing::ReadRing() : broken_(false) {}

bool ReadRing::Ready() {
  if (broken_) return false;
  // After a fork the child leaves the parent's ring alone.
  if (ring_) return forks_ == Forks();
  const uint32_t forks = Forks();
  auto ring = std::make_unique<Ring>();
  if (io_uring_queue_init(kRingEntries, &ring->ring, 0) != 0) {
    broken_ = true;
    return false;
  }
  ring->started = true;
  ring_ = std::move(ring);
  forks_ = forks;
  return true;
}

size_t ReadRing::Read(int fd, std::span<ReadRequest> requests) {
  const std::unique_lock lock(mutex_, std::try_to_lock);
  if (!lock.owns_lock() || !Ready()) return 0;
  io_uring& ring = ring_->ring;
  size_t next = 0;
  while (next < requests.size()) {
    int queued = 0;
    for (; next + static_cast<size_t>(queued) < requests.size() &&
           queued < static_cast<int>(kRingEntries);
         ++queued) {
      ReadRequest& r = requests[next + static_cast<size_t>(queued)];
      r.got.reset();
      // What pread refuses is left to it: io_uring would take an offset of all ones as
      // "at the file position" instead.
      constexpr auto kMaxOffset = static_cast<uint64_t>(std::numeric_limits<off_t>::max());
      const bool fits = r.out.size() <= std::numeric_limits<unsigned>::max() &&
                        r.offset <= kMaxOffset && r.out.size() <= kMaxOffset - r.offset;
      io_uring_sqe* sqe = io_uring_get_sqe(&ring);
      if (fits) {
        io_uring_prep_read(sqe, fd, r.out.data(), static_cast<unsigned>(r.out.size()), r.offset);
      } else {
        io_uring_prep_nop(sqe);
      }
      io_uring_sqe_set_data64(sqe, fits ? next + static_cast<size_t>(queued) : requests.size());
    }
    int submitted = 0;
    for (int tries = 0; submitted < queued && tries < kSubmitTries; ++tries) {
      const int rc = io_uring_submit(&ring);
      if (rc > 0) submitted += rc;
      if (rc < 0 && rc != -EINTR && rc != -EAGAIN && rc != -EBUSY) break;
    }
    // Every read that went out writes into the caller's buffers: wait for all of them.
    for (int reaped = 0; reaped < submitted;) {
      io_uring_cqe* cqe = nullptr;
      const int rc = io_uring_wait_cqe(&ring, &cqe);
      if (rc == -EINTR || rc == -EAGAIN) continue;
      if (rc < 0) {
        // Not expected of a ring that is up. Better than waiting for ever: reads still in
        // flight bring the same bytes that the caller's own reads put there next.
        broken_ = true;
        return next;
      }
      const uint64_t at = io_uring_cqe_get_data64(cqe);
      if (at < requests.size() && cqe->res >= 0) {
        requests[static_cast<size_t>(at)].got = static_cast<size_t>(cqe->res);
      }
      io_uring_cqe_seen(&ring, cqe);
      ++reaped;
    }
    if (submitted < queued) {
      // Queue entries that never went out would go with the next batch: drop the ring.
      broken_ = true;
      ring_.reset();
      return next + static_cast<size_t>(submitted);
    }
    next += static_cast<size_t>(queued);
  }
  return next;
}

#else

struct ReadRing::Ring {};

ReadRing::ReadRing() : broken_(true) {}

bool ReadRing::Ready() { return false; }

size_t ReadRing::Read(int /*fd*/, std::span<ReadRequest> /*requests*/) { return 0; }

#endif

ReadRing::~ReadRing() = default;

}  // namespace tomeshelf
