#!/usr/bin/env bash
# After a change reported as done, lorvena-cli looks for each device at its
# new settings and says so, end to end in the lab:
#  - an old-generation device (its change gets no reply) is seen by the next
#    old search at its new address: "verified", exit 0;
#  - a device put on DHCP counts as seen at whatever address it answers,
#    but only once it reports DHCP on (one that ignored it is "not seen");
#  - an extended device that answers "accepted" but keeps its old address is
#    "not seen", exit 4 (and exit 0 with --no-verify, without the line);
#  - a batch of three where the middle device ignores the change: two
#    verified, one not seen, exit 4.
# Usage: cli_verify_test.sh BUILD_DIR   (exit 77 = skipped: not root)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"

lab_use_build cli_verify_test.sh "${1:-}"
listen_seconds=2
# Long enough for a loaded machine to see a device that did move; only the
# devices that never move wait it out.
verify_seconds=4

check() { lab_check "$@"; }
run() {
    local expected=$1
    shift
    lab_run "$expected" "$cli" "$@" --wait "$listen_seconds" --verify-wait "$verify_seconds"
}

lab_init
lab_add_segment 1
cat >"$LAB_DIR/devices.json" <<'JSON'
{"devices": [
  {"generations": ["old"], "kind": "DVR", "name": "Stary", "ip": "10.1.0.10", "mask": "255.255.0.0",
   "mac": "00:12:34:00:00:10"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Na DHCP", "ip": "10.1.0.20", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:00:20", "type": 300, "password": "12345"},
  {"generations": ["extended"], "kind": "NVR", "name": "Uparty", "ip": "10.1.0.40", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:00:40", "type": 610, "password": "12345",
   "keepsAddress": true},
  {"generations": ["extended"], "kind": "NVR", "name": "Partia 1", "ip": "10.1.1.1", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:01:01", "mac_text": "00-12-34-00-01-01",
   "type": 610, "password": "12345"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Partia 2", "ip": "10.1.1.2", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:01:02", "type": 300, "password": "12345",
   "keepsAddress": true},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Partia 3", "ip": "10.1.1.3", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:01:03", "type": 300, "password": "12345"}
]}
JSON
lab_start_devsim 1 --devices "$LAB_DIR/devices.json"
success="Zmiana zakończona powodzeniem"

check "old generation: no reply to the change, seen by the next search" "$success
verified: 00:12:34:00:00:10 at 10.1.0.11" \
    "$(run 0 set --mode old --device 10.1.0.10 --new-ip 10.1.0.11 --mask 255.255.0.0 --gateway 0.0.0.0)"
check "DHCP on: any address will do" "$success
verified: 00:12:34:00:00:20 at 10.1.0.20" \
    "$(run 0 set --mode new --device 10.1.0.20 --dhcp on --password 12345)"
check "DHCP on, but the device kept its fixed address: not seen" "$success
not seen: 00:12:34:00:01:02 expected at DHCP" \
    "$(run 4 set --mode new --device 10.1.1.2 --dhcp on --password 12345)"
check "accepted but still at the old address: not seen" "$success
not seen: 00:12:34:00:00:40 expected at 10.1.0.41" \
    "$(run 4 set --mode new --device 10.1.0.40 --new-ip 10.1.0.41 --password 12345)"
check "--no-verify: the exit status as before, no line" "$success" \
    "$(run 0 set --mode new --device 10.1.0.40 --new-ip 10.1.0.41 --password 12345 --no-verify)"
check "a batch where one device ignores the change" "$success
verified: 00-12-34-00-01-01 at 10.1.2.1
not seen: 00:12:34:00:01:02 expected at 10.1.2.2
verified: 00:12:34:00:01:03 at 10.1.2.3" \
    "$(run 4 batch --mode new --devices 10.1.1.1,10.1.1.2,10.1.1.3 --start-ip 10.1.2.1 --password 12345)"
check "the batch's own lines: every device was sent its change" "10.1.1.1: changed
10.1.1.2: changed
10.1.1.3: changed" "$(cat "$LAB_DIR/stderr")"

lab_finish cli_verify_test
