#!/usr/bin/env bash
# Benchmark: wall time of an unattended installation by the twin against a
# do-nothing Windows program started the same way (Wine's process start),
# alternating in one prefix; the setup's peak memory; and the size of the
# 32-bit VOZAZIZA.EXE split into payload and the rest. Prints figures only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-15}
"$root/scripts/setup-machine.sh"
"$root/scripts/build.sh" >/dev/null

export WINEPREFIX_OVERRIDE="$root/build/bench-prefix"
rm -rf "$WINEPREFIX_OVERRIDE"
source "$root/scripts/wine-env.sh"
wine_env_start >/dev/null
cp "$root/examples/parvello-setup.ini" "$WINEPREFIX/drive_c/parvello-setup.ini"
setup="$root/build/win64/bin/VOZAZIZA.EXE"
floor="$root/build/win64/bin/do_nothing.exe"
gui_floor="$root/build/win64/bin/do_nothing_gui.exe"

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

# One untimed start of each warms the server and the page cache.
"$WINE" "$floor" >/dev/null 2>&1
"$WINE" "$gui_floor" >/dev/null 2>&1
"$WINE" "$setup" 'C:\parvello-setup.ini' >/dev/null 2>&1
setup_times=() floor_times=() gui_times=()
for _ in $(seq "$runs"); do
  t=$(now); "$WINE" "$floor" >/dev/null 2>&1; floor_times+=($(( ($(now) - t) / 1000 )))
  t=$(now); "$WINE" "$gui_floor" >/dev/null 2>&1; gui_times+=($(( ($(now) - t) / 1000 )))
  t=$(now); "$WINE" "$setup" 'C:\parvello-setup.ini' >/dev/null 2>&1; setup_times+=($(( ($(now) - t) / 1000 )))
done
[ -f "$WINEPREFIX/drive_c/vozaziza.err" ] && echo "warning: the last installation wrote an error log"
setup_median=$(printf '%s\n' "${setup_times[@]}" | median)
floor_median=$(printf '%s\n' "${floor_times[@]}" | median)
gui_median=$(printf '%s\n' "${gui_times[@]}" | median)

peak() { /usr/bin/time -f %M "$WINE" "$@" 2>&1 >/dev/null | tail -n1; }
setup_peak=$(peak "$setup" 'C:\parvello-setup.ini')
floor_peak=$(peak "$floor")

exe="$root/build/win32/bin/VOZAZIZA.EXE"
res="$root/build/win32/resources"
total=$(stat -c %s "$exe")
payload=0
for f in parvello.dl_ parvello.hl_ parvello.cn_; do payload=$((payload + $(stat -c %s "$res/$f"))); done
payload=$((payload + $(stat -c %s "$root/resources/licence.txt")))
for f in "$res"/*.bmp; do [ -f "$f" ] && payload=$((payload + $(stat -c %s "$f"))); done

echo "Runs: $runs of each, alternating, one Wine prefix"
awk -v s="$setup_median" -v f="$floor_median" -v g="$gui_median" 'BEGIN {
  printf "Unattended installation (twin), median:        %8.1f ms\n", s / 1000
  printf "Do-nothing program, kernel32 only, median:     %8.1f ms\n", f / 1000
  printf "Do-nothing program, setup'"'"'s imports, median:  %8.1f ms\n", g / 1000
  printf "Ratio setup / bare floor:                      %8.2f  (target at most 1.50)\n", s / f
  printf "Ratio setup / floor with the same imports:     %8.2f\n", s / g }'
echo "Peak resident memory, setup process:     ${setup_peak} KiB (do-nothing program: ${floor_peak} KiB)"
echo "32-bit VOZAZIZA.EXE:                     ${total} bytes"
echo "  payload (FILE resources and bitmaps):  ${payload} bytes"
echo "  the rest:                              $((total - payload)) bytes (target at most 65536)"
