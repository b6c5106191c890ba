#!/usr/bin/env bash
# What scripts/setup-machine.sh decides, with the commands it runs replaced
# by stand-ins on PATH: a package archive out of step (an index that fails
# to download, an install that fails on unmet dependencies until the
# release is the target), an install that fails for good, and a machine
# with nothing missing. Prints "N passed, N failed".
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
  *" update "*)
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
# Nothing is installed, or everything, as the scenario says.
cat >"$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
[ "$STANDIN_MODE" = complete ] && printf 'install ok installed'
exit 0
STUB
cat >"$work/bin/dpkg" <<'STUB'
#!/usr/bin/env bash
echo "dpkg $*" >>"$STANDIN_LOG"
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
STUB
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

run_setup() {
  : >"$work/$1.log"
  STANDIN_MODE=$1 STANDIN_LOG="$work/$1.log" PATH="$work/bin:$PATH" \
    "$root/scripts/setup-machine.sh" >"$work/$1.out" 2>&1
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

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
