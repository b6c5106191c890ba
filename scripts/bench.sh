#!/usr/bin/env bash
# Benchmark: wall time of an unattended installation by the 32-bit
# VOZAZIZA.EXE (on the 64-bit prefix, as on 64-bit Windows) against
# two floors started the same way, alternating in a warm prefix: a
# do-nothing Windows program, and one that does only what the setup's
# start-up must do on every road (load a text, look for a running setup's
# window). Both with an Xvfb display (the desktop exists, as on Windows)
# and without one. Then the peak memory and the size of the 32-bit
# VOZAZIZA.EXE split into payload and the rest. Prints figures only: the
# medians, and the fastest runs, which vary far less on a busy machine.
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
bin="$root/build/win64/bin"      # the 64-bit pack timer
bin32="$root/build/test32/bin"   # the 32-bit floors
setup="$root/build/win32/bin/VOZAZIZA.EXE"

# A second copy of the prefix, with a server of its own and no display:
# the two configurations alternate in every round, so that the machine's
# changing load falls on both alike.
headless_prefix="$root/build/bench-prefix-headless"
rm -rf "$headless_prefix"
/usr/lib/wine/wineserver -k 2>/dev/null || true
/usr/lib/wine/wineserver -w 2>/dev/null || true
cp -a "$WINEPREFIX" "$headless_prefix"
/usr/lib/wine/wineserver -p 2>/dev/null || true
WINEPREFIX="$headless_prefix" /usr/lib/wine/wineserver -p 2>/dev/null || true
trap 'WINEPREFIX="$headless_prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true; wine_env_stop' EXIT

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
fastest() { sort -n | head -n1; }
# run <display|headless> <program> [arguments]
run() {
  local where=$1; shift
  if [ "$where" = display ]; then "$WINE32" "$@" >/dev/null 2>&1 || true
  else env -u DISPLAY WINEPREFIX="$headless_prefix" "$WINE32" "$@" >/dev/null 2>&1 || true; fi
}
peak() {
  local where=$1; shift
  if [ "$where" = display ]; then /usr/bin/time -f %M "$WINE32" "$@" 2>&1 >/dev/null | tail -n1
  else env -u DISPLAY WINEPREFIX="$headless_prefix" /usr/bin/time -f %M "$WINE32" "$@" 2>&1 >/dev/null | tail -n1; fi
}
declare -A times
programs=(floor mustdo setup)
command_of() {
  case $1 in
    floor) echo "$bin32/do_nothing.exe" ;;
    mustdo) echo "$bin32/must_do.exe" ;;
    setup) echo "$setup C:\\parvello-setup.ini" ;;
  esac
}
for where in display headless; do for p in "${programs[@]}"; do run $where $(command_of $p); done; done
for _ in $(seq "$runs"); do
  for where in display headless; do
    for p in "${programs[@]}"; do
      t=$(now); run $where $(command_of $p); times[$where.$p]+="$(( ($(now) - t) / 1000 )) "
    done
  done
done
for where in display headless; do
  prefix=$WINEPREFIX; [ $where = headless ] && prefix=$headless_prefix
  [ -f "$prefix/drive_c/vozaziza.err" ] && echo "warning ($where): the last installation wrote an error log"
  for p in "${programs[@]}"; do
    eval "${where}_$p=$(printf '%s\n' ${times[$where.$p]} | median)"
    eval "${where}_${p}_min=$(printf '%s\n' ${times[$where.$p]} | fastest)"
    eval "${where}_${p}_peak=$(peak $where $(command_of $p))"
  done
done

echo "Runs: $runs of each, alternating, in two copies of one warm Wine prefix (with and without a display)"
report() {  # $1: median or fastest, $2: the variables' suffix
  awk -v kind="$1" -v f="$(eval echo \$display_floor$2)" -v m="$(eval echo \$display_mustdo$2)" \
      -v s="$(eval echo \$display_setup$2)" -v hf="$(eval echo \$headless_floor$2)" \
      -v hm="$(eval echo \$headless_mustdo$2)" -v hs="$(eval echo \$headless_setup$2)" 'BEGIN {
    printf "%-46s %12s %12s\n", kind " wall time", "display", "no display"
    printf "%-46s %9.1f ms %9.1f ms\n", "do-nothing program", f / 1000, hf / 1000
    printf "%-46s %9.1f ms %9.1f ms\n", "must-do program (text, window search)", m / 1000, hm / 1000
    printf "%-46s %9.1f ms %9.1f ms\n", "unattended installation (VOZAZIZA.EXE)", s / 1000, hs / 1000
    printf "  ratio setup / must-do, display:             %8.2f  (target at most 1.50)\n", s / m
    printf "  ratio setup / do-nothing, display:          %8.2f\n", s / f
    printf "  cost of no display, setup:                  %8.1f ms\n", (hs - s) / 1000
    printf "  cost of no display, must-do program:        %8.1f ms  (target: the setup'"'"'s at most this)\n", (hm - m) / 1000 }'
}
report median ""
report fastest _min
echo "Peak resident memory, display:    setup ${display_setup_peak} KiB, must-do ${display_mustdo_peak} KiB, do-nothing ${display_floor_peak} KiB"
echo "Peak resident memory, no display: setup ${headless_setup_peak} KiB, must-do ${headless_mustdo_peak} KiB, do-nothing ${headless_floor_peak} KiB"

# Packing: the product library's command on 50 MB of mixed files (headers,
# programs and libraries, files that are compressed already, random bytes),
# against the host's zip -6 on the same files. The library runs under Wine
# (its file access goes through the Wine server), zip natively.
corpus="$root/build/bench-corpus"
if [ ! -f "$corpus/complete" ]; then
  rm -rf "$corpus"
  # take <destination> <bytes> <find arguments...>: files in name order until the size is reached
  take() {
    local dest=$1 limit=$2; shift 2
    mkdir -p "$corpus/$dest"
    find "$@" -type f -size -4M -printf '%s %p\n' | sort -k2 |
      awk -v limit="$limit" '!done && sum + $1 <= limit { sum += $1; print substr($0, index($0, " ") + 1); next }
                             { done = 1 }' |
      while read -r f; do cp --parents "$f" "$corpus/$dest/"; done
  }
  take headers 20000000 /usr/share/mingw-w64/include -name '*.h'
  take programs 15000000 /usr/lib/gcc/x86_64-w64-mingw32/12-win32
  take compressed 5000000 /usr/share/doc -name '*.gz'
  mkdir -p "$corpus/random"
  python3 -c 'import random, sys
r = random.Random(1)
for i in range(4):
    open(sys.argv[1] + "/random-%d.bin" % i, "wb").write(r.randbytes(2621440))' "$corpus/random"
  touch "$corpus/complete"
fi
corpus_bytes=$(find "$corpus" -type f ! -name complete -printf '%s\n' | awk '{s += $1} END {print s}')
corpus_files=$(find "$corpus" -type f ! -name complete | wc -l)
winpath() { echo "Z:${1//\//\\}"; }
items=()
for d in headers programs compressed random; do items+=("$(winpath "$corpus/$d")"); done
pack_runs=${PACK_RUNS:-3}
pack_times="" zip_times=""
for _ in $(seq "$pack_runs"); do
  rm -rf "$WINEPREFIX/drive_c/bench-archives"; mkdir -p "$WINEPREFIX/drive_c/bench-archives"
  # To a file: a pipe would stay open as long as any Wine helper process lives.
  "$WINE" "$bin/pack_timer.exe" "$(winpath "$root/build/library64/bin/parvello.dll")" 'C:\bench-archives' \
    "$(winpath "$bin/do_nothing.exe")" "${items[@]}" >"$root/build/bench-pack.out" 2>/dev/null || true
  out=$(tr -d '\r' <"$root/build/bench-pack.out")
  pack_times+="${out%% *} "; pack_bytes=${out##* }
  rm -f "$root/build/bench-zip.zip"
  t=$(now); (cd "$corpus" && zip -6 -r -q -X "$root/build/bench-zip.zip" headers programs compressed random)
  zip_times+="$(( ($(now) - t) / 1000000 )) "
done
zip_bytes=$(stat -c %s "$root/build/bench-zip.zip")
awk -v n="$corpus_files" -v b="$corpus_bytes" -v pt="$(printf '%s\n' $pack_times | median)" -v pb="$pack_bytes" \
    -v zt="$(printf '%s\n' $zip_times | median)" -v zb="$zip_bytes" -v runs="$pack_runs" 'BEGIN {
  printf "Packing %d files, %.1f MB (median of %d):\n", n, b / 1e6, runs
  printf "  Parvello (64-bit, Wine):       %8.0f ms  %10d bytes  ratio %.3f\n", pt, pb, pb / b
  printf "  zip -6 (host):                %8.0f ms  %10d bytes  ratio %.3f\n", zt, zb, zb / b }'

exe="$root/build/win32/bin/VOZAZIZA.EXE"
res="$root/build/win32/resources"
total=$(stat -c %s "$exe")
payload=0
for f in parvello.dl_ parvello-other.dl_ parvello.hl_ parvello.cn_; do payload=$((payload + $(stat -c %s "$res/$f"))); done
payload=$((payload + $(stat -c %s "$root/resources/licence.txt")))
for f in "$res"/*.bmp; do [ -f "$f" ] && payload=$((payload + $(stat -c %s "$f"))); done

echo "32-bit VOZAZIZA.EXE:                     ${total} bytes"
echo "  payload (FILE resources and bitmaps):  ${payload} bytes"
echo "  the rest:                              $((total - payload)) bytes (target at most 49152)"
