#!/usr/bin/env bash
# CI for Windows: builds the 32-bit Tomeshelf.dll and checks it with objdump, then
# cross-builds the test suite for 64-bit Windows and runs it under wine64 (the 32-bit wine
# is not available from the package mirror, so the DLL itself is not run).
set -euo pipefail
cd "$(dirname "$0")/.."
phase() { echo "== $1 (${SECONDS}s)"; }

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends cmake ninja-build binutils googletest \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 >/dev/null

phase "packages installed"
# Wine in a throwaway prefix, quiet, with its server up before anything runs: a wine
# process left over from a test would otherwise hold ctest's output pipe.
export WINEPREFIX
WINEPREFIX="$(mktemp -d /tmp/tomeshelf-wine.XXXXXX)"
export WINEDEBUG=-all
WINE64=/usr/lib/wine/wine64
finish() {
  exec 9>&- || true
  wineserver -k >/dev/null 2>&1 || true
  wait 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap finish EXIT
wineserver -p >/dev/null 2>&1
# The prefix is created while the DLL builds.
wineboot --init >/dev/null 2>&1 &
booting=$!

# The 32-bit DLL alone: the test support is not built for 32 bits.
cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DTOMESHELF_WERROR=ON \
  -DTOMESHELF_BUILD_TESTS=OFF -DTOMESHELF_BUILD_TOOLS=OFF >/dev/null
cmake --build build-win32 -j2

phase "32-bit DLL built"
# The 64-bit test program, which also checks the 32-bit DLL (Win32DllExports).
# No debug information: it only slows the build, and nothing reads it under wine.
cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake -DTOMESHELF_WERROR=ON \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DTOMESHELF_BUILD_TOOLS=OFF \
  -DTOMESHELF_CHECK_DLL="$PWD/build-win32/Tomeshelf.dll" >/dev/null
cmake --build build-win64 -j2 --target tomeshelf_tests

phase "test program built"
wait "$booting"
# One small wine process holds a device context for the whole run, so that wine's desktop
# process starts here, with its output to /dev/null, and stays: started by a test instead,
# it would inherit that test's output pipe and ctest would wait for it.
cat >"$WINEPREFIX/keeper.c" <<'KEEPER'
#include <stdio.h>
#include <windows.h>
int main(void) {
  HDC dc = CreateCompatibleDC(NULL);
  while (getchar() != EOF) {
  }
  DeleteDC(dc);
  return 0;
}
KEEPER
x86_64-w64-mingw32-gcc-posix -O2 "$WINEPREFIX/keeper.c" -o "$WINEPREFIX/keeper.exe" -lgdi32
mkfifo "$WINEPREFIX/keepalive"
"$WINE64" "$WINEPREFIX/keeper.exe" <"$WINEPREFIX/keepalive" >/dev/null 2>&1 &
exec 9>"$WINEPREFIX/keepalive"

ctest --test-dir build-win64 --output-on-failure -j2 --timeout 120
phase "tests run"
