#!/usr/bin/env bash
# lorvena-cli changes simulated devices by every path, end to end in the lab:
#  - old generation: the old modify broadcast;
#  - basic: the web-server check, then the basic modify broadcast;
#  - basic through the vendor SDK login (type 1001);
#  - extended: accepted, and refused for a wrong password;
#  - a batch of three devices of mixed paths to consecutive addresses;
#  - an unreachable web server fails after its three probes, as no connection,
#    and so does a recorder checked by the vendor SDK alone;
#  - an old-generation batch moves each old device with the old request;
#  - a batch whose every device is on DHCP changes nothing and says so;
#  - a wrong input gives its message and sends nothing;
# each device reported changed is then seen at its new address ("verified:"
# lines), and the next search lists every new setting.
# Usage: cli_change_test.sh BUILD_DIR   (exit 77 = skipped: not root)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lab.sh
source "$here/lab.sh"

lab_use_build cli_change_test.sh "${1:-}"
# How long each search listens: the devices answer at once, the rest is room
# for a machine busy with the other tests.
listen_seconds=2

check() { lab_check "$@"; }

# run EXPECTED-EXIT ARGS...: runs the CLI in the host namespace, prints its stdout.
run() {
    local expected=$1
    shift
    lab_run "$expected" "$cli" "$@" --wait "$listen_seconds"
}

# The listed row of ADDRESS (CSV without the row number), or nothing.
listed() { # listed MODE ADDRESS
    lab_host_exec "$cli" search --mode "$1" --wait "$listen_seconds" --format csv | tr -d '\r' | cut -d, -f2- |
        awk -F, -v ip="$2" -v column="$3" '$column == ip'
}

modifies_in() { grep -c -- '-modify' "${LAB_DEVSIM_LOG[1]}" || true; }

lab_init
lab_add_segment 1
cat >"$LAB_DIR/devices.json" <<'EOF'
{"devices": [
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Hasło z ogonkami", "ip": "10.1.5.20", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:05:20", "type": 300, "password": "źdźbło"},
  {"generations": ["extended"], "kind": "NVR", "name": "Szyfr z ogonkami", "ip": "10.1.5.40", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:05:40", "type": 610, "password": "Zażółć"},
  {"generations": ["old"], "kind": "DVR", "name": "Stary DVR", "ip": "10.1.0.10", "mask": "255.255.0.0",
   "mac": "00:12:34:00:00:10", "password": "12345"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Kamera", "ip": "10.1.0.20", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:00:20", "type": 300, "password": "12345"},
  {"generations": ["basic"], "kind": "NVR", "name": "Rejestrator SDK", "ip": "10.1.0.30", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:00:30", "type": 1001, "password": "12345"},
  {"generations": ["extended"], "kind": "NVR", "name": "Rejestrator", "ip": "10.1.0.40", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:00:40", "type": 610, "password": "12345"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Bez WWW", "ip": "10.1.0.50", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:00:50", "type": 300, "password": "12345",
   "http": "closed"},
  {"generations": ["basic"], "kind": "NVR", "name": "SDK bez WWW", "ip": "10.1.0.60", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:00:60", "type": 1001, "password": "12345",
   "http": "closed"},
  {"generations": ["extended"], "kind": "NVR", "name": "Partia 1", "ip": "10.1.1.1", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:01:01", "type": 610, "password": "12345"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Partia 2", "ip": "10.1.1.2", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:01:02", "type": 300, "password": "12345"},
  {"generations": ["basic"], "kind": "NVR", "name": "Partia 3", "ip": "10.1.1.3", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:01:03", "type": 1001, "password": "12345"},
  {"generations": ["old"], "kind": "DVR", "name": "Stary 1", "ip": "10.1.3.1", "mask": "255.255.0.0",
   "mac": "00:12:34:00:03:01", "password": "12345"},
  {"generations": ["old"], "kind": "DVR", "name": "Stary 2", "ip": "10.1.3.2", "mask": "255.255.0.0",
   "mac": "00:12:34:00:03:02", "password": "12345"},
  {"generations": ["basic"], "kind": "IPCAMERA", "name": "Na DHCP", "ip": "10.1.3.9", "mask": "255.255.0.0",
   "gateway": "10.1.0.1", "dns": "10.1.0.1", "mac": "00:12:34:00:03:09", "type": 300, "password": "12345",
   "dhcp": true}
]}
EOF
lab_start_devsim 1 --devices "$LAB_DIR/devices.json"
success="Zmiana zakończona powodzeniem"

# --- wrong inputs: their message, nothing sent
check "host address ending in .255" "Błędny adres IP" \
    "$(run 1 set --mode new --device 10.1.0.20 --new-ip 10.1.0.255 --password 12345)"
check "not the administrator" "Please enter the administrator account!" \
    "$(run 1 set --mode new --device 10.1.0.40 --user root --password 12345)"
check "repeated ports" "The port is repeated!" \
    "$(run 1 set --mode new --device 10.1.0.20 --http-port 8999 --password 12345)"
check "a gateway in another subnet, answered Cancel" \
    "Adres IP i brama nie są w tej samej podsieci! Cz na pewno wprowadzić zmianę?" \
    "$(run 1 set --mode new --device 10.1.0.40 --gateway 10.9.0.1 --mask 255.255.255.0 --password 12345)"
check "no modify request was sent for wrong inputs" 0 "$(modifies_in)"

# --- every path
check "old generation" "$success
verified: 00:12:34:00:00:10 at 10.1.0.11" "$(run 0 set --mode old --device 10.1.0.10 --new-ip 10.1.0.11 --gateway 0.0.0.0)"
check "basic after the web-server check" "$success
verified: 00:12:34:00:00:20 at 10.1.0.21" \
    "$(run 0 set --mode new --device 10.1.0.20 --new-ip 10.1.0.21 --http-port 8080 --password 12345)"
check "basic through the SDK login" "$success
verified: 00:12:34:00:00:30 at 10.1.0.31" \
    "$(run 0 set --mode new --device 10.1.0.30 --new-ip 10.1.0.31 --password 12345)"
check "extended, wrong password" "Błąd hasła!" "$(run 1 set --mode new --device 10.1.0.40 --password nope)"
check "extended, accepted" "$success
verified: 00:12:34:00:00:40 at 10.1.0.41" \
    "$(run 0 set --mode new --device 10.1.0.40 --new-ip 10.1.0.41 --dns 10.1.0.2 --password 12345)"
# Said once: the vendor SDK's login that follows cannot connect either.
check "unreachable web server" "Brak połączenia z urządzeniem!" "$(run 1 set --mode new --device 10.1.0.50 --password 12345)"
# A recorder checked by the vendor SDK alone: its login cannot connect.
check "unreachable SDK recorder" "Brak połączenia z urządzeniem!" \
    "$(run 1 set --mode new --device 10.1.0.60 --new-ip 10.1.0.61 --password 12345)"
# Polish letters in the password: the web check and the enciphered request
# both carry it in Windows-1250, as the devices compare it.
check "basic, a Polish password" "$success
verified: 00:12:34:00:05:20 at 10.1.5.21" \
    "$(run 0 set --mode new --device 10.1.5.20 --new-ip 10.1.5.21 --password źdźbło)"
check "extended, a Polish password" "$success
verified: 00:12:34:00:05:40 at 10.1.5.41" \
    "$(run 0 set --mode new --device 10.1.5.40 --new-ip 10.1.5.41 --password Zażółć)"
check "extended, the password without its Polish letters is refused" "Błąd hasła!" \
    "$(run 1 set --mode new --device 10.1.5.41 --password Zazolc)"
check "batch of three mixed paths" "$success
verified: 00:12:34:00:01:01 at 10.1.2.1
verified: 00:12:34:00:01:02 at 10.1.2.2
verified: 00:12:34:00:01:03 at 10.1.2.3" \
    "$(run 0 batch --mode new --devices 10.1.1.1,10.1.1.2,10.1.1.3 --start-ip 10.1.2.1 --password 12345)"
check "old-generation batch, the old request per device" "$success
verified: 00:12:34:00:03:02 at 10.1.4.1
verified: 00:12:34:00:03:01 at 10.1.4.2" \
    "$(run 0 batch --mode old --devices 10.1.3.2,10.1.3.1 --start-ip 10.1.4.1 --mask 255.255.0.0)"
check "a batch of DHCP devices only changes nothing" "Nie zmieniono żadnego urządzenia" \
    "$(run 1 batch --mode new --devices 10.1.3.9 --start-ip 10.1.4.9 --password 12345)"

# --- the next search shows the new settings
check "old device moved" "DVR,Stary DVR,10.1.0.11,255.255.0.0,00:12:34:00:00:10,80,554,1" "$(listed old 10.1.0.11 3)"
check "basic device moved, new HTTP port" \
    "IPCAMERA,Kamera,,10.1.0.21,255.255.0.0,10.1.0.1,10.1.0.1,00:12:34:00:00:20,8080,554,1,Nieaktywne,300" \
    "$(listed new 10.1.0.21 4)"
check "SDK device moved" "10.1.0.31" "$(listed new 10.1.0.31 4 | cut -d, -f4)"
check "extended device moved, new DNS" "10.1.0.41 10.1.0.2" "$(listed new 10.1.0.41 4 | awk -F, '{print $4, $7}')"
check "old batch, click order: the second listed first" "Stary 2,Stary 1" \
    "$(for k in 1 2; do listed old "10.1.4.$k" 3 | cut -d, -f2; done | paste -sd,)"
check "the DHCP device stayed" "Na DHCP" "$(listed new 10.1.3.9 4 | cut -d, -f2)"
for k in 1 2 3; do
    check "batch device $k at 10.1.2.$k" "Partia $k" "$(listed new "10.1.2.$k" 4 | cut -d, -f2)"
done

# --- the password's other ways in; --password itself is blanked in `ps`
printf '12345\nnot this line\n' >"$LAB_DIR/password"
check "password from a file" "$success
verified: 00:12:34:00:00:40 at 10.1.0.41" \
    "$(run 0 set --mode new --device 10.1.0.41 --dns 10.1.0.3 --password-file "$LAB_DIR/password")"
check "password from standard input" "$success
verified: 00:12:34:00:00:40 at 10.1.0.41" \
    "$(run 0 set --mode new --device 10.1.0.41 --dns 10.1.0.4 --password-file - <<<"12345")"
check "password from the environment" "Błąd hasła!" \
    "$(lab_run 1 env LORVENA_PASSWORD=nope "$cli" set --mode new --device 10.1.0.41 --dns 10.1.0.5 \
        --wait "$listen_seconds")"
check "an unreadable password file sends nothing" "" \
    "$(run 2 set --mode new --device 10.1.0.41 --password-file "$LAB_DIR/missing")"
# The device without a web server keeps the command busy with its probes.
ip netns exec "$LAB_HOST_NS" "$cli" set --mode new --device 10.1.0.50 --password sekret-w-ps \
    --wait "$listen_seconds" >/dev/null 2>&1 &
busy=$!
sleep 1
check "the password is not in the process's arguments" "" \
    "$(tr '\0' ' ' <"/proc/$busy/cmdline" | grep -o sekret || true)"
wait "$busy" || true

lab_finish cli_change_test
