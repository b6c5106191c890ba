#!/usr/bin/env bash
# The deployment guide's commands, as a deployment tool runs them on 64-bit
# Windows: the install script from a share (the 32-bit VOZAZIZA.EXE and the
# example script beside it), its detection rule, a failed install and its
# exit code and log, the quiet uninstall script. Prints "N passed, N failed".
# Arguments: the source root, VOZAZIZA.EXE.
set -u
root=$1 deliverable=$2
wine=/usr/lib/wine/wine64
drive_c="$WINEPREFIX/drive_c"
share="$drive_c/deploy-share"
passed=0 failed=0
check() {
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
run() { "$wine" cmd /c "$@" >/dev/null 2>&1; }
detected() {  # the detection rule: DisplayVersion 1.1.0.0 in the 32-bit view
  "$wine" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Parvello' /v DisplayVersion /reg:32 \
    2>/dev/null | tr -d '\r' | grep -q 'DisplayVersion *REG_SZ *1\.1\.0\.0'
}
not_detected() { ! detected; }

rm -rf "$share" "$drive_c/vozaziza.err"
mkdir -p "$share"
cp "$deliverable" "$root/examples/parvello-setup.ini" "$root"/examples/deploy/*.cmd "$share/"
run 'C:\deploy-share\uninstall-parvello.cmd'
check "nothing installed at the start" not_detected

run 'C:\deploy-share\install-parvello.cmd'
check "the install script answers 0" test $? -eq 0
check "the detection rule finds it" detected
check "no error log" test ! -e "$drive_c/vozaziza.err"
# Detected, the script does not run the setup again: without it on the
# share it still answers 0.
mv "$share/VOZAZIZA.EXE" "$share/VOZAZIZA.EXE.aside"
run 'C:\deploy-share\install-parvello.cmd'
check "an installed computer is left alone" test $? -eq 0
mv "$share/VOZAZIZA.EXE.aside" "$share/VOZAZIZA.EXE"

run 'C:\deploy-share\uninstall-parvello.cmd'
check "the uninstall script answers 0" test $? -eq 0
check "the detection rule no longer finds it" not_detected
run 'C:\deploy-share\uninstall-parvello.cmd'
check "uninstalling again answers 0" test $? -eq 0

# A failed installation: a folder whose parent is missing.
printf '[Default Setup]\r\nTemporaryFolder=C:\\no such parent\\archives\r\n' >"$share/parvello-setup.ini"
run 'C:\deploy-share\install-parvello.cmd'
check "a failed install answers 1" test $? -eq 1
check "and leaves the error log" grep -q "Parvello setup was not completed" "$drive_c/vozaziza.err"
run 'C:\deploy-share\uninstall-parvello.cmd'
rm -rf "$share" "$drive_c/vozaziza.err"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
