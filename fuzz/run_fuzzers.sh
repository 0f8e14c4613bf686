#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build (-DLORVENA_FUZZ=ON).
#
#   fuzz/run_fuzzers.sh BUILD_DIR SECONDS [TARGET...]
#
# For each target (all of BUILD_DIR/fuzz/*Fuzzer when none is named): first
# replays the saved findings in fuzz/regressions/TARGET/, then fuzzes for
# SECONDS from a scratch copy of fuzz/corpus/TARGET/ (the committed corpus
# never grows) with fuzz/dict/TARGET.dict. At most FUZZ_JOBS (default 2)
# targets run at once, at the lowest priority. Prints each target's
# executions per second and whether it found anything; exits non-zero on
# any crash, leak, timeout or out-of-memory, and names the reproducer.
#
# Logs go to FUZZ_LOG_DIR (default BUILD_DIR/fuzz-logs), reproducers to
# FUZZ_ARTIFACT_DIR (default BUILD_DIR/fuzz-artifacts).
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS [TARGET...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd) || exit 2
seconds=$2
shift 2
case "$seconds" in
    '' | *[!0-9]*) echo "error: SECONDS must be a whole number" >&2; exit 2 ;;
esac

fuzz_source=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
log_dir=${FUZZ_LOG_DIR:-$build/fuzz-logs}
artifact_dir=${FUZZ_ARTIFACT_DIR:-$build/fuzz-artifacts}
jobs=${FUZZ_JOBS:-2}
mkdir -p "$log_dir" "$artifact_dir"
# A finding's log should say where it happened.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for binary in "$build"/fuzz/*Fuzzer; do
        [ -x "$binary" ] && targets+=("$(basename "$binary")")
    done
fi
if [ ${#targets[@]} -eq 0 ]; then
    echo "error: no fuzz targets in $build/fuzz (configure with -DLORVENA_FUZZ=ON and build fuzz-all)" >&2
    exit 2
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/lorvena-fuzz.XXXXXX")
results=$scratch/results
mkdir -p "$results"
trap 'rm -rf "$scratch"' EXIT

# One target: replay, then fuzz. Writes "ok" or "failed" to its result file
# and prints one summary block.
run_target() {
    local target=$1
    local binary=$build/fuzz/$target
    local log=$log_dir/$target.log
    local artifacts=$artifact_dir/$target
    local summary status=ok

    if [ ! -x "$binary" ]; then
        printf '%-28s not built (%s)\n' "$target" "$binary"
        echo failed > "$results/$target"
        return
    fi
    mkdir -p "$artifacts"
    : > "$log"

    # Saved findings must stay fixed.
    local regressions=$fuzz_source/regressions/$target
    if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
        echo "== replaying $regressions" >> "$log"
        if ! nice -n 19 "$binary" -rss_limit_mb=2048 -timeout=10 "$regressions"/* >> "$log" 2>&1; then
            printf '%-28s REGRESSION: a saved finding fails again (replay of %s); see %s\n' \
                "$target" "$regressions" "$log"
            echo failed > "$results/$target"
            return
        fi
    fi

    local corpus=$scratch/corpus-$target
    mkdir -p "$corpus"
    if [ -d "$fuzz_source/corpus/$target" ]; then
        cp -R "$fuzz_source/corpus/$target/." "$corpus/"
    fi
    local dict=()
    [ -f "$fuzz_source/dict/$target.dict" ] && dict=(-dict="$fuzz_source/dict/$target.dict")

    echo "== fuzzing for $seconds s" >> "$log"
    nice -n 19 "$binary" "$corpus" "${dict[@]}" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" >> "$log" 2>&1
    local exit_code=$?

    local speed runs
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    local found
    found=$(grep -o "Test unit written to [^ ]*" "$log" | sed 's/Test unit written to //' | tail -1)
    if [ $exit_code -ne 0 ] || [ -n "$found" ]; then
        status=failed
        local what
        what=$(grep -m1 -E "ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error:|property broken" "$log")
        summary=$(printf '%-28s FOUND (exit %d): %s\n%-28s reproducer: %s\n%-28s log: %s' \
            "$target" "$exit_code" "${what:-see log}" "" "${found:-none written}" "" "$log")
    else
        summary=$(printf '%-28s %8s exec/s %12s runs  nothing found' "$target" "${speed:-?}" "${runs:-?}")
    fi
    echo "$summary"
    echo "$status" > "$results/$target"
}

echo "Fuzzing ${#targets[@]} target(s) for $seconds s each, $jobs at a time (logs: $log_dir)"
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n
    done
    run_target "$target" &
done
wait

failed=()
for target in "${targets[@]}"; do
    [ "$(cat "$results/$target" 2>/dev/null)" = ok ] || failed+=("$target")
done
[ ${#failed[@]} -gt 0 ] && echo "Problems in: ${failed[*]}"
echo "fuzzing: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
