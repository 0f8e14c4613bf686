#!/usr/bin/env bash
# lorvena-cli with simulated ONVIF devices beside UDP ones, end to end in the
# lab (WS-Discovery multicast across the segment's bridge):
#  - a new-generation search lists UDP and ONVIF devices together: an ONVIF
#    device at a UDP device's address is not listed again, an ONVIF row has
#    the cells of the library's record, and a device that does not answer
#    multicast probes is found only in "ONVIF tryb maski" (--onvif-mask);
#  - a device whose clock runs three hours ahead is logged into and moved to
#    a new address by `set` (no message box: the CLI's own lines);
#  - a wrong password fails the login and changes nothing;
#  - a batch of a UDP and an ONVIF device gives them consecutive addresses;
# and the next search shows every new address.
# Usage: cli_onvif_test.sh BUILD_DIR   (exit 77 = skipped: not root)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"

lab_use_build cli_onvif_test.sh "${1:-}"

# How long each search listens: the simulated devices answer a probe within
# half a second, the rest is room for a loaded machine.
listen_seconds=2
check() { lab_check "$@"; }

# run EXPECTED-EXIT ARGS...: runs the CLI in the host namespace, prints its
# stdout; its stderr is kept in $LAB_DIR/stderr.
run() {
    local expected=$1
    shift
    lab_run "$expected" "$cli" "$@" --mode new --wait "$listen_seconds"
}

# The listed rows (CSV without the header and the row number), sorted by
# address; extra search options may be given.
rows() {
    lab_host_exec "$cli" search --mode new --wait "$listen_seconds" --format csv "$@" | tr -d '\r' | tail -n +2 | cut -d, -f2- |
        sort -t, -k4,4
}
# The row of ADDRESS in ROWS.
row_of() { awk -F, -v ip="$2" '$4 == ip' <<<"$1"; }
# ROWS without their MAC cells: ONVIF devices show the MAC the host's
# neighbour table holds for them, the segment's link here.
without_mac() { cut -d, -f1-7,9- <<<"$1"; }
log_has() { grep -qxF -- "$1" "${LAB_DEVSIM_LOG[1]}"; }
# The CLI's lines with an ONVIF row's MAC (the link's, see above) as MAC.
some_mac() { sed -E 's/^(verified|not seen): [0-9A-F]{12} /\1: MAC /'; }

lab_init
lab_add_segment 1
lab_enable_multicast 1
cat >"$LAB_DIR/devices.json" <<'JSON'
{"devices": [
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Kamera UDP", "ip": "10.1.0.20", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:00:20", "type": 300, "password": "haslo1"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Partia UDP", "ip": "10.1.0.60", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:00:60", "type": 300, "password": "haslo1"}
]}
JSON
cat >"$LAB_DIR/onvif.json" <<'JSON'
{"onvifDevices": [
  {"ip": "10.1.0.20", "port": 8000, "name": "Ten sam adres", "password": "haslo1"},
  {"ip": "10.1.0.40", "prefix": 16, "gateway": "10.1.0.1", "dns": "10.1.0.1", "name": "Kamera ONVIF",
   "password": "haslo1", "clockOffsetSeconds": 10800, "anonymousReads": true},
  {"ip": "10.1.0.50", "name": "Zle haslo", "password": "haslo1"},
  {"ip": "10.1.0.70", "name": "Partia ONVIF", "password": "haslo1", "videoTransmitter": false},
  {"ip": "10.1.1.200", "name": "Tylko maska", "password": "haslo1", "multicast": false}
]}
JSON
lab_start_devsim 1 --devices "$LAB_DIR/devices.json" --onvif-devices "$LAB_DIR/onvif.json"

# --- one list for both kinds
listed=$(rows)
check "every address once; the UDP row keeps 10.1.0.20; no mask-only device" \
    "10.1.0.20 IPCAMERA
10.1.0.40 
10.1.0.50 
10.1.0.60 IPCAMERA
10.1.0.70 " "$(awk -F, '{print $4, $1}' <<<"$listed")"
check "an ONVIF row's cells" ",Kamera ONVIF,,10.1.0.40,255.255.0.0,10.1.0.1,10.1.0.1,80,80,0,Nieaktywne,900" \
    "$(without_mac "$(row_of "$listed" 10.1.0.40)")"
check "an ONVIF row's MAC: twelve hexadecimal digits" 1 \
    "$(row_of "$listed" 10.1.0.40 | cut -d, -f8 | grep -cxE '[0-9A-F]{12}' || true)"
check "a device that is no video transmitter" 999 "$(row_of "$listed" 10.1.0.70 | cut -d, -f13)"
# High in the swept /22 on purpose: probes to addresses nobody holds wait
# for ARP in the send buffers, and the sweep must get past them. Meanwhile
# the host namespace's incomplete neighbour entries are counted: the table
# is shared by the whole machine, and a sweep that asked the /22 at once
# (over a thousand lookups) would fill it and make the kernel drop other
# programs' packets.
incomplete_peak=$LAB_DIR/incomplete-peak
(
    peak=0
    while :; do
        count=$(ip -n "$LAB_HOST_NS" neigh show nud incomplete | wc -l)
        ((count > peak)) && peak=$count && echo "$peak" >"$incomplete_peak"
        sleep 0.05
    done
) &
sampler=$!
mask_rows=$(rows --onvif-mask)
kill "$sampler"
wait "$sampler" 2>/dev/null || true
check "the mask mode also asks every address of the subnet" ",Tylko maska,,10.1.1.200" \
    "$(row_of "$mask_rows" 10.1.1.200 | cut -d, -f1-4)"
peak=$(cat "$incomplete_peak" 2>/dev/null || echo 0)
check "the sweep kept at most 256 lookups in flight (peak $peak), and some" yes \
    "$( ((peak > 0 && peak <= 256)) && echo yes || echo no)"

# --- single changes: no message box, the CLI's own lines
check "a device three hours ahead is moved, and answers at its new address" \
    "onvif: settings handed to the device
onvif: the device took the change
verified: MAC at 10.1.0.41" \
    "$(run 0 set --device 10.1.0.40 --new-ip 10.1.0.41 --mask 255.255.0.0 --gateway 10.1.0.1 --password haslo1 |
        some_mac)"
log_has "onvif SetNetworkInterfaces 10.1.0.40 ok" || check "the device was asked to change" "logged" "missing"
log_has "onvif-applied 10.1.0.40:80 10.1.0.41:80" || check "the new address took effect" "logged" "missing"
check "a wrong password" "onvif: login failed (wrong password, or no answer from the device)" \
    "$(run 1 set --device 10.1.0.50 --new-ip 10.1.0.51 --mask 255.255.0.0 --password nope)"
log_has "onvif GetNetworkInterfaces 10.1.0.50 auth-failed" || check "the login was refused" "logged" "missing"

# --- a batch of both kinds. The ONVIF row, clicked last, puts its one port
# into both port fields: the camera's rule wants them apart.
check "batch of a UDP and an ONVIF device, both seen at their new addresses" "Zmiana zakończona powodzeniem
verified: 00:12:34:00:00:60 at 10.1.2.1
verified: MAC at 10.1.2.2" \
    "$(run 0 batch --devices 10.1.0.60,10.1.0.70 --start-ip 10.1.2.1 --mask 255.255.0.0 --gateway 10.1.0.1 \
        --rtsp-port 554 --password haslo1 | some_mac)"
check "each device of the batch changed" "10.1.0.60: changed
10.1.0.70: changed" "$(cat "$LAB_DIR/stderr")"

# --- the next search shows the new addresses
check "the list after the changes" \
    "10.1.0.20 IPCAMERA
10.1.0.41 
10.1.0.50 
10.1.2.1 IPCAMERA
10.1.2.2 " "$(rows | awk -F, '{print $4, $1}' | sort -V)"

lab_finish cli_onvif_test
