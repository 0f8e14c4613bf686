# shellcheck shell=bash
# shellcheck disable=SC2034 # the LAB_* state is read by the scripts sourcing this
# The lab: network namespaces where the tool and simulated devices talk as on
# a real LAN, without a single search leaving this machine's own namespace.
# Source this file; it defines functions only.
#
#   host namespace ($LAB_HOST_NS)          device namespace of segment K
#   tool runs here                          lorvena-devsim runs here
#   bridge lbK-<tag> 10.K.0.1/16 ---veth--- ldK-<tag> 10.K.0.2/16
#                                           + every device address as an alias
#
# Devices whose address lies outside 10.K.0.0/16 (a factory default such as
# 192.168.1.108) get a /32 alias; reverse-path filtering is off in the host
# namespace so that their replies are still received, as they are on a real
# installer's laptop.
#
# The loopback variant (lab_init --loopback) is one namespace with only lo,
# up; devsim runs there too (segment 0) and gets no aliases, so replies come
# from 127.0.0.1 unless a device's address is in 127.0.0.0/8.
#
# Everything is named after this shell's PID plus a random part, so a
# leftover of an interrupted run never collides with a new one, and it is
# all removed on exit, Ctrl-C or TERM.
#
# Settings (set before use):
#   LAB_DEVSIM_BIN     the lorvena-devsim binary (needed by lab_start_devsim)
#   LAB_READY_TIMEOUT  seconds to wait for devsim's "ready" line (default 30)
#   LAB_KEEP_DIR=1     keep $LAB_DIR (logs) after teardown
#
# State (read it, do not change it):
#   LAB_ID                 this run's unique part of every name
#   LAB_DIR                scratch directory: devsim-K.log (request log), devsim-K.out
#   LAB_HOST_NS            the namespace the tool runs in
#   LAB_SEGMENTS           list of segment numbers added
#   LAB_HOST_ADDR[K]       10.K.0.1, the host's address on segment K
#   LAB_DEVICE_NS[K]       segment K's device namespace (segment 0: the host one)
#   LAB_BRIDGE[K]          the bridge in the host namespace
#   LAB_DEVICE_IF[K]       the device namespace's interface (what devsim logs)
#   LAB_DEVSIM_PID[K]      devsim's PID in segment K
#   LAB_DEVSIM_LOG[K]      its request log
#   LAB_DEVSIM_FAILURES    how many devsim processes exited with an error at
#                          teardown (their output is printed); never reset

LAB_READY_TIMEOUT=${LAB_READY_TIMEOUT:-30}
LAB_DEVSIM_FAILURES=0
LAB_ID=""
LAB_LOOPBACK=0
declare -a LAB_SEGMENTS=()
declare -A LAB_HOST_ADDR=() LAB_DEVICE_NS=() LAB_BRIDGE=() LAB_DEVICE_IF=() LAB_DEVSIM_PID=() LAB_DEVSIM_LOG=()

lab_log() { echo "lab: $*" >&2; }

# Exits 77 (skip) when not root, or 1 when CI=true: CI must run the lab.
# lab_use_build SCRIPT BUILD_DIR: what every lab script starts with. Needs
# root (else skips, or fails under CI=true), then sets build_dir, cli (the
# lorvena-cli to test) and LAB_DEVSIM_BIN from the build folder given.
lab_use_build() {
    build_dir=$(cd "${2:?usage: $1 BUILD_DIR}" && pwd)
    lab_require_root
    LAB_DEVSIM_BIN=$build_dir/tools/devsim/lorvena-devsim
    cli=$build_dir/src/lorvena-cli
}

lab_require_root() {
    local problem=""
    if [[ $(id -u) -ne 0 ]]; then
        problem="not root: the lab needs root to create network namespaces"
    elif ! command -v ip >/dev/null; then
        problem="the ip command (iproute2) is missing"
    fi
    [[ -z $problem ]] && return 0
    if [[ ${CI:-} == true ]]; then
        lab_log "FAILED: CI=true and the lab cannot run: $problem"
        exit 1
    fi
    lab_log "*** SKIPPED: $problem ***"
    exit 77
}

# lab_init [--loopback]: creates the host namespace and installs the traps.
lab_init() {
    [[ -n $LAB_ID ]] && lab_teardown
    lab__sweep_stale
    LAB_LOOPBACK=0
    [[ ${1:-} == --loopback ]] && LAB_LOOPBACK=1
    # Interface names must fit 15 characters: "lb254-" + up to 8 hex.
    LAB_ID=$(printf '%x%02x' "$$" $((RANDOM % 256)))
    LAB_HOST_NS="lvlab-$$-$LAB_ID-host"
    LAB_DIR=$(mktemp -d "${TMPDIR:-/tmp}/lorvena-lab.XXXXXX")
    trap 'lab__on_exit' EXIT
    trap 'lab__on_signal 130' INT
    trap 'lab__on_signal 143' TERM

    if ! ip netns add "$LAB_HOST_NS"; then
        lab__cannot_run "cannot create a network namespace"
    fi
    ip -n "$LAB_HOST_NS" link set lo up
    # As on an installer's Debian laptop, where systemd admits every group
    # to unprivileged ICMP sockets; a new namespace admits none.
    lab__sysctl "$LAB_HOST_NS" net/ipv4/ping_group_range "0 2147483647"
    if [[ $LAB_LOOPBACK -eq 1 ]]; then
        LAB_DEVICE_NS[0]=$LAB_HOST_NS
        LAB_DEVICE_IF[0]=lo
        LAB_HOST_ADDR[0]=127.0.0.1
        return 0
    fi
    # New interfaces copy "default"; the effective value is the larger of
    # "all" and the interface's own, so both must be 0.
    lab__sysctl "$LAB_HOST_NS" net/ipv4/conf/all/rp_filter 0
    lab__sysctl "$LAB_HOST_NS" net/ipv4/conf/default/rp_filter 0
}

# lab_add_segment K (1..254): bridge + veth + device namespace for 10.K.0.0/16.
lab_add_segment() {
    local k=$1
    if [[ $LAB_LOOPBACK -eq 1 || -z $LAB_ID ]]; then
        lab_log "lab_add_segment: needs lab_init without --loopback first"
        return 1
    fi
    if ! [[ $k =~ ^[0-9]+$ ]] || ((k < 1 || k > 254)) || [[ -n ${LAB_DEVICE_NS[$k]:-} ]]; then
        lab_log "lab_add_segment: segment must be a new number from 1 to 254, not '$k'"
        return 1
    fi
    local ns="lvlab-$$-$LAB_ID-seg$k" bridge="lb$k-$LAB_ID" host_if="lh$k-$LAB_ID" device_if="ld$k-$LAB_ID"
    ip netns add "$ns" || return 1
    LAB_DEVICE_NS[$k]=$ns
    LAB_SEGMENTS+=("$k")
    ip -n "$LAB_HOST_NS" link add "$bridge" type bridge &&
        ip -n "$LAB_HOST_NS" link add "$host_if" type veth peer name "$device_if" netns "$ns" &&
        ip -n "$LAB_HOST_NS" link set "$host_if" master "$bridge" &&
        ip -n "$LAB_HOST_NS" addr add "10.$k.0.1/16" dev "$bridge" &&
        ip -n "$LAB_HOST_NS" link set "$host_if" up &&
        ip -n "$LAB_HOST_NS" link set "$bridge" up &&
        ip -n "$ns" link set lo up &&
        ip -n "$ns" addr add "10.$k.0.2/16" dev "$device_if" &&
        ip -n "$ns" link set "$device_if" up || return 1
    lab__sysctl "$LAB_HOST_NS" "net/ipv4/conf/$bridge/rp_filter" 0
    LAB_HOST_ADDR[$k]=10.$k.0.1
    LAB_BRIDGE[$k]=$bridge
    LAB_DEVICE_IF[$k]=$device_if
    LAB_DEVSIM_LOG[$k]=$LAB_DIR/devsim-$k.log
    lab__pin_neighbours "$k"
}

# lab_start_devsim K DEVSIM-ARGS...: adds the device addresses as aliases in
# segment K's device namespace (segment 0 in the loopback variant: none),
# starts devsim there with --log $LAB_DIR/devsim-K.log and waits for "ready".
lab_start_devsim() {
    local k=$1
    shift
    local ns=${LAB_DEVICE_NS[$k]:-}
    if [[ -z $ns ]]; then
        lab_log "lab_start_devsim: no segment $k"
        return 1
    fi
    if [[ -n ${LAB_DEVSIM_PID[$k]:-} ]]; then
        lab_log "lab_start_devsim: segment $k already runs devsim"
        return 1
    fi
    if [[ ! -x ${LAB_DEVSIM_BIN:-} ]]; then
        lab_log "lab_start_devsim: LAB_DEVSIM_BIN ('${LAB_DEVSIM_BIN:-}') is not an executable"
        return 1
    fi
    local addresses
    addresses=$("$LAB_DEVSIM_BIN" "$@" --print-addresses) || return 1
    if [[ $k -ne 0 ]]; then
        lab__add_aliases "$k" "$addresses" || return 1
    fi

    local log=$LAB_DIR/devsim-$k.log out=$LAB_DIR/devsim-$k.out
    LAB_DEVSIM_LOG[$k]=$log
    : >"$log"
    : >"$out"
    ip netns exec "$ns" "$LAB_DEVSIM_BIN" "$@" --log "$log" >"$out" 2>&1 &
    LAB_DEVSIM_PID[$k]=$!
    local waited=0
    until grep -q ready "$out"; do
        if ! kill -0 "${LAB_DEVSIM_PID[$k]}" 2>/dev/null; then
            lab_log "devsim in segment $k exited early:"
            cat "$out" >&2
            unset "LAB_DEVSIM_PID[$k]"
            return 1
        fi
        if ((waited >= LAB_READY_TIMEOUT * 10)); then
            lab_log "devsim in segment $k not ready after ${LAB_READY_TIMEOUT}s"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
}

# lab_enable_multicast K: lets WS-Discovery (multicast to 239.255.255.250)
# cross segment K. Every link of the segment takes multicast, the bridge
# floods the group to every port (no IGMP snooping: nothing then depends on
# a querier or on when a member's report was seen), and the host namespace
# routes 224.0.0.0/4 through the segment's bridge - one segment only: a
# later call moves the route to its segment.
lab_enable_multicast() {
    local k=$1
    local bridge=${LAB_BRIDGE[$k]:-}
    if [[ -z $bridge ]]; then
        lab_log "lab_enable_multicast: no segment $k"
        return 1
    fi
    ip -n "$LAB_HOST_NS" link set "$bridge" type bridge mcast_snooping 0 &&
        ip -n "$LAB_HOST_NS" link set "$bridge" multicast on &&
        ip -n "$LAB_HOST_NS" link set "lh$k-$LAB_ID" multicast on &&
        ip -n "${LAB_DEVICE_NS[$k]}" link set "${LAB_DEVICE_IF[$k]}" multicast on &&
        ip -n "$LAB_HOST_NS" route replace 224.0.0.0/4 dev "$bridge"
}

# --- checks for the lab's test scripts. A failure is also marked in a file:
# lab_run usually runs inside $(...), where setting a variable is lost.

# lab_snapshot LABEL: appends to $LAB_DIR/records what tells the causes of a
# device missing from a search apart: how many requests each devsim has
# logged (a lost request, or a lost reply), the neighbour table's counters
# and entries (the table is shared by every namespace on the machine: a full
# one evicts the lab's entries), and the per-CPU receive backlog drops
# (softnet_stat's second column; veth and lo share it).
lab_snapshot() {
    {
        printf '=== %s %s\n' "$1" "$(date +%T.%N)"
        local k
        for k in "${LAB_SEGMENTS[@]}"; do
            [[ -n ${LAB_DEVSIM_LOG[$k]:-} && -e ${LAB_DEVSIM_LOG[$k]} ]] &&
                printf 'devsim %s logged lines: %s\n' "$k" "$(wc -l <"${LAB_DEVSIM_LOG[$k]}")"
        done
        # The table's counters exist in the first namespace only.
        echo '--- arp_cache'
        cat /proc/net/stat/arp_cache 2>&1 || true
        echo '--- softnet_stat'
        cat /proc/net/softnet_stat 2>&1 || true
        echo '--- neighbours (host namespace)'
        ip -n "$LAB_HOST_NS" -s neigh show 2>&1 || true
    } >>"$LAB_DIR/records" || true
}

# lab_fail MESSAGE...: reports a failure, with the records of the command run
# last; lab_finish will fail the script.
lab_fail() {
    printf 'FAIL: %s\n' "$*" >&2
    if [[ -s $LAB_DIR/records ]]; then
        echo '--- records around the last command run (before, after):' >&2
        awk '/^=== /{ n++ } { block[n] = block[n] $0 "\n" } END { printf "%s%s", block[n-1], block[n] }' \
            "$LAB_DIR/records" >&2
    fi
    : >"$LAB_DIR/failed"
}

# lab_check DESCRIPTION EXPECTED ACTUAL
lab_check() {
    [[ $2 == "$3" ]] && return 0
    lab_fail "$(printf '%s\n--- expected\n%s\n--- actual\n%s' "$1" "$2" "$3")"
}

# lab_run EXPECTED-EXIT CMD...: runs CMD in the host namespace and prints its
# standard output; its standard error is kept in $LAB_DIR/stderr.
lab_run() {
    local expected=$1 status=0 output
    shift
    lab_snapshot "before: $*"
    output=$(lab_host_exec "$@" 2>"$LAB_DIR/stderr") || status=$?
    lab_snapshot "after: $*"
    if [[ $status -ne $expected ]]; then
        lab_fail "$(printf '%s exited %d, not %d\n%s\n%s' "$*" "$status" "$expected" "$output" \
            "$(cat "$LAB_DIR/stderr")")"
    fi
    printf '%s' "$output"
}

# lab_finish NAME: takes the lab down (so that a devsim that crashed or
# reported a sanitizer error is counted), then ends the script: "NAME: passed"
# and 0, or "NAME: FAILED" and 1 when a check, a run or a devsim failed.
lab_finish() {
    local failed=0
    [[ -e $LAB_DIR/failed ]] && failed=1
    lab_teardown
    [[ $LAB_DEVSIM_FAILURES -ne 0 ]] && failed=1
    if ((failed)); then
        echo "$1: FAILED" >&2
        exit 1
    fi
    echo "$1: passed"
    exit 0
}

# lab_host_exec CMD...: runs CMD in the host namespace (where the tool runs).
lab_host_exec() {
    ip netns exec "$LAB_HOST_NS" "$@"
}

# lab_wait_host_empty: waits until no process runs in the host namespace,
# whoever started it: a program there may have started others that outlive
# it (the window's successor after a generation switch).
lab_wait_host_empty() {
    while [[ -n $(ip netns pids "$LAB_HOST_NS" 2>/dev/null) ]]; do
        sleep 0.5
    done
}

# lab_device_exec K CMD...: runs CMD in segment K's device namespace.
lab_device_exec() {
    local k=$1
    shift
    ip netns exec "${LAB_DEVICE_NS[$k]}" "$@"
}

# lab_teardown: stops devsim, deletes every namespace (their interfaces go
# with them) and the scratch directory. Safe to call more than once.
lab_teardown() {
    [[ -z $LAB_ID ]] && return 0
    local k pid status
    for k in "${!LAB_DEVSIM_PID[@]}"; do
        kill -TERM "${LAB_DEVSIM_PID[$k]}" 2>/dev/null || true
    done
    for k in "${!LAB_DEVSIM_PID[@]}"; do
        pid=${LAB_DEVSIM_PID[$k]}
        lab__wait_gone "$pid" 50 || kill -KILL "$pid" 2>/dev/null || true
        status=0
        wait "$pid" 2>/dev/null || status=$?
        # devsim ends with 0 on TERM; anything else is a crash or a
        # sanitizer report, which must not pass unnoticed.
        if [[ $status -ne 0 ]]; then
            LAB_DEVSIM_FAILURES=$((LAB_DEVSIM_FAILURES + 1))
            lab_log "devsim in segment $k exited with status $status:"
            cat "$LAB_DIR/devsim-$k.out" >&2 || true
        fi
    done
    # Whatever still runs in the host namespace (a window left when the demo
    # is interrupted) would search an empty network once it is gone.
    for pid in $(ip netns pids "$LAB_HOST_NS" 2>/dev/null); do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for k in "${!LAB_DEVICE_NS[@]}"; do
        [[ ${LAB_DEVICE_NS[$k]} != "$LAB_HOST_NS" ]] && { ip netns del "${LAB_DEVICE_NS[$k]}" 2>/dev/null || true; }
    done
    ip netns del "$LAB_HOST_NS" 2>/dev/null || true
    if [[ ${LAB_KEEP_DIR:-0} == 1 ]]; then
        lab_log "kept $LAB_DIR"
    else
        rm -rf "$LAB_DIR"
    fi
    LAB_ID=""
    LAB_SEGMENTS=()
    LAB_HOST_ADDR=() LAB_DEVICE_NS=() LAB_BRIDGE=() LAB_DEVICE_IF=() LAB_DEVSIM_PID=() LAB_DEVSIM_LOG=()
    return 0
}

# --- internals ---------------------------------------------------------------

lab__on_exit() {
    local status=$?
    lab_teardown
    exit "$status"
}

lab__on_signal() {
    trap - EXIT
    lab_teardown
    exit "$1"
}

lab__cannot_run() {
    if [[ ${CI:-} == true ]]; then
        lab_log "FAILED: CI=true and the lab cannot run: $1"
        exit 1
    fi
    lab_log "*** SKIPPED: $1 ***"
    exit 77
}

lab__sysctl() {
    ip netns exec "$1" sh -c "echo $3 > /proc/sys/$2"
}

# Waits up to $2 tenths of a second for process $1 to end.
lab__wait_gone() {
    local tries=0
    while kill -0 "$1" 2>/dev/null; do
        ((tries++ >= $2)) && return 1
        sleep 0.1
    done
    return 0
}

# Adds each address as an alias on segment K's device interface: /16 inside
# 10.K.0.0/16 (pinned in the host's neighbour table), /32 outside it. One
# `ip -batch` call per namespace, so ten thousand addresses take seconds,
# not minutes.
lab__add_aliases() {
    local k=$1 addresses=$2 address
    local batch=$LAB_DIR/aliases-$k.batch pins=$LAB_DIR/pins-$k.batch device_mac
    device_mac=$(lab__mac "$k" device) || return 1
    : >"$batch"
    : >"$pins"
    while read -r address; do
        [[ -z $address ]] && continue
        case $address in
        "10.$k.0.1")
            lab_log "device address $address is the host's address on segment $k"
            return 1
            ;;
        "10.$k.0.2") ;; # already the interface's own address
        "10.$k."*)
            echo "address add $address/16 dev ${LAB_DEVICE_IF[$k]}" >>"$batch"
            echo "neigh replace $address lladdr $device_mac dev ${LAB_BRIDGE[$k]} nud permanent" >>"$pins"
            ;;
        *) echo "address add $address/32 dev ${LAB_DEVICE_IF[$k]}" >>"$batch" ;;
        esac
    done <<<"$addresses"
    ip -n "${LAB_DEVICE_NS[$k]}" -batch "$batch" && ip -n "$LAB_HOST_NS" -batch "$pins"
}

# The MAC of segment K's device interface (device) or bridge (host).
lab__mac() {
    if [[ $2 == device ]]; then
        ip netns exec "${LAB_DEVICE_NS[$1]}" cat "/sys/class/net/${LAB_DEVICE_IF[$1]}/address"
    else
        ip netns exec "$LAB_HOST_NS" cat "/sys/class/net/${LAB_BRIDGE[$1]}/address"
    fi
}

# Pins the neighbour entries segment K's traffic needs, on both ends: the
# host and device addresses, the broadcast addresses and the discovery
# group. The kernel's neighbour table is one for the whole machine, every
# namespace included, and holds 1,024 lookups by default: when other tests
# fill it (a subnet sweep asks a thousand absent hosts), every packet that
# needs a new entry is dropped without a word to its sender, broadcasts
# included. Permanent entries are neither counted nor evicted.
lab__pin_neighbours() {
    local k=$1 bridge_mac device_mac address
    bridge_mac=$(lab__mac "$k" host) && device_mac=$(lab__mac "$k" device) || return 1
    for address in 255.255.255.255 "10.$k.255.255"; do
        ip -n "$LAB_HOST_NS" neigh replace "$address" lladdr ff:ff:ff:ff:ff:ff dev "${LAB_BRIDGE[$k]}" nud permanent &&
            ip -n "${LAB_DEVICE_NS[$k]}" neigh replace "$address" lladdr ff:ff:ff:ff:ff:ff \
                dev "${LAB_DEVICE_IF[$k]}" nud permanent || return 1
    done
    ip -n "$LAB_HOST_NS" neigh replace 239.255.255.250 lladdr 01:00:5e:7f:ff:fa dev "${LAB_BRIDGE[$k]}" nud permanent &&
        ip -n "${LAB_DEVICE_NS[$k]}" neigh replace 239.255.255.250 lladdr 01:00:5e:7f:ff:fa \
            dev "${LAB_DEVICE_IF[$k]}" nud permanent &&
        ip -n "$LAB_HOST_NS" neigh replace "10.$k.0.2" lladdr "$device_mac" dev "${LAB_BRIDGE[$k]}" nud permanent &&
        ip -n "${LAB_DEVICE_NS[$k]}" neigh replace "10.$k.0.1" lladdr "$bridge_mac" \
            dev "${LAB_DEVICE_IF[$k]}" nud permanent
}

# Removes what interrupted runs (killed with SIGKILL, say) left behind: lab
# namespaces whose creating shell is gone, and the processes still in them.
lab__sweep_stale() {
    local ns owner pid
    for ns in $(ip netns list 2>/dev/null | awk '{print $1}'); do
        [[ $ns =~ ^lvlab-([0-9]+)- ]] || continue
        owner=${BASH_REMATCH[1]}
        kill -0 "$owner" 2>/dev/null && continue
        for pid in $(ip netns pids "$ns" 2>/dev/null); do
            kill -KILL "$pid" 2>/dev/null || true
        done
        ip netns del "$ns" 2>/dev/null || true
    done
}
