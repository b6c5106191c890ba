#!/usr/bin/env bash
# Runs one test executable under 64-bit Wine. Wine's helper processes (the
# desktop, services) outlive the test and inherit its output; writing to a
# file instead of ctest's pipe lets ctest see the test end when it ends.
set -u
log=$(mktemp)
/usr/lib/wine/wine64 "$@" >"$log" 2>&1
status=$?
cat "$log"
rm -f "$log"
exit $status
