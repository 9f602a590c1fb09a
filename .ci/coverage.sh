#!/usr/bin/env bash
# Line and branch coverage of src/ by the test suite (gcc --coverage, gcovr); fails below
# 95% of lines or 75% of branches.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends gcovr >/dev/null

rm -rf build-coverage
# The program's tests too: they are the ones that drive the writer, the codec and the index walk.
cmake -S . -B build-coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOMESHELF_COVERAGE=ON >/dev/null
cmake --build build-coverage -j2 --target tomeshelf_tests tomeshelf_tool_tests
ctest --test-dir build-coverage -j2 --output-on-failure -E 'SharedLibraryExports|DllLoader'
# Not -o /dev/null: gcovr replaces its output file, and so would replace the device.
gcovr --root . --filter 'src/' --object-directory build-coverage --print-summary --exclude-throw-branches --fail-under-line 95 --fail-under-branch 75 \
  -o build-coverage/coverage.txt
