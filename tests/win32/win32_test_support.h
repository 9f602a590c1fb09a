// Helpers shared by the suites of the Win32 platform layer.
#ifndef TOMESHELF_TESTS_WIN32_WIN32_TEST_SUPPORT_H_
#define TOMESHELF_TESTS_WIN32_WIN32_TEST_SUPPORT_H_

#include <windows.h>

namespace tomeshelf::testing {

// Wine differs from Windows in a few documented ways that some tests must allow for.
inline bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The layout of the framework objects the drawing exports take: a table pointer, then the
// device-context or bitmap handle.
struct FrameworkObject {
  const void* table = nullptr;
  void* handle = nullptr;
};

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_WIN32_WIN32_TEST_SUPPORT_H_
