#!/usr/bin/env bash
# Builds prgs1 and runs the search in run/ on a target list (default: the bundled cipher
# list data/ciphers.txt), which it puts there as sb2.txt. Results go to run/prgs1b.txt.
# The search runs until stopped with Ctrl-C.
#   tools/run-search.sh [LIST]
# LIST may be given relative to any directory. A list already in the form the search reads
# (nothing but decimal values, sixteen per S-box) is copied unchanged; any other list, such as
# hexadecimal S-boxes or a file with # comments, is converted by `sbtool targets @LIST`,
# which writes each S-box once in that form and refuses values that are not S-boxes.
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
list=${list:-$PWD/data/ciphers.txt}

# True when the list holds nothing but decimal values and white space, sixteen values per S-box.
is_decimal_list() {
    local values
    values=$(wc -w <"$1")
    ! LC_ALL=C grep -q '[^0-9[:space:]]' "$1" && [ "$values" -gt 0 ] && [ $((values % 16)) -eq 0 ]
}

convert=false
is_decimal_list "$list" || convert=true
targets=(prgs1)
if $convert; then targets+=(sbtool); fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target "${targets[@]}" >/dev/null
mkdir -p run
if ! $convert; then
    [ "$list" -ef run/sb2.txt ] || cp "$list" run/sb2.txt
else
    # Written beside and then renamed, so that a refused list leaves the earlier sb2.txt as it was.
    if ! summary=$(build/tools/sbtool targets "@$list" 2>&1 >run/sb2.txt.new); then
        rm -f run/sb2.txt.new
        echo "$summary" >&2
        exit 1
    fi
    mv run/sb2.txt.new run/sb2.txt
    echo "converted $list to decimal values, each S-box once ($summary)"
fi
echo "running build/prgs1 in run/ on $list (results in run/prgs1b.txt; stop with Ctrl-C)"
cd run
exec ../build/prgs1
