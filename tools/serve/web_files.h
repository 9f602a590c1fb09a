// The viewer's page, script and style sheet, built into the program from tools/web.
#ifndef TOMESHELF_TOOLS_SERVE_WEB_FILES_H_
#define TOMESHELF_TOOLS_SERVE_WEB_FILES_H_

#include <cstddef>
#include <string_view>

namespace tomeshelf::cli {

struct WebFile {
  const char* name;
  std::string_view bytes;
};

extern const WebFile kWebFiles[];
extern const size_t kWebFileCount;

}  // namespace tomeshelf::cli

#endif  // TOMESHELF_TOOLS_SERVE_WEB_FILES_H_
