# Sourced by the scripts that run Windows programs under Wine: an X display of their own and a
# private prefix set up the way the tests expect. The sourcing script sets `set -euo pipefail`.
#
#   wine_session_env <prefix>        WINEPREFIX, the quiet, installer-free Wine settings and a
#                                    non-Russian locale
#   wine_session_start_xvfb <name>   starts Xvfb and exports DISPLAY; <name> prefixes messages
#   wine_session_prepare <wine> [managed]
#                                    makes or updates the prefix, with Wine's own fonts in it;
#                                    without "managed", Wine places
#                                    and decorates windows itself, as it must on a bare X server;
#                                    with ZURVO_WINE_VERSION set (winxp, win7, ...), Wine reports
#                                    that Windows to the programs, otherwise its default
#   wine_session_stop                ends the prefix's wineserver and the Xvfb started here

wine_session_xvfb_pid=""

wine_session_env() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  # No Mono or Gecko: nothing here needs them, and their installers would wait for a click.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset WAYLAND_DISPLAY
  # The locale most players run Wine in (a Linux desktop's, the Steam Deck's): not Russian, so the
  # ANSI code page is 1252 and Wine's "MS Sans Serif" has no Cyrillic letters. The launcher has to
  # read right there too.
  export LANG=C.UTF-8
  unset LC_ALL LANGUAGE
}

wine_session_start_xvfb() {
  local display_file
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  wine_session_xvfb_pid=$!
  for _ in $(seq 1 300); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  if [ ! -s "$display_file" ]; then
    rm -f "$display_file"
    echo "$1: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$(head -n 1 "$display_file")"
  rm -f "$display_file"
}

wine_session_prepare() {
  local wine=$1 mode=${2:-unmanaged} value font
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX (once, takes a little while)"
  fi
  "$wine" wineboot --init >/dev/null 2>&1 || true
  wineserver -w
  # Wine's own fonts (fonts-wine), as a player's Wine has them. Debian's Wine 8 looks for them
  # next to its data folder rather than in it, finds none and falls back to fontconfig's DejaVu,
  # which no player sees; every Wine reads the fonts in the prefix's own Fonts folder.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  for font in /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon; do
    if [ -e "$font" ]; then ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/"; fi
  done
  # A program that crashes gets its backtrace printed and ends, rather than a crash dialog that
  # waits for a click nobody gives (and holds a test until its time limit).
  "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1
  # The Windows that Wine says it is. Set as winecfg -v sets it for the current user; winecfg
  # itself refuses 32-bit versions such as winxp in a 64-bit prefix.
  if [ -n "${ZURVO_WINE_VERSION:-}" ]; then
    "$wine" reg add 'HKCU\Software\Wine' /v Version /d "$ZURVO_WINE_VERSION" /f >/dev/null 2>&1
  else
    "$wine" reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true
  fi
  # Xvfb has no window manager: Wine then draws captions itself and does not wait for one on
  # every close. On a real desktop the desktop's window manager does it.
  for value in Managed Decorated; do
    if [ "$mode" = managed ]; then
      "$wine" reg delete 'HKCU\Software\Wine\X11 Driver' /v "$value" /f >/dev/null 2>&1 || true
    else
      "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /d N /f >/dev/null 2>&1
    fi
  done
}

wine_session_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$wine_session_xvfb_pid" ]; then
    kill "$wine_session_xvfb_pid" 2>/dev/null || true
    wait "$wine_session_xvfb_pid" 2>/dev/null || true
    wine_session_xvfb_pid=""
  fi
}
