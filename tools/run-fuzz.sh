#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/ and runs each for SECONDS (default 60) from
# seeds: files in the repository, and the outputs and checkpoints of two one-pass searches made
# now. A crash stops the script with status 1 and the input that caused it in build-fuzz/crashes/.
# Without clang, or without its libFuzzer, it says so in one line and stops with status 0.
#   tools/run-fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
fuzz=$PWD/build-fuzz
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if ! command -v clang++ >/dev/null; then
    echo "fuzzing skipped: clang++ not found (apt-get install clang)"
    exit 0
fi
printf '#include <cstddef>\n#include <cstdint>\nextern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n' \
    > "$scratch/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined -o "$scratch/probe" "$scratch/probe.cpp" 2>/dev/null; then
    echo "fuzzing skipped: clang++ cannot build with -fsanitize=fuzzer,address,undefined (libFuzzer missing)"
    exit 0
fi

targets=(loader_fuzz record_fuzz checkpoint_fuzz)
cmake -S . -B "$fuzz" -DCMAKE_CXX_COMPILER=clang++ -DBUILD_BENCH=OFF -DBUILD_MPI=OFF >/dev/null
cmake --build "$fuzz" -j2 --target "${targets[@]}" >/dev/null
# The searches that make seeds use the sbtool of tools/run-tests.sh's build when there is one.
sbtool=$PWD/build/tools/sbtool
if [ ! -x "$sbtool" ]; then
    cmake --build "$fuzz" -j2 --target sbtool >/dev/null
    sbtool=$fuzz/tools/sbtool
fi

# The seeds: target lists, search outputs, and checkpoints written by one pass of a real search
# on data/present.txt (no S-box reached) and on tests/lists/few.txt (two reached).
corpus=$fuzz/corpus
rm -rf "$corpus" "$fuzz/crashes"
mkdir -p "$corpus/loader_fuzz" "$corpus/record_fuzz" "$corpus/checkpoint_fuzz" "$fuzz/crashes"
cp data/present.txt tests/lists/few.txt tests/lists/single.txt "$corpus/loader_fuzz/"
cp tests/lists/ciphers-one-pass.prgs1b.txt "$corpus/record_fuzz/"
for list in data/present.txt tests/lists/few.txt; do
    name=$(basename "$list" .txt)
    mkdir "$scratch/$name"
    cp "$list" "$scratch/$name/sb2.txt"
    "$sbtool" search --passes 1 --quiet --dir "$scratch/$name" >/dev/null
    cp "$scratch/$name/prgs1b.txt.checkpoint" "$corpus/checkpoint_fuzz/$name.checkpoint"
    cp "$scratch/$name/prgs1b.txt" "$corpus/record_fuzz/$name.prgs1b.txt"
done

for target in "${targets[@]}"; do
    log=$fuzz/$target.log
    if ! "$fuzz/tests/fuzz/$target" "$corpus/$target" -max_total_time="$seconds" -max_len=16384 \
        -artifact_prefix="$fuzz/crashes/$target-" >"$log" 2>&1; then
        tail -n 30 "$log"
        echo "$target: crashed; the input is in $fuzz/crashes/, the whole log in $log"
        exit 1
    fi
    echo "$target: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$log"), no crash"
done
