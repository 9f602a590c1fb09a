#include "support/temp_dir.h"

#include <algorithm>
#include <random>

namespace tomeshelf::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::mt19937_64 rng{std::random_device{}()};
  path_ = fs::temp_directory_path() / ("tomeshelf-" + std::to_string(rng()));
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::Windows(const std::string& relative) const {
  std::string p = path_.string();
  std::replace(p.begin(), p.end(), '/', '\\');
  if (!relative.empty()) p += "\\" + relative;
  return p;
}

}  // namespace tomeshelf::testing
