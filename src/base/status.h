// Failures travel through the core as a Status and become the exported small integers in
// exactly one place, ToResultCode.
#ifndef TOMESHELF_BASE_STATUS_H_
#define TOMESHELF_BASE_STATUS_H_

#include <cstdint>

namespace tomeshelf {

enum class Status : uint8_t {
  kOk,        // 1
  kMore,      // 0: a partial result, or false
  kNoState,   // -1: no catalog or book for the call
  kIoError,   // -1: a seek, read or open failed, or the disc changed
  kDamaged,   // -1: the book's own bytes contradict themselves (a count past a page, a loop)
  kRefused,   // -2: the caller's argument is refused, or nothing is pending
  kNotFound,  // -2: the book does not hold the item (no index, no match, no menu)
};

constexpr int32_t ToResultCode(Status s) {
  switch (s) {
    case Status::kOk: return 1;
    case Status::kMore: return 0;
    case Status::kNoState:
    case Status::kIoError:
    case Status::kDamaged: return -1;
    case Status::kRefused:
    case Status::kNotFound: return -2;
  }
  return -1;
}

// A value of 0 or more (a size, a count, a file offset) or a failure.
struct Sized {
  Status status = Status::kOk;
  int32_t value = 0;

  static Sized Of(int32_t v) { return Sized{Status::kOk, v}; }
  static Sized Fail(Status s) { return Sized{s, 0}; }
  bool ok() const { return status == Status::kOk; }
};

constexpr int32_t ToResultCode(Sized s) {
  return s.status == Status::kOk ? s.value : ToResultCode(s.status);
}

}  // namespace tomeshelf

#endif  // TOMESHELF_BASE_STATUS_H_
