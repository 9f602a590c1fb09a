#!/usr/bin/env bash
# CI: the viewer in headless Chromium (puppeteer-core on Debian's chromium). Leaves the
# screenshot in build/viewer.png.
set -euo pipefail
cd "$(dirname "$0")/.."

export DEBIAN_FRONTEND=noninteractive
packages="fonts-ipafont-gothic"
command -v chromium >/dev/null || packages+=" chromium"
command -v npm >/dev/null || packages+=" nodejs npm"  # a Node.js that brings its own npm stays
apt-get install -y -qq --no-install-recommends $packages >/dev/null

cmake -S . -B build -G Ninja -DTOMESHELF_WERROR=ON >/dev/null
cmake --build build --target tomeshelf_cli sample_disc
cd tests/browser
npm ci --no-audit --no-fund --loglevel=error
TOMESHELF="$PWD/../../build/tools/tomeshelf" SCREENSHOT="$PWD/../../build/viewer.png" node --test
