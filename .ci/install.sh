#!/usr/bin/env bash
# Installs the normal build into a temporary prefix, builds two small C programs against it
# (pkg-config; find_package with the shared and the static library) and runs them on the
# installed sample book; then builds the Debian package and installs and removes it.
set -euo pipefail
cd "$(dirname "$0")/.."
apt-get install -y -qq --no-install-recommends pkgconf dpkg-dev file >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install build --prefix "$prefix" >/dev/null
sample=$prefix/share/tomeshelf/sample
libdir=$(dirname "$(find "$prefix" -name tomeshelf.pc)")/..

cc -Wall -Werror -o "$work/with_pkgconfig" tests/install/consumer.c \
  $(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --cflags --libs tomeshelf)
LD_LIBRARY_PATH=$libdir "$work/with_pkgconfig" "$sample"

cmake -S tests/install -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/consumer_shared" "$sample"
"$work/consumer/consumer_static" "$sample"

# The Debian package: installs, works from the system paths, and removes without a trace.
rm -f build/tomeshelf_*.deb
(cd build && cpack -G DEB >/dev/null)
dpkg -i build/tomeshelf_*.deb >/dev/null
found=$(tomeshelf search /usr/share/tomeshelf/sample 'ね*')
[[ $found == *猫* ]] || { echo "install.sh: the installed program found no 猫: $found" >&2; exit 1; }
cc -o "$work/with_system" tests/install/consumer.c $(pkg-config --cflags --libs tomeshelf)
"$work/with_system" /usr/share/tomeshelf/sample
dpkg -r tomeshelf >/dev/null
for f in $(dpkg-deb --fsys-tarfile build/tomeshelf_*.deb | tar -t | grep -v '/$'); do
  if [ -e "/${f#./}" ] || [ -L "/${f#./}" ]; then
    echo "install.sh: dpkg -r left /${f#./} behind" >&2
    exit 1
  fi
done
if ldconfig -p | grep -q libtomeshelf; then echo "install.sh: ldconfig still lists it" >&2; exit 1; fi
dpkg -P tomeshelf >/dev/null
echo "install.sh: installed, built against, packaged, removed"
