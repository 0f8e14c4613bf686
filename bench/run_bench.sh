#!/usr/bin/env bash
# make bench: every figure in one table, each the median of several runs,
# with a peer measured side by side in the same run where one exists.
#   - search: 1,000 and 10,000 simulated devices in a lab, both generations
#   - the device list (Qt, offscreen) and the controller's table sort
#   - upload throughput over a lab link
#   - start-up to the first painted window, and memory with 1,000 rows listed
#   - the HTTP credential check against a simulated device
# Needs root (the lab's network namespaces). Nothing leaves the lab.
# Usage: run_bench.sh BUILD_DIR   (a build with the GUI; see `make bench`)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../tests/lab/lab.sh
source "$here/../tests/lab/lab.sh"

build_dir=$(cd "${1:?usage: run_bench.sh BUILD_DIR}" && pwd)
if [[ $(id -u) -ne 0 ]]; then
    echo "run_bench: the lab needs root; run: sudo $0 $build_dir" >&2
    exit 1
fi
bench=$build_dir/bench
# Read by the lab: the simulator, and how long 10,000 devices may take to start.
LAB_DEVSIM_BIN=$build_dir/tools/devsim/lorvena-devsim
# shellcheck disable=SC2034
LAB_READY_TIMEOUT=120
for program in "$LAB_DEVSIM_BIN" "$bench"/lorvena_{search,upload,http,list,startup}_bench; do
    if [[ ! -x $program ]]; then
        echo "run_bench: $program is missing; build the bench programs first (make bench)" >&2
        exit 1
    fi
done

# How many runs give each median; the searches of 10,000 devices take fewer.
RUNS=${RUNS:-5}
SLOW_RUNS=${SLOW_RUNS:-3}
UPLOAD_MIB=${UPLOAD_MIB:-64}

# (The lab owns the EXIT trap; this file is removed at the end.)
figures=$(mktemp)
failed=0

# measure DESCRIPTION COMMAND...: the command's FIGURE lines go to the
# table, anything else it prints to standard error as a remark.
measure() {
    local what=$1
    shift
    echo "run_bench: $what" >&2
    local out
    if ! out=$("$@"); then
        echo "run_bench: FAILED: $what" >&2
        failed=1
    fi
    grep '^FIGURE' <<<"$out" >>"$figures" || true
    grep -v '^FIGURE' <<<"$out" | sed '/^$/d; s/^/run_bench:   /' >&2 || true
}

# A lab of one segment whose devsim plays N generated devices.
generated_lab() {
    lab_init
    lab_add_segment 1
    lab_start_devsim 1 --generate "$1" --first-ip 10.1.1.1
}

generated_lab 1000
for mode in old new; do
    measure "search, 1,000 devices, $mode mode" \
        lab_host_exec "$bench/lorvena_search_bench" --mode "$mode" --expect 1000 --wait 30 --runs "$RUNS"
done
measure "start-up and memory (the window, offscreen)" \
    lab_host_exec "$bench/lorvena_startup_bench" --runs "$RUNS" --rows 1000
lab_teardown

generated_lab 10000
for mode in old new; do
    measure "search, 10,000 devices, $mode mode" \
        lab_host_exec "$bench/lorvena_search_bench" --mode "$mode" --expect 10000 --wait 30 --runs "$SLOW_RUNS"
done
lab_teardown

measure "device list, 10,000 rows (Qt, offscreen)" \
    env QT_QPA_PLATFORM=offscreen "$bench/lorvena_list_bench" --runs "$RUNS"

lab_init
lab_add_segment 1
cat >"$LAB_DIR/devices.json" <<'JSON'
{"devices": [{"generations": ["basic"], "ip": "10.1.0.10", "mac": "00:12:34:00:00:10", "type": 1000,
  "password": "12345", "upgrade": {"sized": true}}]}
JSON
lab_start_devsim 1 --devices "$LAB_DIR/devices.json"
head -c "$((UPLOAD_MIB * 1024 * 1024))" /dev/urandom >"$LAB_DIR/package"
measure "upload, $UPLOAD_MIB MiB over a lab link" \
    lab_host_exec "$bench/lorvena_upload_bench" --device 10.1.0.10 --port 80 --file "$LAB_DIR/package" --runs "$RUNS"
measure "HTTP credential check over a lab link" \
    lab_host_exec "$bench/lorvena_http_bench" --device 10.1.0.10 --port 80 --password 12345 --runs "$RUNS"
lab_teardown

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo
echo "Machine: ${cpu:-unknown CPU}, $(nproc) cores, Linux $(uname -r)"
echo
awk -F '\t' '
    { for (i = 2; i <= 6; i++) { cell[NR, i] = $i; if (length($i) > width[i]) width[i] = length($i) } }
    END {
        split("figure|value|unit|runs|ratio / peer", title, "|")
        for (i = 2; i <= 6; i++) if (length(title[i - 1]) > width[i]) width[i] = length(title[i - 1])
        line = sprintf("%-" width[2] "s  %" width[3] "s  %-" width[4] "s  %" width[5] "s  %s",
            title[1], title[2], title[3], title[4], title[5])
        print line
        gsub(/./, "-", line); print line
        for (r = 1; r <= NR; r++)
            printf "%-" width[2] "s  %" width[3] "s  %-" width[4] "s  %" width[5] "s  %s\n",
                cell[r, 2], cell[r, 3], cell[r, 4], cell[r, 5], cell[r, 6]
    }' "$figures"
rm -f "$figures"
exit "$failed"
