# Sourced by the scripts that run the setup and the tests: a private Xvfb
# display and a 64-bit Wine prefix with its 32-bit side (WoW64, as 64-bit
# Windows is) inside the build tree, both ended when the script exits.
# Expects $root. Sets DISPLAY, WINEPREFIX and friends. Each loader runs the
# programs of its own architecture: WINE32 the 32-bit VOZAZIZA.EXE, WINE
# (64-bit) Wine's own tools and the 64-bit programs.
source "$root/scripts/i386-probe.sh"
WINE=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Away from UTC, so that the installer's local-time conversion shows.
export TZ="${TZ_OVERRIDE:-Europe/Berlin}"

wine_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && /usr/lib/wine/wineserver -k 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}

wine_env_start() {
  trap wine_env_stop EXIT
  # A person's own display, when asked for and reachable.
  if [ -n "${WINE_ENV_OWN_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    wine_env_prefix
    return
  fi
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
  XVFB_PID=$!
  local n=0
  while [ ! -s "$fdfile" ]; do
    kill -0 "$XVFB_PID" 2>/dev/null || { echo "Xvfb did not start" >&2; return 1; }
    n=$((n + 1)); [ $n -lt 200 ] || { echo "Xvfb gave no display" >&2; return 1; }
    sleep 0.05
  done
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
  wine_env_prefix
}

wine_env_prefix() {
  # A prefix made before 32-bit Wine was installed, or while this machine
  # could not run i386 programs, has an empty syswow64, where no 32-bit
  # program starts: it is made anew once they can run.
  if [ -f "$WINEPREFIX/system.reg" ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] &&
     runs_i386; then
    echo "Making the Wine prefix in $WINEPREFIX anew, with its 32-bit side"
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    if [ -n "${XVFB_PID:-}" ]; then
      # Window frames in screenshots, although no window manager runs.
      "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d Y /f >/dev/null 2>&1
      "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      /usr/lib/wine/wineserver -w
    fi
  fi
  # Debian's Wine does not find its own fonts in /usr/share/wine/fonts: the
  # caption buttons' Marlett shows as letters, and "MS Sans Serif", the
  # font of the dialog templates, is drawn with a wider substitute that
  # wraps and clips their texts. A prefix's Fonts folder is always searched.
  local font
  for font in /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon; do
    [ -f "$font" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ] &&
      cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  # The face the page titles ask for, "Arial", is realised with one font on
  # every machine: left to itself, Wine takes Liberation Sans where
  # fonts-liberation is installed (Debian's Wine recommends it) and DejaVu
  # Sans elsewhere, whose cells differ by a pixel at the same height.
  grep -qx '"Arial"="DejaVu Sans"' "$WINEPREFIX/user.reg" 2>/dev/null ||
    "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'DejaVu Sans' /f >/dev/null 2>&1
  # One server for the whole run: every process start is then cheaper.
  # (It refuses when one already serves this prefix, which is as good.)
  /usr/lib/wine/wineserver -p 2>/dev/null || true
}
