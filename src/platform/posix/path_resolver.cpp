#include "platform/posix/path_resolver.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

namespace tomeshelf {

namespace {

char FoldChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// The entry of dir whose folded name equals the folded component, or empty. A name that
// folds to nothing ("   ", "...") names no file.
std::string FindEntry(const std::string& dir, const std::string& folded) {
  if (folded.empty()) return {};
  std::unique_ptr<DIR, DirCloser> d(::opendir(dir.empty() ? "." : dir.c_str()));
  if (!d) return {};
  while (const dirent* e = ::readdir(d.get())) {
    if (FoldEntryName(e->d_name) == folded) return e->d_name;
  }
  return {};
}

}  // namespace

std::string FoldName(std::string_view name) {
  if (name != "." && name != "..") {
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.remove_suffix(1);
  }
  std::string out(name);
  for (char& c : out) c = FoldChar(c);
  return out;
}

std::string FoldEntryName(std::string_view entry) {
  const size_t semi = entry.rfind(';');
  if (semi != std::string_view::npos && semi + 1 < entry.size() &&
      entry.find_first_not_of("0123456789", semi + 1) == std::string_view::npos) {
    entry = entry.substr(0, semi);
  }
  return FoldName(entry);
}

std::string ResolveWindowsPath(const std::string& path) {
  const bool rooted = !path.empty() && (path[0] == '\\' || path[0] == '/');
  std::string out(rooted ? 1 : 0, '/');
  bool lost = false;  // once a component is missing, the rest cannot exist either
  size_t i = rooted ? 1 : 0;
  while (i < path.size()) {
    size_t j = path.find_first_of("\\/", i);
    if (j == std::string::npos) j = path.size();
    const std::string_view name(path.data() + i, j - i);
    i = j + 1;
    if (name.empty()) continue;
    const std::string dir = out.empty() ? std::string(".") : out;
    if (!out.empty() && out.back() != '/') out.push_back('/');
    const size_t at = out.size();
    out.append(name);
    if (!lost && !Exists(out)) {
      const std::string found = FindEntry(dir, FoldName(name));
      if (found.empty()) {
        lost = true;
      } else {
        out.replace(at, std::string::npos, found);
      }
    }
  }
  return out.empty() ? path : out;
}

}  // namespace tomeshelf
