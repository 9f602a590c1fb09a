# Cross build of the 32-bit Windows DLL with MinGW-w64 (posix thread model, as GoogleTest
# needs it). Use: cmake -S . -B build-win32 -G Ninja
#   -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
# No emulator: the 32-bit wine is not available on the build machines.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOMESHELF_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
