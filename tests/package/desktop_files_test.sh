#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass the checks the desktops
# and software centres apply: a file they reject leaves the program out of
# the menu or the catalogue without a word.
#
# Usage: desktop_files_test.sh DESKTOP_FILE METAINFO_FILE
#   (exit 77 = skipped: a validator is not installed; under CI=true that is
#   a failure)
set -uo pipefail

desktop=$1
metainfo=$2
missing=()
command -v desktop-file-validate >/dev/null || missing+=(desktop-file-utils)
command -v appstreamcli >/dev/null || missing+=(appstream)
if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIPPED: not installed: ${missing[*]} (scripts/install-deps.sh installs them)" >&2
    [ "${CI:-}" = true ] && { echo "FAILED: CI=true" >&2; exit 1; }
    exit 77
fi

failures=0
# desktop-file-validate exits 0 with hints; a hint is a fault here too.
out=$(desktop-file-validate "$desktop" 2>&1)
status=$?
if [ $status -ne 0 ] || [ -n "$out" ]; then
    echo "FAIL: desktop-file-validate $desktop: $out"
    failures=$((failures + 1))
else
    echo "ok: desktop-file-validate"
fi
if ! appstreamcli validate --no-net "$metainfo"; then
    echo "FAIL: appstreamcli validate $metainfo"
    failures=$((failures + 1))
else
    echo "ok: appstreamcli validate"
fi
exit $((failures > 0))
