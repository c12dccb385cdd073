#!/bin/sh
# Runs $PROGRAM with the given arguments and passes its output on with its usage lines in the
# form help2man reads as a synopsis: "Usage:" first, every further form after "or:", and the
# options a form wraps onto further lines joined to it.
"$PROGRAM" "$@" | awk '
    NR == 1 { sub(/^usage:/, "Usage:"); held = $0; usage = 1; next }
    usage && /^ +\[/ { sub(/^ +/, " "); held = held $0; next }
    usage && /^ +[^ ]/ { sub(/^ +/, "  or: ") }
    /^$/ { usage = 0 }
    { print held; held = $0 }
    END { if (NR) print held }'
