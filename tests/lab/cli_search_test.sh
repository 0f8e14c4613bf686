#!/usr/bin/env bash
# lorvena-cli searches three lab segments at once, in both generations, and
# lists exactly the devices the simulators play:
#  - each request leaves once from each segment's host address, on its own
#    interface (the simulators' request logs tell);
#  - a device reachable on two segments is listed once;
#  - a factory-default address outside every segment's subnet is found;
#  - the cell texts are exact (Windows-1250 names, DHCP, type codes, ports,
#    MAC formats, a 127-character firmware shown empty, a 64-character name
#    cut to 63 in the old layout);
#  - a basic-only device of an unknown kind is not listed.
# Usage: cli_search_test.sh BUILD_DIR   (exit 77 = skipped: not root)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"

lab_use_build cli_search_test.sh "${1:-}"

check() { lab_check "$@"; }

# The CLI's CSV without its header and row numbers, sorted: arrival order
# between devices is not fixed, the cells are.
rows_of() {
    tr -d '\r' | tail -n +2 | cut -d, -f2- | sort
}

# Request lines of one kind in segment K's log: "<address text> <interface>".
requests_in() {
    awk -v kind="$2" '$1 == kind { print $3, $4 }' "${LAB_DEVSIM_LOG[$1]}"
}

# search MODE FORMAT: a search, its records kept (lab_snapshot), and a check
# that each segment's devsim logged that search's requests: a device missing
# from the list then tells a lost request from a lost reply.
search() {
    local mode=$1 format=$2 k output
    local -A before=()
    for k in 1 2 3; do before[$k]=$(grep -c . "${LAB_DEVSIM_LOG[$k]}" || true); done
    output=$(lab_run 0 "$cli" search --mode "$mode" --wait 2 --format "$format")
    local expected=1
    [[ $mode == new ]] && expected=2 # the basic and the extended request
    for k in 1 2 3; do
        check "segment $k logged the $mode $format search's requests" "$expected" \
            "$(tail -n +"$((before[$k] + 1))" "${LAB_DEVSIM_LOG[$k]}" | grep -c -E '^(old|basic|extended) ' || true)"
    done
    printf '%s' "$output"
}

lab_init
for k in 1 2 3; do
    lab_add_segment "$k"
done

twin='{"kind": "NVR", "name": "Rejestrator główny", "firmware": "V4.0.0", "ip": "172.16.0.5",
       "mask": "255.255.0.0", "gateway": "172.16.0.1", "dns": "172.16.0.1", "mac": "00:12:34:00:12:05",
       "channels": 32, "type": 610}'
long_firmware=$(printf 'F%.0s' {1..127})
long_name=$(printf 'S%.0s' {1..64})

cat >"$LAB_DIR/segment-1.json" <<EOF
{"devices": [
  {"kind": "IPCAMERA", "name": "Kamera parking", "firmware": "V5.5.0", "ip": "10.1.0.10", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:01:10", "type": 1},
  {"kind": "DVR", "name": "Rejestrator Łódź", "firmware": "V3.2.1", "ip": "192.168.1.108",
   "mask": "255.255.255.0", "gateway": "192.168.1.1", "dns": "192.168.1.1", "mac": "00:12:34:00:01:08",
   "http_port": 8080, "channels": 16, "dhcp": true, "type": 520, "encoding": "windows-1250"},
  $twin
]}
EOF
cat >"$LAB_DIR/segment-2.json" <<EOF
{"devices": [
  $twin,
  {"generations": ["extended"], "kind": "XVR", "name": "Rejestrator XVR", "firmware": "$long_firmware",
   "ip": "10.2.0.20", "mask": "255.255.0.0", "gateway": "10.2.0.1", "dns": "10.2.0.1",
   "mac": "00:12:34:00:02:20", "mac_text": "00-12-34-00-02-20", "channels": 8, "type": 700},
  {"generations": ["basic"], "kind": "IPC", "name": "Nieznany", "ip": "10.2.0.25", "mac": "00:12:34:00:02:25"},
  {"kind": "DECODER", "name": "Dekoder sali", "firmware": "V2.0", "ip": "10.2.0.30", "mask": "255.255.0.0",
   "gateway": "10.2.0.1", "dns": "10.2.0.1", "mac": "00:12:34:00:02:30", "channels": 4, "type": 800}
]}
EOF
cat >"$LAB_DIR/segment-3.json" <<EOF
{"devices": [
  {"kind": "HVR", "name": "Hybryda", "firmware": "V1.9", "ip": "10.3.0.40", "mask": "255.255.0.0",
   "gateway": "10.3.0.1", "dns": "10.3.0.1", "mac": "00:12:34:00:03:40", "http_port": 8080,
   "rtsp_port": 8554, "channels": 4, "dhcp": true, "type": 699},
  {"generations": ["old"], "kind": "DVR", "name": "$long_name", "ip": "10.3.0.50", "mask": "255.255.0.0",
   "mac": "00:12:34:00:03:50", "channels": 4}
]}
EOF
for k in 1 2 3; do
    lab_start_devsim "$k" --devices "$LAB_DIR/segment-$k.json"
done

# --- new generation ----------------------------------------------------------
new_rows=$(search new csv | rows_of)
check "new-generation rows" "$(sort <<'EOF'
IPCAMERA,Kamera parking,V5.5.0,10.1.0.10,255.255.0.0,10.1.0.1,10.1.0.1,00:12:34:00:01:10,80,554,1,Nieaktywne,1
DVR,Rejestrator Łódź,V3.2.1,192.168.1.108,255.255.255.0,192.168.1.1,192.168.1.1,00:12:34:00:01:08,8080,554,16,Aktywne,520
NVR,Rejestrator główny,V4.0.0,172.16.0.5,255.255.0.0,172.16.0.1,172.16.0.1,00:12:34:00:12:05,80,554,32,Nieaktywne,610
XVR,Rejestrator XVR,,10.2.0.20,255.255.0.0,10.2.0.1,10.2.0.1,00-12-34-00-02-20,80,554,8,Nieaktywne,700
DECODER,Dekoder sali,V2.0,10.2.0.30,255.255.0.0,10.2.0.1,10.2.0.1,00:12:34:00:02:30,80,554,4,Nieaktywne,800
HVR,Hybryda,V1.9,10.3.0.40,255.255.0.0,10.3.0.1,10.3.0.1,00:12:34:00:03:40,8080,8554,4,Aktywne,699
EOF
)" "$new_rows"

for k in 1 2 3; do
    check "segment $k: one basic request, from 10.$k.0.1, on its own interface" \
        "10.$k.0.1 ${LAB_DEVICE_IF[$k]}" "$(requests_in "$k" basic)"
    check "segment $k: one extended request, on its own interface" \
        "- ${LAB_DEVICE_IF[$k]}" "$(requests_in "$k" extended)"
done

json=$(search new json)
check "JSON lists the same six devices" 6 "$(grep -c '"nr":' <<<"$json")"
check "JSON row numbers run 1..6" "$(seq -f '"nr": "%g",' 1 6)" "$(grep -o '"nr": "[0-9]*",' <<<"$json")"

# --- old generation ----------------------------------------------------------
old_rows=$(search old csv | rows_of)
check "old-generation rows" "$(sort <<EOF
IPCAMERA,Kamera parking,10.1.0.10,255.255.0.0,00:12:34:00:01:10,80,554,1
DVR,Rejestrator Łódź,192.168.1.108,255.255.255.0,00:12:34:00:01:08,8080,554,16
NVR,Rejestrator główny,172.16.0.5,255.255.0.0,00:12:34:00:12:05,80,554,32
DECODER,Dekoder sali,10.2.0.30,255.255.0.0,00:12:34:00:02:30,80,554,4
HVR,Hybryda,10.3.0.40,255.255.0.0,00:12:34:00:03:40,8080,8554,4
DVR,${long_name:0:63},10.3.0.50,255.255.0.0,00:12:34:00:03:50,80,554,4
EOF
)" "$old_rows"
for k in 1 2 3; do
    check "segment $k: one old-mode request, from 10.$k.0.1" "10.$k.0.1 ${LAB_DEVICE_IF[$k]}" "$(requests_in "$k" old)"
done

lab_finish cli_search_test
