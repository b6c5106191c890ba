#!/usr/bin/env bash
# What scripts/setup-machine.sh decides, with the commands it runs replaced
# by stand-ins on PATH: a package archive out of step (an index that fails
# to download, an install that fails on unmet dependencies until the
# release is the target), an install that fails for good, a machine with
# nothing missing, and two kernels that run no i386 programs: one where the
# emulator can be registered, and one where it cannot, through the test
# command's summary. Prints "N passed, N failed".
# Argument: the source root.
set -u
root=$1
passed=0 failed=0
check() {
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
# apt-get logs every call; update fails as a syncing mirror does; install
# fails with apt's unmet-dependencies report unless the release is the
# target, and always in the "broken" mode.
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "$*" >>"$STANDIN_LOG"
case " $* " in
  *" qemu-user-static "*) touch "$STANDIN_STATE/qemu"; exit 0 ;;
  *" update "*)
    [ "$STANDIN_MODE" = out-of-step ] || [ "$STANDIN_MODE" = broken ] || exit 0
    echo "E: Failed to fetch http://mirror/dists/x-security/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
  *" -t "*) [ "$STANDIN_MODE" != broken ] && exit 0 ;;
esac
echo "The following packages have unmet dependencies:"
echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
echo "E: Unable to correct problems, you have held broken packages."
exit 100
STUB
# Nothing is installed, or everything, as the scenario says; qemu 10 once
# the stand-in apt-get has installed it.
cat >"$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
if [ "${*: -1}" = qemu-user-static ]; then
  [ -f "$STANDIN_STATE/qemu" ] && printf 'install ok installed 1:10.0.2+ds-2+deb13u1~bpo12+1'
  exit 0
fi
[ "$STANDIN_MODE" = out-of-step ] || [ "$STANDIN_MODE" = broken ] || printf 'install ok installed'
exit 0
STUB
cat >"$work/bin/dpkg" <<'STUB'
#!/usr/bin/env bash
[ "$1" = --compare-versions ] && exec /usr/bin/dpkg "$@"
echo "dpkg $*" >>"$STANDIN_LOG"
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
STUB
# binfmt_misc as the kernel keeps it: mounting gives the register file;
# the probe, standing in for the kernel's next exec, turns what was written
# there into the entry, and runs only when an enabled entry names qemu.
cat >"$work/bin/mount" <<'STUB'
#!/usr/bin/env bash
echo "mount $*" >>"$STANDIN_LOG"
[ "$STANDIN_MODE" = unregistrable ] && { echo "mount: permission denied" >&2; exit 32; }
: >"${*: -1}/register"
STUB
cat >"$work/bin/probe" <<'STUB'
#!/usr/bin/env bash
binfmt=$PARVELLO_BINFMT_DIR
if [ -s "$binfmt/register" ]; then
  IFS=: read -r _ name _ _ magic mask interpreter flags <"$binfmt/register"
  printf 'enabled\ninterpreter %s\nflags: %s\nmagic %s\n' "$interpreter" "$flags" "$magic" >"$binfmt/$name"
  : >"$binfmt/register"
fi
grep -qx enabled "$binfmt/qemu-i386" 2>/dev/null && grep -qx 'interpreter /usr/bin/qemu-i386-static' "$binfmt/qemu-i386"
STUB
# What the test command needs besides: a build that builds nothing, a
# display, and CTest that passes and lists two tests that start 32-bit
# programs.
printf '#!/bin/sh\n' >"$work/bin/cmake"
cat >"$work/bin/Xvfb" <<'STUB'
#!/bin/sh
echo 99 >&3
exec sleep 300
STUB
cat >"$work/bin/ctest" <<'STUB'
#!/usr/bin/env bash
echo "ctest $*" >>"$STANDIN_LOG"
case " $* " in
  *" -N "*"-LE i386 "*|*" -N "*"-R deliverable "*) printf '  Test  #1: deliverable_test\n  Test  #6: lock_folder\n\nTotal Tests: 2\n' ;;
  *" -N "*) printf '  Test  #1: deliverable_test\n  Test  #4: library_test\n  Test  #6: lock_folder\n  Test #12: deployment\n\nTotal Tests: 4\n' ;;
  *) echo "100% tests passed, 0 tests failed out of 9" ;;
esac
STUB
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*
# Nothing of this machine's own is touched: its apt configuration and
# binfmt_misc are folders of the test's, and the first scenarios' machine
# runs i386 programs.
mkdir -p "$work/apt/sources.list.d" "$work/apt/preferences.d" "$work/binfmt"
export PARVELLO_APT_ETC="$work/apt" PARVELLO_BINFMT_DIR="$work/binfmt" PARVELLO_I386_PROBE=true

run_setup() {
  : >"$work/$1.log"
  mkdir -p "$work/$1.state"
  STANDIN_MODE=$1 STANDIN_LOG="$work/$1.log" STANDIN_STATE="$work/$1.state" PATH="$work/bin:$PATH" \
    "$root/scripts/${2:-setup-machine.sh}" >"$work/$1.out" 2>&1
}
release=$(. /etc/os-release && echo "$VERSION_CODENAME")

# Out of step: update fails, the first install fails, the second one targets the release.
run_setup out-of-step
check "the out-of-step archive still installs" test $? -eq 0
check "update, then two installs" test "$(grep -c -E '^(update|install)' "$work/out-of-step.log")" -eq 3
check "the failed index is named" grep -q 'binary-i386/Packages.xz' "$work/out-of-step.out"
check "the packages it installs are named" grep -q '^Installing: .*wine32:i386' "$work/out-of-step.out"
first=$(grep '^install' "$work/out-of-step.log" | sed -n 1p)
second=$(grep '^install' "$work/out-of-step.log" | sed -n 2p)
check "the first install has no target" test -n "$first" -a "${first/ -t /}" = "$first"
check "the second install targets the release" grep -q -- "-t $release " <<<"$second"
check "both installs ask for the same packages" \
  test "$(xargs -n1 <<<"$first" | grep -v '^-' | sort)" = "$(xargs -n1 <<<"${second/-t $release/}" | grep -v '^-' | sort)"
check "every package is asked for" grep -q 'wine32:i386 .*osslsigncode' <<<"$second"

# Broken for good: apt's own reason and one line that says what to try, exit non-zero.
run_setup broken
check "a broken archive fails the set-up" test $? -ne 0
check "after exactly one retry" test "$(grep -c '^install' "$work/broken.log")" -eq 2
check "apt's reason is shown" grep -q 'held broken packages' "$work/broken.out"
check "what to try is said" grep -q '^Installing failed\. Try' "$work/broken.out"

# Nothing missing: no apt command at all.
run_setup complete
check "a complete machine passes" test $? -eq 0
check "a complete machine runs no apt command" test ! -s "$work/complete.log" -o -z "$(grep -v '^dpkg --print' "$work/complete.log")"
check "and says it installs nothing" test ! -s "$work/complete.out"

# A kernel without i386: backports is added for qemu alone, qemu 10 comes
# from it, the handler is registered after mounting binfmt_misc, and the
# probe passes the second time.
apt_etc="$work/apt"
printf 'Types: deb\nURIs: http://security.example/debian-security\nSuites: %s-security\n\n' "$release" \
  >"$apt_etc/sources.list.d/debian.sources"
printf 'Types: deb\nURIs: http://mirror.example/debian\nSuites: %s\nComponents: main\n' "$release" \
  >>"$apt_etc/sources.list.d/debian.sources"
export PARVELLO_I386_PROBE="$work/bin/probe"
run_setup emulated
check "the emulated machine is set up" test $? -eq 0
check "backports comes from the release's own mirror, not the security archive's" \
  grep -qx "URIs: http://mirror.example/debian" "$apt_etc/sources.list.d/parvello-backports.sources"
check "for the release's backports suite" grep -qx "Suites: $release-backports" "$apt_etc/sources.list.d/parvello-backports.sources"
check "nothing is taken from backports by default" \
  grep -Pzq "Package: \\*\nPin: release n=$release-backports\nPin-Priority: -" "$apt_etc/preferences.d/parvello-backports"
check "but qemu" \
  grep -Pzq "Package: qemu-user qemu-user-static qemu-user-binfmt\nPin: release n=$release-backports\nPin-Priority: 9" \
  "$apt_etc/preferences.d/parvello-backports"
check "the index is read, then qemu installed, once" test "$(grep -c -E '^(update|install.* qemu-user-static$)' "$work/emulated.log")" -eq 2
check "binfmt_misc is mounted where asked" grep -qx "mount -t binfmt_misc binfmt_misc $work/binfmt" "$work/emulated.log"
check "the handler is qemu's, preserving argv[0] and opened at once" \
  grep -qx "flags: FP" "$work/binfmt/qemu-i386"
check "for i386 ELF programs" grep -qx 'magic \\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00' \
  "$work/binfmt/qemu-i386"
check "no word of failure" test -z "$(grep -i 'could not' "$work/emulated.out")"
# The same machine again: nothing changes.
sums=$(md5sum "$apt_etc"/*/* "$work/binfmt/qemu-i386")
stamps=$(stat -c %Y "$apt_etc"/*/*)
run_setup emulated
check "a second run passes" test $? -eq 0
check "and changes nothing" test "$sums" = "$(md5sum "$apt_etc"/*/* "$work/binfmt/qemu-i386")" -a \
  "$stamps" = "$(stat -c %Y "$apt_etc"/*/*)"
check "and runs no apt command, no mount" test -z "$(grep -v '^dpkg --print' "$work/emulated.log")"

# A kernel without i386 where binfmt_misc cannot be mounted: the set-up
# says so and passes; the test command builds, runs the 64-bit suite
# without the tests that start 32-bit programs, and ends by naming the
# 32-bit suite as not run.
rm -rf "$work/binfmt"/* "$apt_etc"/preferences.d/* "$apt_etc"/sources.list.d/parvello-*
prefix="$work/prefix"
mkdir -p "$prefix/drive_c/windows/Fonts"
printf '"Arial"="DejaVu Sans"\n' >"$prefix/user.reg"
: >"$prefix/system.reg"
export WINEPREFIX_OVERRIDE="$prefix"
run_setup unregistrable
check "the set-up passes without an emulator" test $? -eq 0
check "and says why in one paragraph" grep -q 'could not.*make it: the emulator could not be registered in binfmt_misc' \
  <<<"$(tr '\n' ' ' <"$work/unregistrable.out")"
check "qemu is still installed for a later run" test -f "$work/unregistrable.state/qemu"
run_setup unregistrable test.sh
check "the test command passes with what it could run" test $? -eq 0
summary=$(tail -n 3 "$work/unregistrable.out")
check "the summary names the 32-bit suite as not run, and why" \
  grep -qx "The 32-bit suite: NOT RUN: the emulator could not be registered in binfmt_misc .*" <<<"$summary"
check "never as passed" test -z "$(grep '32-bit suite.*passed' "$work/unregistrable.out")"
check "the 64-bit suite runs without the tests that start 32-bit programs" \
  grep -q -- "--test-dir $root/build/win64 --output-on-failure -LE i386" "$work/unregistrable.log"
check "the 32-bit suite is not started" test -z "$(grep "build/test32" "$work/unregistrable.log")"
check "the summary names the 64-bit tests not run" \
  grep -qx "The 64-bit suite: passed, without the tests that start 32-bit programs (not run: library_test deployment)" \
  <<<"$summary"

# Run with a filter that leaves no labelled test: none is named as left out.
: >"$work/unregistrable.log"
STANDIN_MODE=unregistrable STANDIN_LOG="$work/unregistrable.log" STANDIN_STATE="$work/unregistrable.state" \
  PATH="$work/bin:$PATH" "$root/scripts/test.sh" -R deliverable >"$work/filtered.out" 2>&1
check "a filtered run passes too" test $? -eq 0
check "and names no test as left out" grep -qx "The 64-bit suite: passed, without the tests that start 32-bit programs (not run: none)" \
  <<<"$(tail -n 1 "$work/filtered.out")"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
