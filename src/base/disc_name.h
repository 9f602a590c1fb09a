// Names the disc gives for its own directories and files (a book directory, a font file)
// are joined under the disc root, so a name must stay one plain component: nothing that
// climbs out of the disc or into another directory.
#ifndef TOMESHELF_BASE_DISC_NAME_H_
#define TOMESHELF_BASE_DISC_NAME_H_

#include <string_view>

namespace tomeshelf {

// False for an empty name, one made of dots alone (".", "..", and "..." which Windows
// shortens to nothing), and one holding a path separator.
inline bool IsPlainName(std::string_view name) {
  if (name.find_first_not_of('.') == std::string_view::npos) return false;
  return name.find_first_of("/\\") == std::string_view::npos;
}

}  // namespace tomeshelf

#endif  // TOMESHELF_BASE_DISC_NAME_H_
