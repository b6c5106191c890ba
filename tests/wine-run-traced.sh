#!/usr/bin/env bash
# Like wine-run.sh, but Wine's debug output (standard error, which child
# processes inherit) goes to the file named first, for the test to read.
set -u
trace=$1
shift
log=$(mktemp)
: >"$trace"
/usr/lib/wine/wine64 "$@" >"$log" 2>>"$trace"
status=$?
cat "$log"
rm -f "$log"
exit $status
