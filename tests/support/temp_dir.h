// A scratch directory for tests that need a real file system.
#ifndef TOMESHELF_TESTS_SUPPORT_TEMP_DIR_H_
#define TOMESHELF_TESTS_SUPPORT_TEMP_DIR_H_

#include <filesystem>
#include <string>

namespace tomeshelf::testing {

// A directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // The path as the library takes it: with a backslash before each component below root.
  std::string Windows(const std::string& relative = "") const;

 private:
  std::filesystem::path path_;
};

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_SUPPORT_TEMP_DIR_H_
