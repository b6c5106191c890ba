#!/usr/bin/env bash
# Installs what is missing, builds both executables and runs every test
# under 64-bit Wine and a private Xvfb display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-machine.sh"
"$root/scripts/build.sh"
source "$root/scripts/wine-env.sh"
wine_env_start
status=0
ctest --test-dir "$root/build/win64" --output-on-failure "$@" || status=$?
# Screenshots the tests took, as PNG for people to look at.
for bmp in "$root"/build/win64/screenshots/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $status
