# Cross build for 64-bit Windows with MinGW-w64: runs the test suite against the Win32
# platform layer under wine64. Use: cmake -S . -B build-win64 -G Ninja
#   -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TOMESHELF_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)

# Debian keeps wine64 off PATH.
find_program(TOMESHELF_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(TOMESHELF_WINE64 NAMES wine64)
if(TOMESHELF_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOMESHELF_WINE64})
endif()
