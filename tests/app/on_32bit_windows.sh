#!/usr/bin/env bash
# The 32-bit VOZAZIZA.EXE on 32-bit Windows (a 32-bit Wine prefix), where
# nothing of the 64-bit handling may show: one library, in system32; the
# class, the handlers, the approval, the uninstall entry and the settings
# once, where a 32-bit program has always written them; no registry call of
# the setup's or the product's names a view. The uninstall entry takes it
# all again. Prints "N passed, N failed".
# Arguments: the deliverable, the 32-bit library it must install, a folder
# for the prefix.
set -u
deliverable=$1 library=$2 work=$3
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine
passed=0 failed=0
check() {  # $1 what, then the command that must succeed
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
finish() {
  /usr/lib/wine/wineserver -k 2>/dev/null
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

# A fresh copy of a pristine 32-bit prefix, made once (about 10 s).
if [ ! -f "$work/pristine/system.reg" ]; then
  rm -rf "$work/pristine"
  mkdir -p "$work"
  WINEPREFIX="$work/pristine" WINEARCH=win32 "$wine" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$work/pristine" /usr/lib/wine/wineserver -w
fi
rm -rf "$WINEPREFIX"
cp -a "$work/pristine" "$WINEPREFIX"
drive_c="$WINEPREFIX/drive_c"
check "the prefix is a 32-bit one" test ! -e "$drive_c/windows/syswow64"

printf '[Default Setup]\r\nFileFilters=*.bak\r\nRetention=3\r\n' >"$drive_c/setup.ini"
WINEDEBUG=+reg "$wine" "$deliverable" 'C:\setup.ini' >/dev/null 2>"$work/install.trace"
check "the setup answers 0" test $? -eq 0
check "no error log" test ! -e "$drive_c/vozaziza.err"
check "the library in system32, as built" cmp "$library" "$drive_c/windows/system32/parvello.dll"
check "no other library anywhere" test "$(find "$drive_c/windows" -iname parvello.dll | wc -l)" -eq 1
check "no other stored copy left" test -z "$(find "$drive_c/windows" -maxdepth 1 -iname 'parvel*.dl_')"

query() { "$wine" reg query "$@" 2>/dev/null | tr -d '\r' | grep -v '^reg: '; }  # reg prints its errors on standard output
check "the class" grep -q 'Parvello User Interface' <(query 'HKCR\CLSID\{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}')
check "its server" grep -q 'REG_SZ *parvello.dll' \
  <(query 'HKCR\CLSID\{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}\InProcServer32')
check "the file handler" grep -q '{5c2e81f0' <(query 'HKCR\*\shellex\ContextMenuHandlers\Parvello')
check "the folder handler" grep -q '{5c2e81f0' <(query 'HKCR\Directory\shellex\ContextMenuHandlers\Parvello')
check "the uninstall entry" grep -q 'Rundll32.exe parvello.dll,Uninstall' \
  <(query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Parvello')
check "the settings" grep -q 'Retention *REG_DWORD *0x3' <(query 'HKLM\SOFTWARE\Quorvanta\Parvello')
/usr/lib/wine/wineserver -w
check "no key of the product in a Wow6432Node" test -z "$(grep -i 'wow6432node' "$WINEPREFIX/system.reg")"
# Every open and create of the product's keys, with its access mask: none
# may carry KEY_WOW64_64KEY (0x100) or KEY_WOW64_32KEY (0x200).
product_keys='Quorvanta|5c2e81f0|ContextMenuHandlers\\\\Parvello|Shell Extensions\\\\Approved|Uninstall\\\\Parvello'
masks=$(grep -E 'Nt(Open|Create)Key' "$work/install.trace" | grep -E "$product_keys" | sed -E 's/.*,([0-9a-f]+),0x[0-9a-f]+\)$/\1/')
check "the trace shows the product's keys opened" test -n "$masks"
for mask in $masks; do
  check "access $mask names no view" test $(( 0x$mask & 0x300 )) -eq 0
done

"$wine" rundll32.exe parvello.dll,Uninstall /S >/dev/null 2>&1
check "the uninstall answers 0" test $? -eq 0
check "the class is gone" test -z "$(query 'HKCR\CLSID\{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}')"
check "the settings are gone" test -z "$(query 'HKLM\SOFTWARE\Quorvanta\Parvello')"
check "the help file is gone" test ! -e "$drive_c/windows/help/parvello.hlp"
# Moved aside in its folder, and that name goes at the next start.
check "the library is moved aside" test ! -e "$drive_c/windows/system32/parvello.dll"
check "and is to go at the next start" grep -qiE 'system32\\~parvello-[0-9]+-[0-9]+\.del' \
  <(query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations)
finish
