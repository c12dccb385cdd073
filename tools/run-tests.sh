#!/usr/bin/env bash
# Builds the project and runs every test.
#   tools/run-tests.sh             optimised build in build/
#   tools/run-tests.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/prerequisites.sh
ensure_prerequisites mpi python

build=build
options=(-DCMAKE_BUILD_TYPE=Release)
if [ "${1:-}" = "--sanitize" ]; then
    build=build-sanitize
    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=ON -DBUILD_BENCH=OFF)
fi
cmake -S . -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2
