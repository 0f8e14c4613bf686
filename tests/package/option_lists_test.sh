#!/usr/bin/env bash
# lorvena-cli's options as --help lists them, as the manual page lists them
# and as the README's command-line section lists them: the three must name
# the same options, so that none of them drifts from the program.
#
# Usage: option_lists_test.sh LORVENA_CLI MANPAGE_SOURCE README
set -uo pipefail

cli=$1
manpage=$2
readme=$3

options() { grep -oE -- '--[a-z][a-z-]*[a-z]' | sort -u; }

from_help=$("$cli" --help | options)
# The manual page's source marks options in bold: *--name*.
from_manpage=$(options <"$manpage")
from_readme=$(sed -n '/^## Command line$/,/^## /p' "$readme" | options)

failures=0
compare() {
    local name=$1 list=$2
    if [ "$list" != "$from_help" ]; then
        echo "FAIL: the options of the $name differ from lorvena-cli --help"
        diff <(echo "$from_help") <(echo "$list") | sed -n "s/^</  only in --help:/p; s/^>/  only in the $name:/p"
        failures=$((failures + 1))
    else
        echo "ok: the $name lists the options of lorvena-cli --help"
    fi
}
compare "manual page" "$from_manpage"
compare README "$from_readme"
exit $((failures > 0))
