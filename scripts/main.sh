#!/usr/bin/env bash
# The main job: installs what is missing, builds both executables, then
# performs a real unattended installation with the example script in a
# fresh Wine prefix and reports what the setup did. Exits non-zero when the
# installation failed.
#
# With --wizard it opens the interactive setup instead: on the user's own
# display when one is set, for a person to click through; otherwise under
# Xvfb, where the test driver walks through every page and saves a
# screenshot of each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-machine.sh"
"$root/scripts/build.sh" >/dev/null
source "$root/scripts/i386-probe.sh"
if ! runs_i386; then
  echo "This machine does not run i386 programs, so the 32-bit VOZAZIZA.EXE cannot run here (see the set-up's paragraph above)." >&2
  exit 1
fi

export WINEPREFIX_OVERRIDE="$root/build/main-prefix"
rm -rf "$WINEPREFIX_OVERRIDE"
if [ "${1:-}" = "--wizard" ]; then
  export WINE_ENV_OWN_DISPLAY=1
  source "$root/scripts/wine-env.sh"
  wine_env_start >/dev/null
  if [ -z "${XVFB_PID:-}" ]; then
    echo "Opening the Parvello 1.1 Setup wizard on $DISPLAY (Wine prefix $WINEPREFIX)"
    "$WINE32" "$root/build/win32/bin/VOZAZIZA.EXE" >/dev/null 2>&1 && status=0 || status=$?
    echo "The setup ended with exit code $status"
    exit "$status"
  fi
  echo "No display is set: walking through the wizard under Xvfb (Wine prefix $WINEPREFIX)"
  shots="$root/build/test32/screenshots"
  rm -rf "$shots"
  log=$(mktemp)
  "$WINE32" "$root/build/test32/bin/wizard_test.exe" \
    --gtest_filter='Wizard.WithoutTheClassKey*:Wizard.TheOverwrite*:Wizard.EveryPage*:Wizard.CancelDuringTheCopyPauses*:Wizard.AHelpFile*:MailPages.ThePredefined*:MailPages.AUserDefined*:InfoPages.AReader*' \
    >"$log" 2>&1 && status=0 || status=$?
  grep -E '^\[ *(OK|FAILED|PASSED) *\]' "$log" || cat "$log"
  rm -f "$log"
  for bmp in "$shots"/*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
  echo "Screenshots:"
  ls -1 "$shots"/*.png | sed 's/^/  /'
  exit "$status"
fi
source "$root/scripts/wine-env.sh"
wine_env_start >/dev/null

drive_c="$WINEPREFIX/drive_c"
script="${1:-$root/examples/parvello-setup.ini}"
cp "$script" "$drive_c/parvello-setup.ini"
start=$(date +%s%N)
"$WINE32" "$root/build/win32/bin/VOZAZIZA.EXE" 'C:\parvello-setup.ini' >/dev/null 2>&1 && status=0 || status=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))

echo "Unattended setup of Parvello 1.1 (the 32-bit VOZAZIZA.EXE on 64-bit Wine, prefix $WINEPREFIX)"
echo "Script: $script"
echo "Exit code: $status, wall time ${elapsed_ms} ms"
echo
echo "Installed files (size, date as local time in $TZ):"
failed=0
# On 64-bit Windows the library of each architecture lies in that
# architecture's system directory.
for file in windows/syswow64/parvello.dll windows/system32/parvello.dll windows/help/parvello.hlp \
            windows/help/parvello.cnt; do
  if [ -f "$drive_c/$file" ]; then
    printf '  C:\\%-28s %8d bytes  %s\n' "${file//\//\\}" "$(stat -c %s "$drive_c/$file")" \
      "$(date -d "@$(stat -c %Y "$drive_c/$file")" '+%Y-%m-%d %H:%M:%S')"
  else
    printf '  C:\\%-28s missing\n' "${file//\//\\}"
    failed=1
  fi
done

query() {  # $1 the registry view (32 or 64), $2 the key; prints its values (those matching $3), or says it is absent
  local out
  if out=$("$WINE" reg query "$2" "/reg:$1" 2>/dev/null | tr -d '\r' | grep -E '^\s+\S' ); then
    echo "  $2 ($1-bit view)"
    if [ -n "${3:-}" ]; then echo "$out" | grep -F -- "$3" | sed 's/^ */    /'; else echo "$out" | sed 's/^ */    /'; fi
  else
    echo "  $2 ($1-bit view): absent"
    failed=1
  fi
}
# The class and the approval are in both views, each naming the library of
# its architecture; the handler keys are shared by both views (a 32-bit
# program writes them there under Wine as on Windows 7 and later); the
# uninstall entry and the settings are in the 32-bit view.
echo
echo "Registry entries written:"
for view in 32 64; do
  query $view 'HKCR\CLSID\{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}'
  query $view 'HKCR\CLSID\{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}\InProcServer32'
  query $view 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved' \
        '{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}'
done
query 64 'HKCR\*\shellex\ContextMenuHandlers\Parvello'
query 64 'HKCR\Directory\shellex\ContextMenuHandlers\Parvello'
query 32 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Parvello'
echo
echo "Settings as stored:"
query 32 'HKLM\SOFTWARE\Quorvanta\Parvello'

folder=$("$WINE" reg query 'HKLM\SOFTWARE\Quorvanta\Parvello' /v TemporaryFolder /reg:32 2>/dev/null | tr -d '\r' |
         sed -n 's/.*REG_SZ *//p')
echo
if [ -n "$folder" ]; then
  unix_folder=$("$WINE" winepath -u "$folder" 2>/dev/null | tr -d '\r')
  if [ -d "$unix_folder" ]; then echo "Temporary archive folder: $folder (exists)"
  else echo "Temporary archive folder: $folder (missing)"; failed=1; fi
fi
if [ -f "$drive_c/vozaziza.err" ]; then
  echo "Error log c:\\vozaziza.err: $(tr -d '\0' < "$drive_c/vozaziza.err")"
  failed=1
else
  echo "Error log c:\\vozaziza.err: none"
fi
echo
if [ "$status" -ne 0 ] || [ "$failed" -ne 0 ]; then echo "RESULT: installation FAILED"; exit 1; fi
echo "RESULT: installation succeeded"
