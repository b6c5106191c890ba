# Sourced: whether this machine executes i386 (32-bit) Linux programs, as
# 32-bit Wine needs, natively or through an emulator registered in
# binfmt_misc. runs_i386 answers with its exit status.

# A 93-byte i386 Linux program that only exits with code 42. The set-up's
# own test names a command of its own in PARVELLO_I386_PROBE instead.
runs_i386() {
  if [ -n "${PARVELLO_I386_PROBE:-}" ]; then "$PARVELLO_I386_PROBE"; return; fi
  local probe status=0
  probe=$(mktemp)
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}
