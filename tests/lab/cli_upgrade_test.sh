#!/usr/bin/env bash
# lorvena-cli upgrades simulated devices by every route, end to end in the lab:
#  - UploadThenWatch (types 0..99 and 300..499), watching the restart by ping;
#  - SizedUploadThenWatch (250..299) and SizedUploadThenPoll (1000): the
#    sized upload, then the device's progress report or its restart;
#  - the vendor SDK (500..699) and the video server (100..199);
#  - an ONVIF device is refused;
# and every failure the devices can cause gives its message and exit 1:
# a refused package, a wrong password, a device that never finishes, a video
# server that refuses the login or fails the update, a package named for
# another firmware, a device that hangs up after the command.
# The device's log and its stored package prove what arrived, byte for byte.
# Usage: cli_upgrade_test.sh BUILD_DIR   (exit 77 = skipped: not root)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"

lab_use_build cli_upgrade_test.sh "${1:-}"
# How long each search listens: the devices answer at once, the rest is room
# for a machine busy with the other tests.
listen_seconds=2

check() { lab_check "$@"; }

# upgrade EXPECTED-EXIT DEVICE FILE [ARGS...]: prints the CLI's stdout. The
# upgrade's own waits run at a hundredth of their length; network time-outs
# stay as they are.
upgrade() {
    local expected=$1 device=$2 file=$3
    shift 3
    lab_run "$expected" env LORVENA_UPGRADE_TIME_SCALE=0.01 \
        "$cli" upgrade --device "$device" --file "$file" --wait "$listen_seconds" "$@"
}

logged() { grep -c -- "$1" "${LAB_DEVSIM_LOG[1]}" || true; }

lab_init
lab_add_segment 1
packages=$LAB_DIR/received
mkdir -p "$packages"
cat >"$LAB_DIR/devices.json" <<'EOF'
{"devices": [
  {"generations": ["basic"], "name": "Kamera", "ip": "10.1.0.10", "mac": "00:12:34:00:00:10", "type": 300,
   "password": "12345", "upgrade": {"reboot": {"afterSeconds": 0, "downSeconds": 2}}},
  {"generations": ["basic"], "name": "Stara kamera", "ip": "10.1.0.11", "mac": "00:12:34:00:00:11", "type": 50,
   "password": "12345", "upgrade": {"reboot": {"afterSeconds": 0.5, "downSeconds": 2}}},
  {"generations": ["basic"], "name": "Kamera sized", "ip": "10.1.0.12", "mac": "00:12:34:00:00:12", "type": 260,
   "password": "12345", "upgrade": {"sized": true, "reboot": {"afterSeconds": 0.1, "downSeconds": 2}}},
  {"generations": ["basic"], "kind": "NVR", "name": "Rejestrator", "ip": "10.1.0.13", "mac": "00:12:34:00:00:13",
   "type": 1000, "password": "12345", "upgrade": {"sized": true, "progressSeconds": 1}},
  {"generations": ["basic"], "kind": "NVR", "name": "Rejestrator SDK", "ip": "10.1.0.14", "mac": "00:12:34:00:00:14",
   "type": 600, "password": "12345", "upgrade": {"sized": true, "progressSeconds": 1}},
  {"generations": ["basic"], "kind": "DECODER", "name": "Serwer wideo", "firmware": "V2.1.0", "ip": "10.1.0.15",
   "mac": "00:12:34:00:00:15", "type": 150, "password": "12345", "videoServer": {"progressSeconds": 1}},
  {"generations": ["basic"], "name": "ONVIF", "ip": "10.1.0.16", "mac": "00:12:34:00:00:16", "type": 950,
   "password": "12345"},
  {"generations": ["basic"], "name": "Odmawia", "ip": "10.1.0.20", "mac": "00:12:34:00:00:20", "type": 300,
   "password": "12345", "upgrade": {"final": "@7@"}},
  {"generations": ["basic"], "kind": "NVR", "name": "Nie kończy", "ip": "10.1.0.21", "mac": "00:12:34:00:00:21",
   "type": 1000, "password": "12345", "upgrade": {"sized": true, "progressSeconds": 0.5, "hostile": "never-100"}},
  {"generations": ["basic"], "name": "Rozłącza", "ip": "10.1.0.22", "mac": "00:12:34:00:00:22", "type": 300,
   "password": "12345", "upgrade": {"hostile": "close-after-command"}},
  {"generations": ["basic"], "kind": "DECODER", "name": "Serwer bez logowania", "firmware": "V2.1.0",
   "ip": "10.1.0.23", "mac": "00:12:34:00:00:23", "type": 150, "password": "12345",
   "videoServer": {"hostile": "refuse-login"}},
  {"generations": ["basic"], "kind": "DECODER", "name": "Serwer z błędem", "firmware": "V2.1.0",
   "ip": "10.1.0.24", "mac": "00:12:34:00:00:24", "type": 150, "password": "12345",
   "videoServer": {"hostile": "error-at-end"}},
  {"generations": ["basic"], "kind": "NVR", "name": "SDK z błędem", "ip": "10.1.0.25", "mac": "00:12:34:00:00:25",
   "type": 820, "password": "12345", "upgrade": {"sized": true, "final": "none", "hostile": "never-100"}},
  {"generations": ["basic"], "name": "Kamera PL", "ip": "10.1.0.30", "mac": "00:12:34:00:00:30", "type": 300,
   "password": "źdźbło", "upgrade": {"reboot": {"afterSeconds": 0, "downSeconds": 2}}},
  {"generations": ["basic"], "kind": "NVR", "name": "Rejestrator PL", "ip": "10.1.0.31", "mac": "00:12:34:00:00:31",
   "type": 1000, "password": "źdźbło", "upgrade": {"sized": true, "progressSeconds": 1}},
  {"generations": ["basic"], "kind": "NVR", "name": "Rejestrator SDK PL", "ip": "10.1.0.32",
   "mac": "00:12:34:00:00:32", "type": 600, "password": "źdźbło", "upgrade": {"sized": true, "progressSeconds": 1}},
  {"generations": ["basic"], "kind": "DECODER", "name": "Serwer wideo PL", "firmware": "V2.1.0", "ip": "10.1.0.33",
   "mac": "00:12:34:00:00:33", "type": 150, "password": "źdźbło", "videoServer": {"progressSeconds": 1}}
]}
EOF
lab_start_devsim 1 --devices "$LAB_DIR/devices.json" --upgrade-dir "$packages"

package=$LAB_DIR/firmware.package
head -c 300001 /dev/urandom >"$package"
length=$(stat -c %s "$package")

# --- every route to its successful end
for device in 10.1.0.10 10.1.0.11 10.1.0.12 10.1.0.13 10.1.0.14 10.1.0.15; do
    check "upgrade of $device prints no message" "" "$(upgrade 0 "$device" "$package" --password 12345)"
done
for device in 10.1.0.10 10.1.0.11 10.1.0.12 10.1.0.13 10.1.0.14; do
    check "the package reached $device byte for byte" "same" \
        "$(cmp -s "$package" "$packages/$device" && echo same || echo different)"
    check "$device read one upgrade command for the whole package" 1 "$(logged "upgrade-command $device $length")"
    check "$device's final reply" 1 "$(logged "upgrade-received $device $length @0@")"
done
for device in 10.1.0.12 10.1.0.13 10.1.0.14; do
    check "$device was sent the size field" 1 "$(logged "upgrade-size $device $length")"
done
check "the unsized routine sends no size field" 0 "$(logged "upgrade-size 10.1.0.10 ")"
check "the watched devices restarted" 3 "$(logged "reboot-down")"
check "the video server took the package" 1 "$(logged "vs-update 10.1.0.15 $length ok")"
check "the progress went to standard error" "upgrade 100%" \
    "$(upgrade 0 10.1.0.13 "$package" --password 12345 >/dev/null; grep -c . "$LAB_DIR/stderr" >/dev/null; tail -n 1 "$LAB_DIR/stderr")"

# --- Polish letters in the password and in the package's path, on every
# route: credentials reach the devices in Windows-1250 (the check, the
# progress queries, the SDK login, the video-server login), the path is
# opened under its own (UTF-8) name.
polish_package=$LAB_DIR/Aktualizacja-łódź.bin
cp "$package" "$polish_package"
for device in 10.1.0.30 10.1.0.31 10.1.0.32 10.1.0.33; do
    check "upgrade of $device with a Polish password and path" "" \
        "$(upgrade 0 "$device" "$polish_package" --password źdźbło)"
done
for device in 10.1.0.30 10.1.0.31 10.1.0.32; do
    check "the package from a Polish path reached $device" "same" \
        "$(cmp -s "$package" "$packages/$device" && echo same || echo different)"
done
check "the video server took the package from a Polish path" 1 "$(logged "vs-update 10.1.0.33 $length ok")"
check "a Polish password that is wrong is still refused" "Błąd hasła!" \
    "$(upgrade 1 10.1.0.31 "$polish_package" --password zdzblo)"

# --- packages no device can be given, refused before the search (the
# window's own refusal of each is a test of the upgrade flow)
fifo_package=$LAB_DIR/fifo.package
mkfifo "$fifo_package"
huge_package=$LAB_DIR/huge.package
truncate -s 4G "$huge_package"
searches() { grep -c -E '^(basic|extended) ' "${LAB_DEVSIM_LOG[1]}" || true; }
searches_before=$(searches)
for unusable in "$fifo_package" "$huge_package" "$LAB_DIR"; do
    upgrade 2 10.1.0.13 "$unusable" --password 12345 >/dev/null
    check "$unusable refused before the search" "Invalid uploading file!" \
        "$(grep -o 'Invalid uploading file!' "$LAB_DIR/stderr")"
done
check "no search was sent for those" "$searches_before" "$(searches)"

# --- refusals and failures, each with its message
check "ONVIF device" "Onvif Device does not support to upgrade!!" \
    "$(upgrade 1 10.1.0.16 "$package" --password 12345)"
check "wrong password" "Błąd hasła!" "$(upgrade 1 10.1.0.13 "$package" --password nope)"
check "wrong SDK password" "Błąd hasła!" "$(upgrade 1 10.1.0.14 "$package" --password nope)"
check "the device refuses the package" "Upload file failed!" "$(upgrade 1 10.1.0.20 "$package" --password 12345)"
check "the device never reports 100" "Upload file failed!" "$(upgrade 1 10.1.0.21 "$package" --password 12345)"
check "the device hangs up after the command" "Upload file failed!" \
    "$(upgrade 1 10.1.0.22 "$package" --password 12345)"
check "the SDK upgrade fails" "Upgrade fail!" "$(upgrade 1 10.1.0.25 "$package" --password 12345)"
check "the video server refuses the login" "密码错误" "$(upgrade 1 10.1.0.23 "$package" --password 12345)"
check "the video server fails the update" "Upgrade failed!" "$(upgrade 1 10.1.0.24 "$package" --password 12345)"
other_firmware=$LAB_DIR/X9_V2_firmware.package
cp "$package" "$other_firmware"
check "a package named for another firmware" "Upgrade package error!" \
    "$(upgrade 1 10.1.0.15 "$other_firmware" --password 12345)"
# Refused before the search, the option named on standard error.
check "a missing package" "" "$(upgrade 2 10.1.0.10 "$LAB_DIR/none.package" --password 12345)"
check "a missing package is named" "yes" \
    "$(grep -qF -- "--file '$LAB_DIR/none.package': Invalid uploading file!" "$LAB_DIR/stderr" && echo yes)"
check "a device not listed" "" "$(upgrade 3 10.1.0.99 "$package" --password 12345)"

lab_finish cli_upgrade_test
