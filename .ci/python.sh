#!/usr/bin/env bash
# The Python package: installed with pip from Debian's python3 packages alone, then its
# tests run against the library and the sample book of the normal build.
set -euo pipefail
cd "$(dirname "$0")/.."
apt-get install -y -qq --no-install-recommends python3 python3-pip python3-setuptools \
  python3-pytest >/dev/null

site=$(mktemp -d)
trap 'rm -rf "$site" python/build python/tomeshelf.egg-info' EXIT
/usr/bin/python3 -m pip install -q --root-user-action=ignore --no-build-isolation --no-deps --no-index --target "$site" ./python
# From the repository root, so that the installed package is the one imported.
PYTHONPATH=$site TOMESHELF_LIBRARY=$PWD/build/libtomeshelf.so.1 TOMESHELF_SAMPLE=$PWD/build/sample \
  /usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests
