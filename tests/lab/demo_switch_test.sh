#!/usr/bin/env bash
# `make demo` with the generation switch: the demo's window (a scripted
# stand-in for the user, lorvena_demo_driver, running the real window on the
# offscreen platform) starts in the old generation and presses the switch
# button. The window that switch starts must find the lab still up: its
# search lists the simulated devices. The demo ends when that second window
# closes, and takes its namespaces with it.
# Usage: demo_switch_test.sh BUILD_DIR DRIVER
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"
build_dir=$(cd "${1:?usage: demo_switch_test.sh BUILD_DIR DRIVER}" && pwd)
driver=${2:?usage: demo_switch_test.sh BUILD_DIR DRIVER}
lab_require_root

work=$(mktemp -d "${TMPDIR:-/tmp}/lorvena-demo-switch.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The per-user settings file stands in for the one next to the program: the
# switch writes here, never into the build folder.
mkdir -p "$work/config/lorvena"
printf '[SEARCHTYPE]\r\nTYPE=0\r\n' >"$work/config/lorvena/Account.ini"

status=0
env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
    QT_QPA_PLATFORM=offscreen LORVENA_DEMO_WINDOW="$driver" LORVENA_DRIVER_JOURNAL="$work/journal" \
    "$here/demo.sh" "$build_dir" --window >"$work/demo.out" 2>&1 &
demo=$!
wait "$demo" || status=$?

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}
[[ $status -eq 0 ]] || fail "demo.sh exited $status"
journal=$(cat "$work/journal" 2>/dev/null || true)
mapfile -t steps < <(grep -v '^row ' <<<"$journal")
[[ ${steps[*]:-} == "started old started new closed" ]] || fail "the windows' steps: ${steps[*]:-none}"
# A device of each segment, and the one at a factory-default address.
for ip in 10.1.1.10 10.1.1.100 192.168.1.108 10.2.1.1 10.2.1.4; do
    grep -qx "row $ip" <<<"$journal" || fail "the switched window did not list $ip"
done
grep -qx 'TYPE=1' <(tr -d '\r' <"$work/config/lorvena/Account.ini") || fail "the switch did not store the new generation"
if ip netns list | grep -q "^lvlab-$demo-"; then
    fail "the demo left its namespaces behind"
fi
if ((failed)); then
    echo "--- journal" >&2
    echo "$journal" >&2
    echo "--- demo output" >&2
    cat "$work/demo.out" >&2
    echo "demo_switch: FAILED" >&2
    exit 1
fi
echo "demo_switch: passed"
