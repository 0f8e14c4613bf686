#!/usr/bin/env bash
# lorvena-cli set against device web servers that misbehave, end to end in
# the lab: the credential check ("Zmiana IP") talks to each, and the CLI must
# print the message it has for the outcome, exit with its code, end within a
# bound and keep its memory bounded.
#  - endless-header: a status line, then a header line that never ends;
#  - drip: the answer one byte per 200 ms, well inside the 1 s receive wait,
#    so only a deadline for the whole response ends it;
#  - huge-body: a 1 GiB body (the reading stops at its cap);
#  - silent: accepts the connection and never answers.
# Usage: cli_hostile_web_test.sh BUILD_DIR   (exit 77 = skipped: not root)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../lab/lab.sh
source "$here/../lab/lab.sh"

lab_use_build cli_hostile_web_test.sh "${1:-}"
# How long each search listens: the devices answer at once, the rest is room
# for a machine busy with the other tests.
listen_seconds=2

# The most one `set` may take: its search, the check's three probes on the
# window's thread (each at most the 4 s connect wait plus the 1 s response
# wait) and the same again by the SDK's login. A server that holds a probe
# for good, or drips it for tens of seconds, goes far past it.
bound_seconds=45
# Resident memory of the whole CLI, in KiB: the body cap is 16 MiB; keeping
# what a huge body sends would take a gigabyte.
memory_bound_kib=$((200 * 1024))
# A sanitizer build keeps freed memory in quarantine (up to 256 MiB) and
# shadows what it uses: the bound grows by that much.
if grep -q '^LORVENA_SANITIZE:STRING=.' "$build_dir/CMakeCache.txt" 2>/dev/null; then
    memory_bound_kib=$(((200 + 512) * 1024))
fi

lab_init
lab_add_segment 1
cat >"$LAB_DIR/devices.json" <<'JSON'
{"devices": [
  {"generations": ["basic"], "name": "Nagłówek bez końca", "ip": "10.1.0.20", "mask": "255.255.0.0", "gateway": "10.1.0.1",
   "mac": "00:12:34:00:00:20", "type": 300, "password": "12345", "http": "endless-header"},
  {"generations": ["basic"], "name": "Kroplówka", "ip": "10.1.0.21", "mask": "255.255.0.0", "gateway": "10.1.0.1",
   "mac": "00:12:34:00:00:21", "type": 300, "password": "12345", "http": "drip:200"},
  {"generations": ["basic"], "name": "Gigabajt", "ip": "10.1.0.22", "mask": "255.255.0.0", "gateway": "10.1.0.1",
   "mac": "00:12:34:00:00:22", "type": 300, "password": "12345", "http": "huge-body"},
  {"generations": ["basic"], "name": "Milczek", "ip": "10.1.0.23", "mask": "255.255.0.0", "gateway": "10.1.0.1",
   "mac": "00:12:34:00:00:23", "type": 300, "password": "12345", "http": "silent"}
]}
JSON
lab_start_devsim 1 --devices "$LAB_DIR/devices.json"

wrong_password="Błąd hasła!"
no_connection="Brak połączenia z urządzeniem!"
success="Zmiana zakończona powodzeniem"

# One row per case: device, password, expected exit, expected first line.
# A change that goes through moves the device: it comes last for its device.
# The endless header is judged with a wrong password: whether the header cap
# (then its "401" decides) or the response deadline (then there is no
# answer) comes first depends on the machine, and both mean a refusal. A
# server that drips its answer past the wait, or never answers, gave no
# answer: that is no connection, not a wrong password.
cases=(
    "10.1.0.20|nope|1|$wrong_password"
    "10.1.0.21|12345|1|$no_connection"
    "10.1.0.22|nope|1|$wrong_password"
    "10.1.0.22|12345|0|$success"
    "10.1.0.23|12345|1|$no_connection"
)
new_ip=40
for entry in "${cases[@]}"; do
    IFS='|' read -r device password expected_exit expected_line <<<"$entry"
    measure=$LAB_DIR/measure
    status=0
    output=$(lab_host_exec timeout --kill-after=5 "$bound_seconds" /usr/bin/time -f '%e %M' -o "$measure" \
        "$cli" set --mode new --wait "$listen_seconds" --device "$device" --new-ip "10.1.0.$new_ip" --password "$password" \
        2>"$LAB_DIR/stderr") || status=$?
    new_ip=$((new_ip + 1))
    what="set on $device (password $password)"
    if [[ $status -eq 124 || $status -eq 137 ]]; then
        lab_fail "$what did not end within ${bound_seconds}s"
        continue
    fi
    [[ $status -eq $expected_exit ]] || lab_fail "$what exited $status, not $expected_exit: $output $(cat "$LAB_DIR/stderr")"
    first_line=$(head -n 1 <<<"$output")
    [[ $first_line == "$expected_line" ]] || lab_fail "$what printed '$first_line', not '$expected_line'"
    read -r seconds resident_kib < <(tail -n 1 "$measure")
    ((resident_kib < memory_bound_kib)) || lab_fail "$what took ${resident_kib} KiB"
    echo "$what: exit $status, '$first_line', ${seconds}s, ${resident_kib} KiB"
done

lab_finish cli_hostile_web_test
