#!/usr/bin/env bash
# Proves the lab's plumbing with lorvena-devsim alone:
#  - a search sent from a socket bound to one host address leaves through the
#    interface owning that address only: each segment's devsim gets exactly
#    one copy, carrying that segment's host address, on its own interface;
#  - every device replies from its own address, including one outside the
#    segment's subnet, and the replies reach the host namespace;
#  - a modify request moves a device: its alias, and the replies after it;
#  - the loopback-only variant works;
#  - teardown leaves no namespace behind.
# Usage: lab_selftest.sh BUILD_DIR   (exit 77 = skipped: not root)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"

build_dir=${1:?usage: lab_selftest.sh BUILD_DIR}
lab_require_root
LAB_DEVSIM_BIN=$(cd "$build_dir" && pwd)/tools/devsim/lorvena-devsim
if [[ ! -x $LAB_DEVSIM_BIN ]]; then
    echo "lab_selftest: $LAB_DEVSIM_BIN is missing; build lorvena-devsim first" >&2
    exit 1
fi
# Longest wait for replies; the sender stops as soon as all have arrived.
reply_wait=${LAB_SELFTEST_WAIT:-10}

passed=0
failed=0
check() { # check DESCRIPTION EXPECTED ACTUAL
    if [[ $2 == "$3" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL: %s\n  expected: %s\n  actual:   %s\n' "$1" "${2//$'\n'/ | }" "${3//$'\n'/ | }" >&2
    fi
}

# search K KIND FROM EXPECTED-COUNT: one search from the host namespace;
# prints "<kind> <source ip> <ip in payload>" per reply, sorted.
search() {
    lab_host_exec "$LAB_DEVSIM_BIN" --send-search "$2" --from "$3" --wait "$reply_wait" --expect "$4" |
        awk '$1 != "received" { sub(/:[0-9]+$/, "", $2); print $1, $2, $4 }' | sort
}

# The request log with the source port dropped.
log_of() {
    sed -E 's/^([a-z]+ [0-9.]+):[0-9]+ /\1 /' "${LAB_DEVSIM_LOG[$1]}"
}

# --- three segments ----------------------------------------------------------
lab_init
cat >"$LAB_DIR/factory-default.json" <<'EOF'
{"devices": [{"kind": "IPC", "ip": "192.168.1.108", "mac": "02:00:00:00:01:08", "name": "factory default"}]}
EOF
for k in 1 2 3; do
    lab_add_segment "$k"
done
lab_start_devsim 1 --generate 2 --first-ip 10.1.1.1 --devices "$LAB_DIR/factory-default.json"
lab_start_devsim 2 --generate 2 --first-ip 10.2.1.1
lab_start_devsim 3 --generate 2 --first-ip 10.3.1.1

# Each device replies from its own address: source and payload address agree.
expected_replies() { # KIND ADDRESS...
    local kind=$1
    shift
    for address in "$@"; do echo "$kind $address $address"; done | sort
}
# segment, kind, the devices it must reach
sends=(
    "1 basic 10.1.1.1 10.1.1.2 192.168.1.108"
    "2 basic 10.2.1.1 10.2.1.2"
    "3 basic 10.3.1.1 10.3.1.2"
    "1 old 10.1.1.1 10.1.1.2 192.168.1.108"
    "1 extended 10.1.1.1 10.1.1.2 192.168.1.108"
)
for send in "${sends[@]}"; do
    read -r k kind devices <<<"$send"
    read -ra device_list <<<"$devices"
    check "$kind search from ${LAB_HOST_ADDR[$k]}: replies" \
        "$(expected_replies "$kind" "${device_list[@]}")" \
        "$(search "$k" "$kind" "${LAB_HOST_ADDR[$k]}" "${#device_list[@]}")"
done

# Exactly the requests sent into each segment, once each, on its interface.
check "segment 1 received" \
    "basic 10.1.0.1 10.1.0.1 ${LAB_DEVICE_IF[1]}
old 10.1.0.1 10.1.0.1 ${LAB_DEVICE_IF[1]}
extended 10.1.0.1 - ${LAB_DEVICE_IF[1]}" "$(log_of 1)"
check "segment 2 received" "basic 10.2.0.1 10.2.0.1 ${LAB_DEVICE_IF[2]}" "$(log_of 2)"
check "segment 3 received" "basic 10.3.0.1 10.3.0.1 ${LAB_DEVICE_IF[3]}" "$(log_of 3)"

# Modify requests move two devices of segment 2: a basic one inside the
# segment's /16, an extended one (password "admin") outside it, answered from
# the old address. The next search finds both at their new addresses.
lab_host_exec "$LAB_DEVSIM_BIN" --send-modify basic --from 10.2.0.1 --current 10.2.1.2 --new-ip 10.2.7.7 >/dev/null
check "extended modify: status" "status 0" "$(lab_host_exec "$LAB_DEVSIM_BIN" --send-modify extended --from 10.2.0.1 \
    --current 10.2.1.1 --mac 02:4C:56:00:00:00 --password admin --new-ip 192.168.5.5 --wait "$reply_wait" | tail -n 1)"
check "search after the modifies: replies" "$(expected_replies basic 10.2.7.7 192.168.5.5)" \
    "$(search 2 basic 10.2.0.1 2)"
check "the aliases moved" "10.2.7.7/16 192.168.5.5/32" \
    "$(lab_device_exec 2 ip -o -4 addr show dev "${LAB_DEVICE_IF[2]}" | awk '$4 != "10.2.0.2/16" { print $4 }' | sort | xargs)"

namespaces_of_run="lvlab-$$-$LAB_ID-"
lab_teardown
check "teardown removed every namespace" "0" "$(ip netns list | grep -c -- "$namespaces_of_run" || true)"

# --- loopback-only variant ---------------------------------------------------
lab_init --loopback
lab_start_devsim 0 --generate 2 --first-ip 10.9.0.1
# No aliases here: both devices reply from the listening socket.
check "loopback search: replies" \
    "$(printf 'basic 127.0.0.1 10.9.0.1\nbasic 127.0.0.1 10.9.0.2')" \
    "$(search 0 basic 127.0.0.1 2)"
check "loopback received" "basic 127.0.0.1 127.0.0.1 lo" "$(log_of 0)"
lab_teardown
check "every devsim exited cleanly" 0 "$LAB_DEVSIM_FAILURES"

echo "lab_selftest: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
