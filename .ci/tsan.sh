#!/usr/bin/env bash
# CI: the exports called from several threads at once, under ThreadSanitizer (clang). Only
# the test program is built, and only the suites that drive the exports run.
set -euo pipefail
cd "$(dirname "$0")/.."

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends clang libclang-rt-dev cmake ninja-build \
  libgtest-dev libgmock-dev pkg-config liburing-dev >/dev/null

CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DTOMESHELF_WERROR=ON \
  -DTOMESHELF_BUILD_TOOLS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan --target tomeshelf_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  build-tsan/tests/tomeshelf_tests --gtest_filter='ThreadsTest.*:FaultSessionTest.NothingOpen*'
