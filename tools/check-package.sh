#!/usr/bin/env bash
# Builds the programs as a packager does, without the tests and without GoogleTest
# (BUILD_TESTING=OFF, GTest hidden from CMake), in build-package/; installs them into a scratch
# prefix with cmake --install, makes the Debian package with cpack and unpacks it into a scratch
# root, and runs the programs from both places; builds a small project of its own against the
# library from both places (find_package(sboxsearch)) and runs it, and imports the Python module
# (when built) with Debian's python3 and runs a pass through it. Stops with status 1 at the
# first thing amiss.
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

# Builds packaging/consumer against the library installed under the prefix given and runs it:
# it analyses PRESENT and prints the C code of the one record a pass for one S-box writes.
use_library() {
    local prefix=$1 out
    cmake -S packaging/consumer -B "$scratch/consumer" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null &&
        cmake --build "$scratch/consumer" >/dev/null &&
        mkdir -p "$scratch/consumer-run" &&
        out=$("$scratch/consumer/consumer" "$scratch/consumer-run") &&
        [ "$(echo "$out" | head -2 | tr '\n' ' ')" = "uniformity 4 1 records " ] &&
        echo "$out" | grep -q '^void sbox(const uint64_t in\[4\], uint64_t out\[4\])$' ||
        { echo "a project built against the library installed in $prefix does not work as it should"; exit 1; }
    rm -rf "$scratch/consumer" "$scratch/consumer-run"
}

# Imports the Python module found under the prefix given, if any, with /usr/bin/python3, which
# it is built for: it analyses PRESENT and runs one pass on data/present.txt.
use_python_module() {
    local module
    module=$(find "$1" -name 'sboxsearch*.so' | head -1)
    [ -n "$module" ] || { echo "Python module not installed (not built)"; return 0; }
    mkdir -p "$scratch/python-run"
    PYTHONPATH=$(dirname "$module") /usr/bin/python3 -c "
import sboxsearch as sb
assert sb.analyze('c56b90ad3ef84712').uniformity == 4
sb.load_file('data/present.txt')
assert sb.run(dir='$scratch/python-run', passes=1).figures.passes_done == 1" ||
        { echo "the Python module installed in $1 does not work as it should"; exit 1; }
    rm -rf "$scratch/python-run"
    echo "Python module: ${module#$1/}"
}

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
run_installed "$scratch/prefix/bin"
use_library "$scratch/prefix"
use_python_module "$scratch/prefix"
echo "cmake --install: $(cd "$scratch/prefix" && find . -type f | sort | tr '\n' ' ')"

if ! command -v dpkg-deb >/dev/null; then
    echo "Debian package skipped: dpkg-deb not found"
    exit 0
fi
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/prgs1_*.deb)
dpkg-deb -x "$deb" "$scratch/root"
run_installed "$scratch/root/usr/bin"
use_library "$scratch/root/usr"
use_python_module "$scratch/root/usr"
echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
