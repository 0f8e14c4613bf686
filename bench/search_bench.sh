#!/usr/bin/env bash
# Figures for a search answered by a burst of simulated devices: for each N,
# how many devices were listed, the time from the broadcast to the last
# listed row, and the tool's peak memory. Runs inside a lab (needs root).
# Usage: search_bench.sh BUILD_DIR [N...]   (default N: 1000 10000)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../tests/lab/lab.sh
source "$here/../tests/lab/lab.sh"

build_dir=$(cd "${1:?usage: search_bench.sh BUILD_DIR [N...]}" && pwd)
shift
counts=("$@")
[[ ${#counts[@]} -eq 0 ]] && counts=(1000 10000)

if [[ $(id -u) -ne 0 ]]; then
    echo "search_bench: the lab needs root; run: sudo $0 $build_dir ${counts[*]}" >&2
    exit 1
fi
LAB_DEVSIM_BIN=$build_dir/tools/devsim/lorvena-devsim
bench=$build_dir/bench/lorvena_search_bench

for n in "${counts[@]}"; do
    for mode in new old; do
        lab_init
        lab_add_segment 1
        lab_start_devsim 1 --generate "$n" --first-ip 10.1.1.1
        printf 'N=%-6s ' "$n"
        lab_host_exec "$bench" --mode "$mode" --expect "$n" --wait 30
        lab_teardown
    done
done
