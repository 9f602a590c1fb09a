# Cross build of the 32-bit Windows DLL with MinGW-w64 (posix thread model, as GoogleTest
# needs it); the tests run under the 32-bit wine. Use: cmake -S . -B build-win32 -G Ninja
#   -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOMESHELF_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)

# Debian's wine runs 32-bit programs once wine32:i386 is installed.
find_program(TOMESHELF_WINE NAMES wine)
if(TOMESHELF_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOMESHELF_WINE})
endif()
