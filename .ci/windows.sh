#!/usr/bin/env bash
# CI for Windows: builds the 32-bit Tomeshelf.dll in Release with its test suite, checks the
# DLL with objdump, runs the suite under the 32-bit wine, then has a C program load the DLL
# by name and drive all 29 exports over the sample book: its transcript must match the Linux
# library's. Needs the Linux build in build/ (the sample book and the loader's Linux twin).
set -euo pipefail
cd "$(dirname "$0")/.."
phase() { echo "== $1 (${SECONDS}s)"; }

export DEBIAN_FRONTEND=noninteractive
dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends cmake ninja-build binutils googletest \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 >/dev/null

phase "packages installed"
# Some kernels run no 32-bit program: there the 32-bit build is checked without running it,
# and the same suite and caller run as 64-bit programs under wine64 instead.
arch=win32 bits=i686 wine=wine
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "this machine runs no 32-bit program: the suite runs as a 64-bit build under wine64" >&2
  arch=win64 bits=x86_64 wine=/usr/lib/wine/wine64
fi
# Wine in a throwaway prefix, quiet, with its server up before anything runs: a wine
# process left over from a test would otherwise hold ctest's output pipe.
export WINEPREFIX
WINEPREFIX="$(mktemp -d /tmp/tomeshelf-wine.XXXXXX)"
export WINEDEBUG=-all WINEARCH=$arch
finish() {
  exec 9>&- || true
  wineserver -k >/dev/null 2>&1 || true
  wait 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap finish EXIT
wineserver -p >/dev/null 2>&1
# The prefix is created while the DLL builds.
"$wine" wineboot --init >/dev/null 2>&1 &
booting=$!

# Release, as packagers build it; no debug information, which nothing reads under wine.
cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DTOMESHELF_WERROR=ON -DTOMESHELF_BUILD_TOOLS=OFF >/dev/null
suite=build-win32
if [ "$arch" = win32 ]; then
  cmake --build build-win32 -j2
else
  # The 32-bit DLL alone, checked by objdump; the suite is built as 64-bit programs.
  cmake --build build-win32 -j2 --target tomeshelf
  suite=build-win64
  cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTOMESHELF_WERROR=ON -DTOMESHELF_BUILD_TOOLS=OFF >/dev/null
  cmake --build build-win64 -j2
  cmake -DDLL=build-win32/Tomeshelf.dll -DOBJDUMP=i686-w64-mingw32-objdump -P tests/win32/check_dll.cmake
fi
phase "DLL and tests built"
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
"$bits-w64-mingw32-gcc-posix" -O2 "$WINEPREFIX/keeper.c" -o "$WINEPREFIX/keeper.exe" -lgdi32
mkfifo "$WINEPREFIX/keepalive"
"$wine" "$WINEPREFIX/keeper.exe" <"$WINEPREFIX/keepalive" >/dev/null 2>&1 &
exec 9>"$WINEPREFIX/keepalive"

ctest --test-dir "$suite" --output-on-failure -j2 --timeout 120
phase "tests run"

# The DLL as a caller sees it, against the Linux library (wine's console writes CRLF).
build/tests/dll_loader build/sample build/libtomeshelf.so >"$WINEPREFIX/linux.txt"
(cd "$suite" && "$wine" dll_loader.exe '..\build\sample') >"$WINEPREFIX/dll.txt"
diff --strip-trailing-cr "$WINEPREFIX/linux.txt" "$WINEPREFIX/dll.txt"
phase "DLL answers as the Linux library"
