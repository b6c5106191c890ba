#!/usr/bin/env bash
# Runs one test executable under the Wine loader named first (32-bit or
# 64-bit, as the executable). Wine's helper processes (the desktop,
# services) outlive the test and inherit its output; writing to a file
# instead of ctest's pipe lets ctest see the test end when it ends.
set -u
loader=$1
shift
log=$(mktemp)
"$loader" "$@" >"$log" 2>&1
status=$?
cat "$log"
rm -f "$log"
exit $status
