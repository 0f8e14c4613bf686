#!/usr/bin/env bash
# Unpacks the Debian package `make package` built into a scratch root and
# runs what it installed: both programs' --version, and the window offscreen
# (in a network namespace of its own) with the installed Skin, started with
# -Soft and closed by the installed lorvena-cli soft-close. A file missing
# from the package, or a dependency dpkg-shlibdeps did not find, fails here.
# Then lintian, which must find no error.
#
# Usage: package_test.sh DEB VERSION
#   (exit 77 = skipped: no package built, or not root; under CI=true a skip
#   is a failure)
set -uo pipefail

deb=$1
version=$2

skip() {
    echo "SKIPPED: $*" >&2
    if [ "${CI:-}" = true ]; then
        echo "FAILED: CI=true, and this test must run in CI" >&2
        exit 1
    fi
    exit 77
}

[ -f "$deb" ] || skip "no package at $deb: run 'make package' first"
[ "$(id -u)" -eq 0 ] || skip "the window runs in a network namespace of its own, which needs root"

failures=0
check() {
    local name=$1 expected=$2 actual=$3
    if [ "$expected" = "$actual" ]; then
        echo "ok: $name"
    else
        echo "FAIL: $name"
        echo "  expected: $expected"
        echo "  actual:   $actual"
        failures=$((failures + 1))
    fi
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }

# --- the files an installation needs
expected_files=(
    usr/bin/lorvena usr/bin/lorvena-cli usr/lib/lorvena/lorvena
    usr/share/applications/lorvena.desktop
    usr/share/metainfo/org.lorvena.Lorvena.metainfo.xml
    usr/share/man/man1/lorvena.1.gz usr/share/man/man1/lorvena-cli.1.gz
    usr/share/bash-completion/completions/lorvena-cli
    usr/share/doc/lorvena/copyright usr/share/doc/lorvena/changelog.gz
)
for size in 16 24 32 48 64 128 256; do
    expected_files+=("usr/share/icons/hicolor/${size}x${size}/apps/lorvena.png")
done
for strip in search modify close minimize Tip Tip1 new_old modify_old Cancel Upgrade Browse; do
    expected_files+=("usr/lib/lorvena/Skin/$strip.png" "usr/lib/lorvena/Skin/$strip@2x.png")
done
missing=()
for file in "${expected_files[@]}"; do
    [ -e "$root/$file" ] || missing+=("$file")
done
check "every file of an installation is in the package" "" "${missing[*]}"
check "the window's link in bin leads to the program beside its Skin" "../lib/lorvena/lorvena" \
    "$(readlink "$root/usr/bin/lorvena")"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6widgets6 libqt6network6 libssl3 libpugixml1v5 qt6-qpa-plugins; do
    check "the package depends on $library" yes \
        "$(tr ',' '\n' <<<"$depends" | awk '{ print $1 }' | grep -qxF "$library" && echo yes || echo "no: $depends")"
done
check "the package's version" "$version" "$(dpkg-deb -f "$deb" Version)"
check "the metainfo's version" yes \
    "$(grep -qF "<release version=\"$version\"" "$root/usr/share/metainfo/org.lorvena.Lorvena.metainfo.xml" && echo yes || echo no)"

# --- the installed programs run
check "lorvena-cli --version" "lorvena-cli $version" "$("$root/usr/bin/lorvena-cli" --version 2>&1)"
check "lorvena --version" "lorvena $version" "$("$root/usr/bin/lorvena" --version 2>&1)"
check "lorvena --help answers without a display" "Usage: lorvena [-Soft]" \
    "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/lorvena" --help 2>&1 | head -1)"
check "the manual page of lorvena-cli reads" yes \
    "$(MANWIDTH=80 man -l "$root/usr/share/man/man1/lorvena-cli.1.gz" 2>/dev/null | grep -q 'EXIT STATUS' && echo yes || echo no)"

# The window, started as a desktop would start it but offscreen, in a
# network namespace of its own: it must come up with the installed files and
# close when asked. A Qt plugin or library the package does not pull in stops
# it here.
mkdir -m 700 "$scratch/run" "$scratch/home"
window_log=$scratch/window.log
unshare -n env -i PATH=/usr/bin:/bin HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run" \
    QT_QPA_PLATFORM=offscreen root="$root" window_log="$window_log" bash -c '
    "$root/usr/bin/lorvena" -Soft >"$window_log" 2>&1 &
    window=$!
    # Up to 30 s for the channel to open; only a window that never comes up
    # waits that long.
    for _ in $(seq 300); do
        [ -S "$XDG_RUNTIME_DIR/lorvena-soft-close" ] && break
        kill -0 "$window" 2>/dev/null || break
        sleep 0.1
    done
    "$root/usr/bin/lorvena-cli" soft-close || { kill "$window" 2>/dev/null; wait "$window"; exit 10; }
    wait "$window"
'
status=$?
check "the installed window came up and closed when asked (log: $(tr '\n' ' ' <"$window_log"))" 0 "$status"

# --- lintian, as Debian's own packagers check a package
if command -v lintian >/dev/null; then
    lintian_out=$(lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1)
    lintian_status=$?
    echo "$lintian_out"
    check "lintian finds no error" 0 "$lintian_status"
elif [ "${CI:-}" = true ]; then
    check "lintian is installed (scripts/install-deps.sh)" yes no
else
    echo "SKIPPED (part): lintian is not installed, the package was not checked by it" >&2
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all package checks passed"
