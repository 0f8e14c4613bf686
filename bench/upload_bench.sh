#!/usr/bin/env bash
# Upload throughput over a lab link: the firmware upload routine against a
# plain sender into the same simulated device, with and without a progress
# view. Runs inside a lab (needs root).
# Usage: upload_bench.sh BUILD_DIR [MIB]   (default 64)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../tests/lab/lab.sh
source "$here/../tests/lab/lab.sh"

build_dir=$(cd "${1:?usage: upload_bench.sh BUILD_DIR [MIB]}" && pwd)
mib=${2:-64}
if [[ $(id -u) -ne 0 ]]; then
    echo "upload_bench: the lab needs root; run: sudo $0 $build_dir $mib" >&2
    exit 1
fi
LAB_DEVSIM_BIN=$build_dir/tools/devsim/lorvena-devsim

lab_init
lab_add_segment 1
cat >"$LAB_DIR/devices.json" <<'JSON'
{"devices": [{"generations": ["basic"], "ip": "10.1.0.10", "mac": "00:12:34:00:00:10", "type": 1000,
  "password": "12345", "upgrade": {"sized": true}}]}
JSON
lab_start_devsim 1 --devices "$LAB_DIR/devices.json"
head -c "$((mib * 1024 * 1024))" /dev/urandom >"$LAB_DIR/package"
lab_host_exec "$build_dir/bench/lorvena_upload_bench" --device 10.1.0.10 --port 80 --file "$LAB_DIR/package"
lab_teardown
