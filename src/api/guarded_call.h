// The frame around every export: the Library's lock for the whole call, so that callers on
// several threads see each call whole; and no C++ exception (std::bad_alloc included) ever
// reaches a C caller.
#ifndef TOMESHELF_API_GUARDED_CALL_H_
#define TOMESHELF_API_GUARDED_CALL_H_

#include <cstdint>
#include <mutex>

#include "api/library.h"

namespace tomeshelf {

// Runs call(library) under the library's lock; onThrow (-1, or the export's "false")
// when it threw.
template <typename Call>
int32_t GuardedCall(Library& library, Call&& call,
                    int32_t onThrow = ToResultCode(Status::kIoError)) noexcept {
  try {
    const std::lock_guard lock(library.Mutex());
    return call(library);
  } catch (...) {
    return onThrow;
  }
}

// True when any of the pointers a call needs is null.
template <typename... Pointers>
bool AnyNull(const Pointers*... pointers) {
  return ((pointers == nullptr) || ...);
}

}  // namespace tomeshelf

#endif  // TOMESHELF_API_GUARDED_CALL_H_
