#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, when it
# is missing: the cross compilers, and Wine of both architectures, so that
# the 32-bit VOZAZIZA.EXE runs on a 64-bit (WoW64) prefix as on 64-bit
# Windows, and the 64-bit product library in 64-bit programs.
set -euo pipefail
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo

# 32-bit Wine needs a machine that executes i386 programs. A kernel built
# without IA-32 emulation (or booted with it off) runs them only through
# qemu-user registered in binfmt_misc. Bookworm's own qemu 7.2 cannot run
# Wine ("failed to map the shared user data"); bookworm-backports' 10 can,
# so that suite is added for this one package and pinned away for the rest.
# Where it cannot be done, the paragraph says why and the set-up goes on:
# the test command then runs everything that needs no 32-bit code, and
# names the 32-bit suite as not run.
source "$(dirname "$0")/i386-probe.sh"
apt_etc=${PARVELLO_APT_ETC:-/etc/apt}
binfmt=${PARVELLO_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}
emulator=/usr/bin/qemu-i386-static
# qemu's own i386 entry: ELF, 32-bit, little-endian, executable or shared
# object, machine 3.
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# Writes $2 to the file $1 unless it holds exactly that already.
write_if_changed() {
  [ -f "$1" ] && [ "$(cat "$1")" = "$2" ] && return 0
  printf '%s\n' "$2" | $SUDO tee "$1" >/dev/null
}

# The backports suite from the mirror the release comes from.
add_backports() {
  local release uri
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  uri=$(grep -h -E '^(URIs:|deb) ' "$apt_etc"/sources.list.d/*.sources "$apt_etc"/sources.list 2>/dev/null |
        grep -o -E 'https?://[^ ]+/debian/?( |$)' | head -n1 | tr -d ' ')
  write_if_changed "$apt_etc/sources.list.d/parvello-backports.sources" "Types: deb
URIs: ${uri:-http://deb.debian.org/debian}
Suites: $release-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" &&
  write_if_changed "$apt_etc/preferences.d/parvello-backports" "Package: *
Pin: release n=$release-backports
Pin-Priority: -10

Package: qemu-user qemu-user-static qemu-user-binfmt
Pin: release n=$release-backports
Pin-Priority: 990"
}

has_qemu_10() {
  local state
  state=$(dpkg-query -W -f='${Status} ${Version}' qemu-user-static 2>/dev/null) || return 1
  [[ $state == "install ok installed "* ]] && dpkg --compare-versions "${state##* }" ge 1:10
}

# The i386 entry, made once: an entry of another emulator (bookworm's own
# qemu) is removed and replaced, a disabled one of ours enabled.
register_i386() {
  if [ ! -e "$binfmt/register" ]; then
    $SUDO mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || return 1
  fi
  local entry="$binfmt/qemu-i386"
  if [ -f "$entry" ] && ! grep -qx "interpreter $emulator" "$entry"; then
    echo -1 | $SUDO tee "$entry" >/dev/null 2>&1 || return 1
  fi
  if [ -f "$entry" ]; then
    grep -qx enabled "$entry" || echo 1 | $SUDO tee "$entry" >/dev/null 2>&1
  else
    printf ':qemu-i386:M::%s:%s:%s:FP\n' "$i386_magic" "$i386_mask" "$emulator" |
      $SUDO tee "$binfmt/register" >/dev/null 2>&1
  fi
}

emulate_i386() {
  echo "This machine does not run i386 programs: installing qemu-user 10 from backports and registering it for them"
  if ! add_backports; then
    why="the backports suite could not be added to $apt_etc"; return 1
  fi
  if ! has_qemu_10; then
    $SUDO apt-get update -qq >/dev/null 2>&1 || true
    if ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends qemu-user-static \
         >/dev/null 2>&1 || ! has_qemu_10; then
      why="qemu-user-static 10 could not be installed from backports"; return 1
    fi
  fi
  if ! register_i386; then
    why="the emulator could not be registered in binfmt_misc ($binfmt: no permission, or binfmt_misc is not available)"
    return 1
  fi
  runs_i386 || { why="i386 programs still do not run with $emulator registered"; return 1; }
}

why=""
if ! runs_i386 && ! emulate_i386; then
  { echo "This machine does not run 32-bit (i386) programs, and the set-up could not make it:"
    echo "$why."
    cat <<'MSG'
32-bit Wine, and so every test of the 32-bit VOZAZIZA.EXE, needs them: the
test command builds everything, runs what needs no 32-bit code and reports
the 32-bit suite as not run. A kernel with IA-32 emulation
(CONFIG_IA32_EMULATION, not booted with ia32_emulation=0), or a machine
where this script may register qemu-i386 in binfmt_misc, runs it all.
MSG
  } >&2
  [ -z "${PARVELLO_I386_REASON_FILE:-}" ] || printf '%s\n' "$why" >"$PARVELLO_I386_REASON_FILE"
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture for 32-bit Wine"
  $SUDO dpkg --add-architecture i386
fi

packages=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
          libz-mingw-w64-dev wine64 wine32:i386 fonts-wine fonts-dejavu-core xvfb x11-utils imagemagick googletest tzdata time
          python3 zip p7zip-full fp-compiler fp-units-fcl fpc-source fp-utils osslsigncode openssl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "Installing: ${missing[*]}"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# A mirror in the middle of a sync fails single indexes; the lists that did
# arrive are still good enough to install from, so say which failed and go on.
if ! $SUDO apt-get update -qq >"$log" 2>&1; then
  echo "apt-get update could not read every index; going on with the lists it has:"
  grep -E '^(E|W): ' "$log" | grep -vE 'have been ignored' | sed 's/^/  /' || true
fi

apt_install() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1
}
if apt_install "${missing[@]}"; then exit 0; fi
if grep -qE 'unmet dependencies|held broken packages' "$log"; then
  # The security archive can carry newer amd64 libraries whose i386 twins
  # are missing from a half-synced index; multi-arch packages must match,
  # so take the release's own versions for both architectures.
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$release" ]; then
    echo "The install failed on dependencies; trying once more with the release's versions (-t $release)"
    if apt_install -t "$release" "${missing[@]}"; then exit 0; fi
  fi
fi
cat "$log" >&2
echo "Installing failed. Try again once the package mirror has finished syncing (apt-get update), or install the packages above by hand." >&2
exit 1
