# Sourced by the test scripts: the Wine prefix and display of one build folder.
# Usage: source wine-env.sh STATE_DIR
#   STATE_DIR/prefix   the Wine prefix, made once
#   STATE_DIR/display  the X display the tests run on (written by display.sh)
KORVA_STATE=$(mkdir -p "$1" && cd "$1" && pwd)
export WINEPREFIX="$KORVA_STATE/prefix"
export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko installers and no desktop menu entries in a test prefix.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
WINE=/usr/lib/wine/wine64
if [ -f "$KORVA_STATE/display" ]; then
  DISPLAY=$(cat "$KORVA_STATE/display")
  export DISPLAY
fi

# Makes the prefix once per state folder (about 12 s), pinned to 96 dpi and
# with Wine drawing its own window frames, since no window manager runs.
korva_ensure_prefix() {
  (
    flock 9
    [ -f "$WINEPREFIX/.korva-ready" ] && exit 0
    rm -rf "$WINEPREFIX"
    DISPLAY= "$WINE" wineboot -i >/dev/null 2>&1
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
    "$WINE" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    touch "$WINEPREFIX/.korva-ready"
  ) 9>"$KORVA_STATE/prefix.lock"
}
