#!/usr/bin/env bash
# Times the stages of `make test`, so that a slow machine shows where its
# minutes went.
#   stage-time.sh LOG NAME COMMAND...  runs COMMAND, appends NAME and its
#                                      seconds to LOG, exits as COMMAND did
#   stage-time.sh --report LOG         prints LOG as a table with a total
# Without LOG (an empty first argument) it only runs COMMAND.
set -uo pipefail

if [[ ${1:-} == --report ]]; then
    log=${2:?usage: stage-time.sh --report LOG}
    [[ -s $log ]] || exit 0
    echo
    echo "Stage times (seconds):"
    awk -F'\t' '{ printf "  %-28s %7.1f%s\n", $1, $2, ($3 == 0 ? "" : "  (failed)"); total += $2 }
                END { printf "  %-28s %7.1f\n", "total", total }' "$log"
    exit 0
fi

log=$1
name=$2
shift 2
start=$(date +%s.%N)
"$@"
status=$?
if [[ -n $log ]]; then
    end=$(date +%s.%N)
    printf '%s\t%s\t%d\n' "$name" "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')" "$status" >> "$log"
fi
exit "$status"
