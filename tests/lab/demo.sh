#!/usr/bin/env bash
# Shows the tool finding simulated devices in the lab: segment 1 holds the
# sample devices of demo-devices.json (every kind, a Polish Windows-1250
# name, DHCP on and off, a factory-default address outside the subnet, an
# old-search-only recorder, a device that also sends junk) and the ONVIF
# cameras of demo-onvif-devices.json (one answers only the mask mode's
# sweep), segment 2 a few generated ones. Then runs lorvena-cli's new-mode and old-mode searches in
# the host namespace.
# With --window, the desktop window runs in the lab instead (as the user who
# called sudo, on their display): press "Wyszukaj" to find the devices. The
# lab stays up as long as any window runs in it: the generation switch ends
# the window and starts its successor there. LORVENA_DEMO_WINDOW names
# another program to run as the window (the lab test's scripted one), and
# QT_QPA_PLATFORM=offscreen runs it without a display.
# Usage: demo.sh BUILD_DIR [--window | extra lorvena-cli search arguments, e.g. --wait 2]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"

build_dir=$(cd "${1:?usage: demo.sh BUILD_DIR [search arguments]}" && pwd)
shift
lab_require_root
LAB_DEVSIM_BIN=$build_dir/tools/devsim/lorvena-devsim
cli=$build_dir/src/lorvena-cli
for binary in "$LAB_DEVSIM_BIN" "$cli"; do
    if [[ ! -x $binary ]]; then
        echo "demo: $binary is missing; build it first" >&2
        exit 1
    fi
done

lab_init
lab_add_segment 1
lab_add_segment 2
lab_enable_multicast 1
lab_start_devsim 1 --devices "$here/demo-devices.json" --onvif-devices "$here/demo-onvif-devices.json"
lab_start_devsim 2 --generate 4 --first-ip 10.2.1.1
echo "Lab ready: host addresses ${LAB_HOST_ADDR[1]} and ${LAB_HOST_ADDR[2]}"

if [[ ${1:-} == --window ]]; then
    window=${LORVENA_DEMO_WINDOW:-$build_dir/src/app/lorvena}
    if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-} && ${QT_QPA_PLATFORM:-} != offscreen ]]; then
        echo "demo: no display (DISPLAY or WAYLAND_DISPLAY) to show the window on; showing the console search instead"
        shift
    else
        echo "Starting the window in the lab; close it to end the demo."
        run_as=()
        if [[ -n ${SUDO_USER:-} && $SUDO_USER != root ]]; then
            run_as=(runuser -u "$SUDO_USER" --)
        fi
        display=(DISPLAY="${DISPLAY:-}" WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" XAUTHORITY="${XAUTHORITY:-}")
        [[ -n ${QT_QPA_PLATFORM:-} ]] && display+=(QT_QPA_PLATFORM="$QT_QPA_PLATFORM")
        status=0
        lab_host_exec "${run_as[@]}" env "${display[@]}" XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-}" "$window" || status=$?
        # Switching the generation starts a new window in the lab and ends
        # this one: the demo ends with the last window, not the first.
        lab_wait_host_empty
        exit "$status"
    fi
fi

status=0
for mode in new old; do
    echo
    echo "=== lorvena-cli search --mode $mode --format table $* ==="
    lab_host_exec "$cli" search --mode "$mode" --format table "$@" || status=$?
done

echo
echo "=== requests the simulated devices received ==="
for k in 1 2; do
    echo "segment $k:"
    sed 's/^/  /' "${LAB_DEVSIM_LOG[$k]}"
done
exit "$status"
