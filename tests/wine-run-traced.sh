#!/usr/bin/env bash
# Like wine-run.sh, but Wine's debug output (standard error, which child
# processes inherit) goes to the file named first, for the test to read;
# the Wine loader comes second.
set -u
trace=$1
loader=$2
shift 2
log=$(mktemp)
: >"$trace"
"$loader" "$@" >"$log" 2>>"$trace"
status=$?
cat "$log"
rm -f "$log"
exit $status
