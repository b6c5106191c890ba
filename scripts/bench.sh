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
declare -A times m
programs=(floor mustdo setup)
command_of() {
  case $1 in
    floor) echo "$bin32/do_nothing.exe" ;;
    mustdo) echo "$bin32/must_do.exe" ;;
    setup) echo "$setup C:\\parvello-setup.ini" ;;
  esac
}
# BENCH_ONLY=pack skips to the packing.
if [ "${BENCH_ONLY:-}" != pack ]; then
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
fi

# Packing: the product library's command (both architectures, through
# the pack timer under Wine, its file access going through the Wine
# server) against the host's zip -6 and 7-Zip's ZIP writer on two threads
# (native), and the floor: a Windows program that only lists every folder
# and reads every file whole, under Wine. Two sets: about 100 MB of mixed
# large files (texts, programs and libraries, compressed data, random
# bytes), and 4,000 small files. The programs alternate in every round.
make_sets() {
  local large="$root/build/bench-large" small="$root/build/bench-small"
  if [ ! -f "$large/complete" ]; then
    rm -rf "$large"; mkdir -p "$large/texts" "$large/programs" "$large/compressed" "$large/random"
    python3 - "$large" <<'PY'
import glob, os, random, sys, zlib
out = sys.argv[1]
headers = sorted(glob.glob("/usr/share/mingw-w64/include/**/*.h", recursive=True))
text = b"".join(open(h, "rb").read() for h in headers)
for i in range(6):  # logs and documents: 30 MB of text
    open("%s/texts/text-%d.txt" % (out, i), "wb").write((text * 3)[i * 5000000:(i + 1) * 5000000])
programs, total = [], 0
for folder in ("/usr/lib/gcc/x86_64-w64-mingw32/12-win32", "/usr/x86_64-w64-mingw32/lib"):
    for f in sorted(glob.glob(folder + "/**", recursive=True)):
        if os.path.isfile(f) and 262144 <= os.path.getsize(f) and total + os.path.getsize(f) <= 40000000:
            programs.append(f); total += os.path.getsize(f)
for n, f in enumerate(programs):  # programs and libraries: 40 MB
    open("%s/programs/%03d-%s" % (out, n, os.path.basename(f)), "wb").write(open(f, "rb").read())
data = b"".join(open(f, "rb").read() for f in programs)
for i in range(3):  # photos, archives: 15 MB that deflate no further
    open("%s/compressed/packed-%d.gz" % (out, i), "wb").write(zlib.compress(data[i::3], 9)[:5000000])
r = random.Random(1)
for i in range(6):  # encrypted or video: 15 MB of noise
    open("%s/random/noise-%d.bin" % (out, i), "wb").write(r.randbytes(2500000))
PY
    touch "$large/complete"
  fi
  if [ ! -f "$small/complete" ]; then
    rm -rf "$small"; mkdir -p "$small"
    { find /usr/share/mingw-w64/include -type f -size -64k | sort; find /usr/include -type f -size -64k | sort; } |
      awk "NR <= 4000" | while read -r f; do cp --parents "$f" "$small/"; done
    touch "$small/complete"
  fi
}
make_sets
winpath() { echo "Z:${1//\//\\}"; }
pack_runs=${PACK_RUNS:-5}
split_kb=${SPLIT_KB:-4000}
library32="$root/build/library32/bin/parvello.dll" library64="$root/build/library64/bin/parvello.dll"
for set in large small; do
  dir="$root/build/bench-$set"
  items=(); for d in "$dir"/*/; do items+=("$(basename "$d")"); done
  witems=(); for d in "${items[@]}"; do witems+=("$(winpath "$dir/$d")"); done
  files=$(find "$dir" -type f ! -name complete | wc -l)
  bytes=$(find "$dir" -type f ! -name complete -printf '%s\n' | awk '{s += $1} END {print s}')
  declare -A t=() z=()
  for _ in $(seq "$pack_runs"); do
    for who in library64 library32; do
      rm -rf "$WINEPREFIX/drive_c/bench-archives"; mkdir -p "$WINEPREFIX/drive_c/bench-archives"
      loader=$WINE timer=$bin/pack_timer.exe
      [ $who = library32 ] && loader=$WINE32 timer=$bin32/pack_timer.exe
      # To a file: a pipe would stay open as long as any Wine helper process lives.
      "$loader" "$timer" "$(winpath "${!who}")" 'C:\bench-archives' "$(winpath "$bin/do_nothing.exe")" \
        "${witems[@]}" >"$root/build/bench-pack.out" 2>/dev/null || true
      out=$(tr -d '\r' <"$root/build/bench-pack.out"); read -r ms size _ <<<"$out"; t[$who]+="$ms "; z[$who]=$size
    done
    # The same send whole and with a budget per message that the archive
    # exceeds, to a mail program that does not exist: the difference is
    # the split alone (the parts written from the archive's own members),
    # not the starts of one mail program per part.
    if [ "$set" = large ]; then
      for kb in 0 "$split_kb"; do
        rm -rf "$WINEPREFIX/drive_c/bench-archives"; mkdir -p "$WINEPREFIX/drive_c/bench-archives"
        PACK_TIMER_BUDGET_KB=$kb "$WINE" "$bin/pack_timer.exe" "$(winpath "$library64")" 'C:\bench-archives' none \
          "${witems[@]}" >"$root/build/bench-pack.out" 2>/dev/null || true
        read -r ms _ count <<<"$(tr -d '\r' <"$root/build/bench-pack.out")"
        if [ "$kb" = 0 ]; then t[whole]+="$ms "; else t[split]+="$ms "; parts=$count; fi
      done
    fi
    "$WINE" "$bin/read_floor.exe" "${witems[@]}" >"$root/build/bench-pack.out" 2>/dev/null || true
    out=$(tr -d '\r' <"$root/build/bench-pack.out"); t[floor]+="${out%% *} "
    rm -f "$root/build/bench-zip.zip"
    start=$(now); (cd "$dir" && zip -6 -r -q -X "$root/build/bench-zip.zip" "${items[@]}")
    t[zip]+="$(( ($(now) - start) / 1000 ))e-3 "; z[zip]=$(stat -c %s "$root/build/bench-zip.zip")
    rm -f "$root/build/bench-7z.zip"
    start=$(now); (cd "$dir" && 7z a -tzip -mx=5 -mmt=2 "$root/build/bench-7z.zip" "${items[@]}" >/dev/null)
    t[7z]+="$(( ($(now) - start) / 1000 ))e-3 "; z[7z]=$(stat -c %s "$root/build/bench-7z.zip")
  done
  for who in library64 library32 floor zip 7z whole split; do
    if [ -n "${t[$who]:-}" ]; then m[$who]=$(printf '%s\n' ${t[$who]} | awk '{printf "%.1f\n", $1}' | median); fi
  done
  printf 'Packing the %s set: %d files, %.1f MB (median of %d, alternating)\n' "$set" "$files" "$(awk -v b="$bytes" 'BEGIN {print b / 1e6}')" "$pack_runs"
  for who in library64 library32 zip 7z floor; do
    case $who in
      library64) label="Parvello, 64-bit (Wine)" ;; library32) label="Parvello, 32-bit (Wine)" ;;
      zip) label="zip -6 (host)" ;; 7z) label="7z -tzip -mx=5 -mmt=2 (host)" ;; floor) label="I/O floor: list, read (Wine)" ;;
    esac
    awk -v l="$label" -v ms="${m[$who]}" -v size="${z[$who]:-}" -v zt="${m[zip]}" -v ft="${m[floor]}" -v zz="${z[zip]}" 'BEGIN {
      printf "  %-32s %8.0f ms  %5.2fx zip  %5.2fx floor", l, ms, ms / zt, ms / ft
      if (size != "") printf "  %10d bytes  %+6.2f%% vs zip", size, (size / zz - 1) * 100
      printf "\n" }'
  done
  if [ "$set" = large ]; then
    awk -v s="${m[split]}" -v w="${m[whole]}" -v n="$parts" -v kb="$split_kb" 'BEGIN {
      printf "  %-32s %8.0f ms  whole %.0f ms; split into %s parts of at most %d KB: %.0f ms, %.2fx the packing\n",
             "Parvello, 64-bit, in parts", s, w, n, kb, s - w, (s - w) / w }'
  fi
done
echo "  targets: large set at most 0.60x zip and at most +1% size; small set at most 1.20x floor;"
echo "           splitting at most 0.10x the packing"

exe="$root/build/win32/bin/VOZAZIZA.EXE"
res="$root/build/win32/resources"
total=$(stat -c %s "$exe")
payload=0
for f in parvello.dl_ parvello-other.dl_ parvello.hl_ parvello.cn_ parvello.ch_ parvello.ms_ parvello.cer parvello.family; do
  # The first menu's package, its certificate and family name: only in a build that signs it.
  [ -f "$res/$f" ] && payload=$((payload + $(stat -c %s "$res/$f")))
done
payload=$((payload + $(stat -c %s "$root/resources/licence.txt")))
for f in "$res"/*.bmp; do [ -f "$f" ] && payload=$((payload + $(stat -c %s "$f"))); done

echo "32-bit VOZAZIZA.EXE:                     ${total} bytes"
echo "  payload (FILE resources and bitmaps):  ${payload} bytes"
echo "  the rest:                              $((total - payload)) bytes (target at most 49152)"
