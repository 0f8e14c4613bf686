#!/usr/bin/env bash
# lorvena-cli keeps devices off addresses another device already holds, end
# to end in the lab:
#  - two devices answering at one address: the search names each one's
#    rival on standard error;
#  - a change onto a listed device's address asks first: without --yes
#    nothing is sent, with --yes the change goes out;
#  - a change onto a host that answers ping but is no device asks too; a
#    tool that cannot ping says so and goes by the list alone;
#  - a batch passes over a listed device's address and a host answering
#    ping, numbers on from the next free address, and says what it skipped.
# Usage: cli_conflict_test.sh BUILD_DIR   (exit 77 = skipped: not root)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"

lab_use_build cli_conflict_test.sh "${1:-}"
listen_seconds=2

check() { lab_check "$@"; }

# run EXPECTED-EXIT ARGS...: the CLI in the host namespace; stdout printed,
# stderr in $LAB_DIR/stderr.
run() {
    local expected=$1
    shift
    lab_run "$expected" "$cli" "$@" --mode new --wait "$listen_seconds"
}

stderr_has() { grep -qF -- "$1" "$LAB_DIR/stderr" && echo yes || echo "no: $(cat "$LAB_DIR/stderr")"; }
has() { grep -qF -- "$2" <<<"$1" && echo yes || echo "no: $1"; }
logged() { grep -c -- "$1" "${LAB_DEVSIM_LOG[1]}" || true; }

# The MACs listed at ADDRESS by the next search, one a line, in list order.
macs_at() {
    lab_host_exec "$cli" search --mode new --wait "$listen_seconds" --format csv | tr -d '\r' |
        awk -F, -v ip="$1" '$5 == ip { print $9 }'
}

# A host that answers ping at ADDRESS on segment 1 but plays no device.
add_live_host() {
    lab_device_exec 1 ip addr add "$1/16" dev "${LAB_DEVICE_IF[1]}"
    # Pinned, as the lab pins every address it talks to (lab.sh says why).
    ip -n "$LAB_HOST_NS" neigh replace "$1" lladdr "$(lab__mac 1 device)" dev "${LAB_BRIDGE[1]}" nud permanent
}

lab_init
lab_add_segment 1
cat >"$LAB_DIR/devices.json" <<'JSON'
{"devices": [
  {"generations": ["extended"], "kind": "NVR", "name": "Pierwszy", "ip": "10.1.0.50", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:05:01", "type": 610, "password": "12345"},
  {"generations": ["extended"], "kind": "NVR", "name": "Drugi", "ip": "10.1.0.50", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:05:02", "type": 610, "password": "12345"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Kamera C", "ip": "10.1.0.60", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:06:00", "type": 300, "password": "12345"},
  {"generations": ["extended"], "kind": "NVR", "name": "Rejestrator D", "ip": "10.1.0.61", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:06:01", "type": 610, "password": "12345"},
  {"generations": ["extended"], "kind": "NVR", "name": "Rejestrator E", "ip": "10.1.0.62", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:06:02", "type": 610, "password": "12345"},
  {"generations": ["extended"], "kind": "NVR", "name": "Rejestrator G", "ip": "10.1.0.63", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:06:03", "type": 610, "password": "12345"},
  {"generations": ["extended"], "kind": "NVR", "name": "Rejestrator H", "ip": "10.1.0.64", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:06:04", "type": 610, "password": "12345"},
  {"generations": ["extended"], "kind": "NVR", "name": "Zajmuje", "ip": "10.1.0.71", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:07:01", "type": 610, "password": "12345"}
]}
JSON
lab_start_devsim 1 --devices "$LAB_DIR/devices.json"
success="Zmiana zakończona powodzeniem"

# --- two devices at one address: each row names the other
run 0 search >/dev/null
check "the first device at 10.1.0.50 names the second" yes \
    "$(stderr_has "10.1.0.50 00:12:34:00:05:01: Konflikt adresu IP: 00:12:34:00:05:02 Drugi")"
check "the second names the first" yes \
    "$(stderr_has "10.1.0.50 00:12:34:00:05:02: Konflikt adresu IP: 00:12:34:00:05:01 Pierwszy")"
check "a device alone at its address is no conflict" 2 "$(grep -c Konflikt "$LAB_DIR/stderr" || true)"

# --- onto a listed device's address: the question; no --yes, nothing sent
question="Adres IP 10.1.0.61 jest już używany. Czy na pewno wprowadzić zmianę?"
out=$(run 1 set --device 10.1.0.60 --new-ip 10.1.0.61 --password 12345 --no-verify)
check "the question is printed" yes "$(has "$out" "$question")"
check "cancelled: no modify request" 0 "$(logged basic-modify)"
out=$(run 0 set --device 10.1.0.60 --new-ip 10.1.0.61 --password 12345 --no-verify --yes)
check "--yes answers OK and the change goes out" "yes yes" "$(has "$out" "$question") $(has "$out" "$success")"
check "one modify request" 1 "$(logged basic-modify)"

# --- no ICMP socket (no group admitted to ping): a note, and the change
# goes by the list
lab__sysctl "$LAB_HOST_NS" net/ipv4/ping_group_range "1 0"
out=$(run 0 set --device 10.1.0.62 --new-ip 10.1.0.90 --password 12345 --no-verify)
check "cannot ping: noted on stderr" yes "$(stderr_has "cannot ping (no ICMP socket): 10.1.0.90")"
check "cannot ping: no question, the change done" "yes 1" "$(has "$out" "$success") $(logged extended-modify)"
lab__sysctl "$LAB_HOST_NS" net/ipv4/ping_group_range "0 2147483647"

# --- onto a live host that is no device
add_live_host 10.1.0.80
add_live_host 10.1.0.72
out=$(run 1 set --mac 00:12:34:00:06:01 --new-ip 10.1.0.80 --password 12345 --no-verify)
check "a host answering ping: the question" yes \
    "$(has "$out" "Adres IP 10.1.0.80 jest już używany. Czy na pewno wprowadzić zmianę?")"
check "cancelled: nothing more sent" 1 "$(logged extended-modify)"

# --- a batch across a listed device (.71) and a live host (.72)
out=$(run 0 batch --devices 10.1.0.63,10.1.0.64 --start-ip 10.1.0.70 --password 12345 --no-verify)
check "the summary keeps its text and lists the skips" "$success
Pominięto zajęty adres IP 10.1.0.71 (00:12:34:00:07:01 Zajmuje)
Pominięto zajęty adres IP 10.1.0.72 (odpowiada na ping)" "$out"
check "a stderr line for the listed device" yes \
    "$(stderr_has "lorvena-cli: 10.1.0.71 is in use (listed device 00:12:34:00:07:01 Zajmuje), skipped")"
check "a stderr line for the live host" yes \
    "$(stderr_has "lorvena-cli: 10.1.0.72 is in use (a host answering ping), skipped")"
check "the first device took the start address" "00:12:34:00:06:03" "$(macs_at 10.1.0.70)"
check "the second took the next free one" "00:12:34:00:06:04" "$(macs_at 10.1.0.73)"
check "the occupied address kept its device" "00:12:34:00:07:01" "$(macs_at 10.1.0.71)"

lab_finish cli_conflict_test.sh
