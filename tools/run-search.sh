#!/usr/bin/env bash
# Builds sbtool and runs the search on every core in run/ on a target list (default: the
# bundled cipher list data/ciphers.txt), which it puts there as sb2.txt. Results go to
# run/prgs1b.txt; the search runs until stopped with Ctrl-C.
#   tools/run-search.sh [LIST]
# A search stopped in run/ (Ctrl-C, a kill, a power cut) goes on from where it stopped when
# the script runs again, without a list or with the same one; the results in run/ are never
# overwritten. LIST may be given relative to any directory. A list already in the form the
# search reads (nothing but decimal values, sixteen per S-box) is searched as it stands; any
# other, such as hexadecimal S-boxes or a file with # comments, becomes a target list with
# the variants a designer accepts: `sbtool targets --inverse --perms @LIST`, every S-box with
# its inverse and the input-bit permutations of both (the search takes the outputs in any
# order by itself).
set -euo pipefail

usage="usage: tools/run-search.sh [LIST]"
if [ $# -gt 1 ] || [[ ${1:-} == -* ]]; then
    echo "$usage" >&2
    exit 2
fi
list=
if [ $# -eq 1 ]; then
    if [ ! -f "$1" ] || [ ! -r "$1" ]; then
        echo "run-search.sh: cannot read the target list $1" >&2
        exit 1
    fi
    list=$(realpath -- "$1")
fi

cd "$(dirname "$0")/.."
. tools/prerequisites.sh
ensure_prerequisites
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target sbtool >/dev/null
sbtool=build/tools/sbtool
mkdir -p run

# True when the list holds nothing but decimal values and white space, sixteen values per S-box.
is_decimal_list() {
    local values
    values=$(wc -w <"$1")
    ! LC_ALL=C grep -q '[^0-9[:space:]]' "$1" && [ "$values" -gt 0 ] && [ $((values % 16)) -eq 0 ]
}

# Writes the target list for $1 to run/sb2.txt.new and sets `searching` to what it holds.
# A list sbtool refuses ends the script with sbtool's line.
make_target_list() {
    if is_decimal_list "$1"; then
        cp "$1" run/sb2.txt.new
        searching="the $(($(wc -w <"$1") / 16)) S-boxes of $1 as listed, no variants added (for inverses and input-bit permutations, make the list with sbtool targets --inverse --perms)"
        return
    fi
    local summary
    if ! summary=$("$sbtool" targets --inverse --perms "@$1" 2>&1 >run/sb2.txt.new); then
        rm -f run/sb2.txt.new
        echo "$summary" >&2
        exit 1
    fi
    searching="every S-box of $1 with its inverse and the input-bit permutations of both ($summary)"
}

if [ -f run/prgs1b.txt.checkpoint ]; then
    if [ -n "$list" ]; then
        make_target_list "$list"
        if ! cmp -s run/sb2.txt.new run/sb2.txt; then
            rm -f run/sb2.txt.new
            echo "run-search.sh: run/ holds a search on another list: run the script without a list to go on with it, or move run/ away to start a new one" >&2
            exit 1
        fi
        rm -f run/sb2.txt.new
    fi
    echo "going on with the search in run/ on all $(nproc) cores (results in run/prgs1b.txt; stop with Ctrl-C)"
    exec "$sbtool" search --resume --dir run
fi
if [ -f run/prgs1b.txt ] && grep -q '^found ' run/prgs1b.txt; then
    echo "run-search.sh: run/prgs1b.txt holds the results of a search that cannot go on (no checkpoint): move run/ away to start a new one" >&2
    exit 1
fi
if [ -n "$list" ]; then
    make_target_list "$list"
else
    cp data/ciphers.txt run/sb2.txt.new
    searching="the bundled cipher S-boxes of data/ciphers.txt, each with its inverse and the input-bit permutations of both"
fi
mv run/sb2.txt.new run/sb2.txt
echo "searching for $searching"
echo "running sbtool search in run/ on all $(nproc) cores (results in run/prgs1b.txt; stop with Ctrl-C, run again to go on)"
exec "$sbtool" search --dir run
