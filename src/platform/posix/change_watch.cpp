#include "platform/posix/change_watch.h"

namespace tomeshelf {

std::unique_ptr<ChangeWatch> StartPosixChangeWatch(const std::string& /*directory*/) {
  return nullptr;
}

}  // namespace tomeshelf
