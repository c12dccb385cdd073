#!/usr/bin/env bash
# Builds prgs1 and runs the search in run/ on a target list (default: the bundled cipher
# list data/ciphers.txt), which it copies there as sb2.txt. Results go to run/prgs1b.txt.
# The search runs until stopped with Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/prerequisites.sh
ensure_prerequisites

list=${1:-data/ciphers.txt}
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target prgs1 >/dev/null
mkdir -p run
cp "$list" run/sb2.txt
echo "running build/prgs1 in run/ on $list (results in run/prgs1b.txt; stop with Ctrl-C)"
cd run
exec ../build/prgs1
