#!/usr/bin/env bash
# lorvena-cli's bash completion offers what a user types next: the commands,
# a command's own options, the values of --mode, --format and --dhcp, and
# file names after --file.
#
# Usage: completion_test.sh COMPLETION_FILE
#   (exit 77 = skipped: bash-completion is not installed; under CI=true that
#   is a failure)
set -uo pipefail

completion=$1
library=/usr/share/bash-completion/bash_completion
if [ ! -r "$library" ]; then
    echo "SKIPPED: bash-completion is not installed (scripts/install-deps.sh installs it)" >&2
    [ "${CI:-}" = true ] && { echo "FAILED: CI=true" >&2; exit 1; }
    exit 77
fi
# shellcheck disable=SC1090
source "$library"
# shellcheck disable=SC1090
source "$completion"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/NVR_V4.02.package" "$scratch/notes.txt"
cd "$scratch" || exit 1

# offered LINE: what completion offers for LINE (the cursor at its end),
# sorted, on one line.
offered() {
    COMP_LINE=$1
    COMP_POINT=${#COMP_LINE}
    read -r -a COMP_WORDS <<<"$COMP_LINE"
    [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _lorvena_cli lorvena-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | xargs
}

failures=0
while IFS='|' read -r line expected; do
    [ -z "$line" ] && continue
    actual=$(offered "$line")
    if [ "$actual" = "$expected" ]; then
        echo "ok: '$line'"
    else
        echo "FAIL: '$line'"
        echo "  expected: $expected"
        echo "  actual:   $actual"
        failures=$((failures + 1))
    fi
done <<'CASES'
lorvena-cli |--help --version batch help search set soft-close upgrade
lorvena-cli s|search set soft-close
lorvena-cli search --|--format --help --mode --onvif-mask --wait
lorvena-cli search --format |csv json table
lorvena-cli search --mode |new old
lorvena-cli upgrade --mode |new
lorvena-cli set --dhcp o|off on
lorvena-cli set --de|--device
lorvena-cli batch --de|--devices
lorvena-cli upgrade --file |NVR_V4.02.package notes.txt
lorvena-cli upgrade --file NV|NVR_V4.02.package
lorvena-cli set --device |
lorvena-cli help |batch help search set soft-close upgrade
lorvena-cli upgrade --f|--file
CASES
exit $((failures > 0))
