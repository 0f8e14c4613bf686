#!/usr/bin/env bash
# lorvena-cli chooses exactly the device the installer named, end to end in
# the lab, and refuses what it can before sending anything:
#  - values no device could take, options the old generation has no field
#    for and a missing package exit 2 without a single datagram;
#  - three factory-default recorders at one address (different MACs, each
#    spelled its own way): --device is refused with the candidates, --mac
#    changes exactly the chosen one, a batch takes MACs for its entries;
#  - an upgrade by MAC to a shared address is refused (the package would go
#    to whichever device answers), as is an address for a device on DHCP;
# and the next search shows who moved and who kept the address.
# Usage: cli_select_test.sh BUILD_DIR   (exit 77 = skipped: not root)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"

lab_use_build cli_select_test.sh "${1:-}"
# How long each search listens: the devices answer at once, the rest is room
# for a machine busy with the other tests.
listen_seconds=2

check() { lab_check "$@"; }

# run EXPECTED-EXIT ARGS...: runs the CLI in the host namespace, prints its
# stdout; its stderr is in $LAB_DIR/stderr.
run() {
    local expected=$1
    shift
    lab_run "$expected" "$cli" "$@" --wait "$listen_seconds"
}

# stderr_has TEXT: whether the last run's standard error contains TEXT.
stderr_has() { grep -qF -- "$1" "$LAB_DIR/stderr" && echo yes || echo "no: $(cat "$LAB_DIR/stderr")"; }

# The MACs listed at ADDRESS by the next search, one a line, in list order.
macs_at() {
    lab_host_exec "$cli" search --mode new --wait "$listen_seconds" --format csv | tr -d '\r' |
        awk -F, -v ip="$1" '$5 == ip { print $9 }'
}

logged() { grep -c -- "$1" "${LAB_DEVSIM_LOG[1]}" || true; }

lab_init
lab_add_segment 1
cat >"$LAB_DIR/devices.json" <<'JSON'
{"devices": [
  {"generations": ["extended"], "kind": "NVR", "name": "Pierwszy", "ip": "192.168.1.108",
   "mask": "255.255.255.0", "gateway": "192.168.1.1", "dns": "192.168.1.1", "mac": "00:12:34:00:01:01",
   "type": 610, "password": "12345"},
  {"generations": ["extended"], "kind": "NVR", "name": "Drugi\u001b]0;tytul\u0007\u001b[31m", "ip": "192.168.1.108",
   "mask": "255.255.255.0", "gateway": "192.168.1.1", "dns": "192.168.1.1", "mac": "00:12:34:00:01:02",
   "mac_text": "00-12-34-00-01-02", "type": 610, "password": "12345"},
  {"generations": ["extended"], "kind": "NVR", "name": "Trzeci", "ip": "192.168.1.108",
   "mask": "255.255.255.0", "gateway": "192.168.1.1", "dns": "192.168.1.1", "mac": "00:12:34:00:01:03",
   "mac_text": "001234000103", "type": 1000, "password": "12345"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Fabryczna A", "ip": "192.168.1.64",
   "mask": "255.255.255.0", "gateway": "192.168.1.1", "mac": "00:12:34:00:06:01", "type": 300, "password": "12345"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Fabryczna B", "ip": "192.168.1.64",
   "mask": "255.255.255.0", "gateway": "192.168.1.1", "mac": "00:12:34:00:06:02", "type": 300, "password": "12345"},
  {"generations": ["old"], "kind": "DVR", "name": "Stary DVR", "ip": "10.1.0.10", "mask": "255.255.0.0",
   "mac": "00:12:34:00:00:10"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Na DHCP", "ip": "10.1.0.20", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:00:20", "type": 300, "password": "12345",
   "dhcp": true}
]}
JSON
lab_start_devsim 1 --devices "$LAB_DIR/devices.json"
success="Zmiana zakończona powodzeniem"
package=$LAB_DIR/firmware.package
head -c 1000 /dev/urandom >"$package"

# --- refused before the search: exit 2, the option named, nothing sent
run 2 set --mode old --device 10.1.0.10 --http-port 99999 >/dev/null
check "a port out of range is named" yes "$(stderr_has "--http-port")"
run 2 set --mode old --device 10.1.0.10 --http-port 8080 >/dev/null
check "the old generation has no HTTP port field" yes "$(stderr_has "--http-port has no field in the old generation")"
run 2 set --mode old --device 10.1.0.10 --new-ip 10.1.0.11 --password 12345 >/dev/null
check "the old generation has no password field" yes "$(stderr_has "--password")"
run 2 set --mode new --device 10.1.0.10 --mask 255.0.255.0 --password 12345 >/dev/null
check "a mask that is no mask" yes "$(stderr_has "--mask")"
run 2 set --mode=new --device=10.1.0.10 --mask=255.0.255.0 --password=12345 >/dev/null
check "a usage error is one line naming the option, then where to read more" \
    "lorvena-cli: --mask takes a network mask (ones from the top, then zeros, e.g. 255.255.255.0), not '255.0.255.0'
try 'lorvena-cli help set'" "$(cat "$LAB_DIR/stderr")"
run 2 batch --mode new --devices 10.1.0.10,10.1.0.20 --start-ip 10.1.2.255 --password 12345 >/dev/null
check "a start address no device may take" yes "$(stderr_has "--start-ip")"
run 2 upgrade --device 10.1.0.10 --file "$LAB_DIR/none.package" --password 12345 >/dev/null
check "a missing package" yes "$(stderr_has "--file '$LAB_DIR/none.package': Invalid uploading file!")"
check "no datagram at all for refused arguments" 0 "$(grep -c . "${LAB_DEVSIM_LOG[1]}" || true)"

# --- three devices at one address
run 2 set --mode new --device 192.168.1.108 --new-ip 192.168.1.20 --password 12345 >/dev/null
for candidate in 00:12:34:00:01:01 00-12-34-00-01-02 001234000103 --mac; do
    check "--device at a shared address names $candidate" yes "$(stderr_has "$candidate")"
done
run 2 upgrade --device 192.168.1.108 --file "$package" --password 12345 >/dev/null
check "upgrade --device at a shared address is refused too" yes "$(stderr_has "00-12-34-00-01-02")"
# A name built to drive a terminal reaches it only as replacement marks.
check "no control character of a device's name reaches the terminal" "0 yes" \
    "$(grep -c $'\x1b' "$LAB_DIR/stderr" || true) $(stderr_has "Drugi�]0;tytul��[31m")"
run 2 upgrade --mac 00:12:34:00:01:01 --file "$package" --password 12345 >/dev/null
check "an upgrade by MAC to a shared address" yes "$(stderr_has "shares the address 192.168.1.108")"
check "nothing was changed or uploaded" "0 0" "$(logged -modify) $(logged upgrade-command)"
# Cameras of the basic search at one address list as one row; the address
# still picks none of them, and neither MAC can be reached alone.
run 2 set --mode new --device 192.168.1.64 --new-ip 192.168.1.70 --password 12345 >/dev/null
for candidate in 00:12:34:00:06:01 00:12:34:00:06:02; do
    check "--device at an address shared by basic cameras names $candidate" yes "$(stderr_has "$candidate")"
    run 2 set --mode new --mac "$candidate" --new-ip 192.168.1.70 --password 12345 >/dev/null
    check "--mac $candidate at that address is refused" yes "$(stderr_has "Connect it on its own")"
done
check "nothing was sent to the basic cameras" "0 0" "$(logged basic-modify) $(logged 'http /vb')"
run 3 set --mode new --mac 00:12:34:00:09:99 --new-ip 192.168.1.20 --password 12345 >/dev/null
check "a MAC that is not listed" yes "$(stderr_has "no device with MAC 00:12:34:00:09:99")"

check "--mac changes the chosen device" "$success
verified: 00-12-34-00-01-02 at 192.168.1.20" \
    "$(run 0 set --mode new --mac 00:12:34:00:01:02 --new-ip 192.168.1.20 --password 12345)"
check "one modify request, for the chosen MAC" 1 "$(logged -modify)"
check "the chosen device moved" "00-12-34-00-01-02" "$(macs_at 192.168.1.20)"
check "the others kept the address" "001234000103 00:12:34:00:01:01" "$(macs_at 192.168.1.108 | LC_ALL=C sort | xargs)"

check "a batch by MACs" "$success
verified: 001234000103 at 192.168.1.30
verified: 00:12:34:00:01:01 at 192.168.1.31" \
    "$(run 0 batch --mode new --devices 001234000103,00-12-34-00-01-01 --start-ip 192.168.1.30 --password 12345)"
check "the batch's first entry" "001234000103" "$(macs_at 192.168.1.30)"
check "the batch's second entry" "00:12:34:00:01:01" "$(macs_at 192.168.1.31)"
check "nobody left at the factory address" "" "$(macs_at 192.168.1.108)"

# --- a device on DHCP takes no address: refused, not reported done
run 2 set --mode new --device 10.1.0.20 --new-ip 10.1.0.21 --password 12345 >/dev/null
check "an address for a device on DHCP" yes "$(stderr_has "--dhcp off")"
check "no request went to the device on DHCP" 0 "$(logged "basic-modify")"

lab_finish cli_select_test
