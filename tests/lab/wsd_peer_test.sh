#!/usr/bin/env bash
# Our WS-Discovery layer against a third-party peer: Debian's wsdd runs in a
# lab segment's device namespace, and lorvena-wsd-peer-probe sends our Probe
# (with the Types wsdd answers) from the host namespace. Checks that wsdd
# takes our message as a Probe, and that our reader gets wsdd's endpoint and
# types out of its ProbeMatches.
# wsdd is not a build dependency (its package starts an announcing service
# on ordinary machines): without it the test is skipped, loudly.
# Usage: wsd_peer_test.sh BUILD_DIR   (exit 77 = skipped: not root, or no wsdd)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"

build_dir=$(cd "${1:?usage: wsd_peer_test.sh BUILD_DIR}" && pwd)
lab_require_root
probe=$build_dir/tests/onvif/lorvena-wsd-peer-probe
if ! command -v wsdd >/dev/null; then
    echo "*** SKIPPED: wsdd is not installed (apt-get install wsdd to check our WS-Discovery against it)" >&2
    exit 77
fi

uuid=4c6f7276-656e-6100-0000-0000000000a1
lab_init
lab_add_segment 1
lab_enable_multicast 1
wsdd_log=$LAB_DIR/wsdd.log
lab_device_exec 1 wsdd -i "${LAB_DEVICE_IF[1]}" -4 -t -v -U "$uuid" -n LORVENA-PEER >"$wsdd_log" 2>&1 &
wsdd_pid=$!
trap 'kill "$wsdd_pid" 2>/dev/null || true; wait "$wsdd_pid" 2>/dev/null || true; lab_teardown' EXIT

for _ in $(seq 50); do
    grep -q "joined multicast group" "$wsdd_log" && break
    sleep 0.1
done
if ! grep -q "joined multicast group" "$wsdd_log"; then
    echo "FAIL: wsdd did not join the discovery group:" >&2
    cat "$wsdd_log" >&2
    exit 1
fi

output=$(lab_host_exec "$probe" "${LAB_HOST_ADDR[1]}" 3000)
message_id=$(sed -n 's/^sent //p' <<<"$output")
kill "$wsdd_pid" 2>/dev/null || true
wait "$wsdd_pid" 2>/dev/null || true
grep -qF "Probe $message_id UDP" "$wsdd_log" ||
    lab_fail "wsdd did not take our message as a Probe: $(cat "$wsdd_log")"
# wsdd repeats its answer, as SOAP over UDP allows.
lab_check "our reader gets wsdd's ProbeMatch" "match urn:uuid:$uuid types=wsdp:Device,pub:Computer xaddrs=" \
    "$(grep '^match ' <<<"$output" | sort -u)"
lab_finish wsd_peer_test
