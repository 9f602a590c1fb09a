#!/usr/bin/env bash
# CI: builds the libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for 20 seconds from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends clang libclang-rt-dev cmake ninja-build pkg-config \
  libzip-dev nlohmann-json3-dev libpng-dev libcpp-httplib-dev liburing-dev >/dev/null
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DTOMESHELF_BUILD_FUZZERS=ON \
  -DTOMESHELF_BUILD_TESTS=OFF -DTOMESHELF_BUILD_TOOLS=ON >/dev/null
cmake --build build-fuzz --target catalog_fuzzer disc_fuzzer search_fuzzer reader_fuzzer gaiji_fuzzer \
  writer_fuzzer viewer_fuzzer
fuzz/run.sh 20 build-fuzz
