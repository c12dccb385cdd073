#!/usr/bin/env bash
# Builds the programs as a packager does, without the tests and without GoogleTest
# (BUILD_TESTING=OFF, GTest hidden from CMake), in build-package/; installs them into a scratch
# prefix with cmake --install, makes the Debian package with cpack and unpacks it into a scratch
# root, and runs the programs from both places. Stops with status 1 at the first thing amiss.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build-package
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBUILD_BENCH=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON --no-warn-unused-cli >/dev/null
cmake --build "$build" -j2 >/dev/null

# Runs the installed programs in bin (the folder given) from a folder of their own.
run_installed() {
    local bin=$1 version
    version=$(sed -n 's/^project(.* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    (cd "$scratch" &&
        [ "$("$bin/prgs1" --version)" = "prgs1 $version" ] &&
        [ "$("$bin/sbtool" --version)" = "sbtool $version" ] &&
        "$bin/sbtool" analyze c56b90ad3ef84712 | grep -qx 'uniformity    4') ||
        { echo "the programs installed in $bin do not run as they should"; exit 1; }
}

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
run_installed "$scratch/prefix/bin"
echo "cmake --install: $(cd "$scratch/prefix" && find . -type f | sort | tr '\n' ' ')"

if ! command -v dpkg-deb >/dev/null; then
    echo "Debian package skipped: dpkg-deb not found"
    exit 0
fi
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/prgs1_*.deb)
dpkg-deb -x "$deb" "$scratch/root"
run_installed "$scratch/root/usr/bin"
echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
