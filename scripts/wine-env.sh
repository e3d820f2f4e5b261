# shellcheck shell=bash
# Sourced by the scripts and tests: the Wine prefix and display of one state folder.
# Usage: [KORVA_WINE_ARCH=win32] source wine-env.sh STATE_DIR
#   STATE_DIR/prefix   the Wine prefix, made once and kept up to date
#   STATE_DIR/display  the virtual display that the prefix's programs use while
#                      it runs (written by tests/wine/display.sh and browser.sh)
# The prefix is a 64-bit one, and runs both builds: $WINE starts the x86-64
# build's programs with wine64, or with KORVA_WINE_ARCH=win32 the 32-bit
# release's with Debian's 32-bit Wine (scripts/wine32.sh). Wine's own
# programs, which set up the prefix, are started with $WINE64.
KORVA_STATE=$(mkdir -p "$1" && cd "$1" && pwd)
export WINEPREFIX="$KORVA_STATE/prefix"
export WINEDEBUG=-all
export WINEARCH=win64
# Wine takes its ANSI code page from LC_CTYPE; the program's texts are
# Windows-1252 whatever the desktop's language, which C.UTF-8 gives. LC_ALL
# would override it, so its value goes on for messages only: Wine's own
# texts stay in the person's language.
if [ -n "${LC_ALL:-}" ]; then
  export LC_MESSAGES=$LC_ALL
  unset LC_ALL
fi
export LC_CTYPE=C.UTF-8
# No Mono or Gecko installers and no desktop menu entries in a test prefix.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
if [ "${KORVA_WINE_ARCH:-win64}" = win32 ]; then
  WINE=/usr/lib/wine/wine
else
  # Not plain wine: where qemu runs 32-bit Wine, that would start an x86-64
  # program through the emulated 32-bit loader first.
  WINE=$WINE64
fi
if [ -f "$KORVA_STATE/display" ]; then
  DISPLAY=$(cat "$KORVA_STATE/display")
  export DISPLAY
fi

# The version of korva_set_up_prefix. Raise it with every change there: a
# prefix whose mark names another version (or architecture, kind or dpi) is
# set up again in place on its next use.
KORVA_PREFIX_VERSION=4
KORVA_PREFIX_MARK=.korva-setup
# What the first set-up (version 1) left instead of a mark.
KORVA_OLD_PREFIX_MARK=.korva-ready

# Makes the prefix once per state folder (about 15 s; more where qemu runs
# 32-bit Wine) and brings it up to date when its set-up has changed, or when
# it is yet to run the release: made before Debian's 32-bit Wine was
# installed, it has no 32-bit system files. KIND is what the prefix is for:
#   virtual-display  (default) a display the project starts itself, where no
#                    window manager runs, so Wine draws the frames and moves
#                    the focus itself; at 96 dpi, the scale that the form's
#                    pixel sizes are checked at
#   desktop          a person's display, whose window manager does that; at
#                    the display's scale, so that the form comes up as
#                    Windows draws it at that scale
korva_ensure_prefix() {
  local kind=${1:-virtual-display} dpi=96
  [ "$kind" = desktop ] && dpi=$(korva_display_dpi)
  local setup="$KORVA_PREFIX_VERSION $WINEARCH $kind $dpi"
  (
    flock 9
    [ "$(cat "$WINEPREFIX/$KORVA_PREFIX_MARK" 2>/dev/null)" = "$setup" ] && korva_prefix_runs_wine && exit 0
    if { [ ! -f "$WINEPREFIX/$KORVA_PREFIX_MARK" ] && [ ! -f "$WINEPREFIX/$KORVA_OLD_PREFIX_MARK" ]; } ||
      grep -qx '#arch=win32' "$WINEPREFIX/system.reg" 2>/dev/null; then
      # None made yet, an unfinished one, or a 32-bit one of an earlier version.
      echo "Preparing Wine for the first run (about 15 s)…" >&2
      rm -rf "$WINEPREFIX"
      DISPLAY='' "$WINE64" wineboot -i >/dev/null 2>&1
    elif ! korva_prefix_runs_wine; then
      echo "Updating the Wine prefix to run 32-bit programs too (about 20 s)…" >&2
      rm -f "$WINEPREFIX/.update-timestamp"
      DISPLAY='' "$WINE64" wineboot -u >/dev/null 2>&1
    else
      echo "Updating the Wine set-up…" >&2
    fi
    korva_set_up_prefix "$kind" "$dpi"
    "$WINESERVER" -w
    rm -f "$WINEPREFIX/$KORVA_OLD_PREFIX_MARK"
    echo "$setup" >"$WINEPREFIX/$KORVA_PREFIX_MARK"
  ) 9>"$KORVA_STATE/prefix.lock"
}

# Whether the prefix has the system files of $WINE's programs: 32-bit ones
# are in syswow64.
korva_prefix_runs_wine() {
  [ "$WINE" = "$WINE64" ] || [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]
}

# The prefix's settings for a KIND and a DPI; each step may run again on a
# prefix that has it.
korva_set_up_prefix() {
  local x11='HKCU\Software\Wine\X11 Driver'
  if [ "$1" = desktop ]; then
    "$WINE64" reg delete "$x11" /v Managed /f >/dev/null 2>&1 || true
  else
    "$WINE64" reg add "$x11" /v Managed /d N /f >/dev/null 2>&1
  fi
  "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$2" /f >/dev/null 2>&1
  "$WINE64" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "$2" /f >/dev/null 2>&1
  korva_install_fonts
}

# The form's font, "MS Shell Dlg", stands for Tahoma; the caption buttons
# and scroll-bar arrows are glyphs of Marlett. fonts-wine ships all three,
# but Wine only loads them from the prefix's own font folder.
KORVA_PREFIX_FONTS=(tahoma.ttf tahomabd.ttf marlett.ttf)
korva_install_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" shipped name path
  shipped=$(dpkg-query -L fonts-wine)
  mkdir -p "$fonts"
  for name in "${KORVA_PREFIX_FONTS[@]}"; do
    path=$(grep -m1 "/$name\$" <<<"$shipped") || {
      echo "fonts-wine has no $name" >&2
      return 1
    }
    cp "$path" "$fonts/$name"
  done
}

# The scale of the X display in dots per inch, as its X resources give it
# (Xft.dpi, which desktops set to their scale), 96 without one.
korva_display_dpi() {
  local dpi
  dpi=$(xrdb -query 2>/dev/null | awk '$1 == "Xft.dpi:" { printf "%d", $2 + 0.5 }')
  [ "${dpi:-0}" -gt 0 ] && echo "$dpi" || echo 96
}

# Whether the X display has a window manager (one that announces itself,
# as every current one does).
korva_display_has_window_manager() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# Starts a virtual display on a free number, at 96 dpi, and exports DISPLAY;
# KORVA_XVFB is the server's process id. The server runs in a session of its
# own and keeps none of the caller's descriptors (a lock, a pipe of ctest's).
# Fails with a message when it does not come up. Arguments go to Xvfb.
korva_start_xvfb() {
  local number
  number=$(mktemp)
  (
    for fd in /proc/self/fd/*; do
      fd=${fd##*/}
      if ((fd > 2)); then eval "exec $fd>&-"; fi
    done
    # -displayfd: Xvfb picks the number and writes it to its output.
    # -noreset: keys set on the display stay when their setter disconnects.
    exec setsid Xvfb -displayfd 1 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset "$@" \
      </dev/null >"$number" 2>/dev/null
  ) &
  KORVA_XVFB=$!
  for _ in $(seq 100); do
    [ -s "$number" ] || ! kill -0 "$KORVA_XVFB" 2>/dev/null && break
    sleep 0.1
  done
  DISPLAY=:$(head -n1 "$number")
  rm -f "$number"
  if [ "$DISPLAY" = : ]; then
    kill "$KORVA_XVFB" 2>/dev/null || true
    echo "The virtual display (Xvfb) did not start" >&2
    return 1
  fi
  export DISPLAY
}

# Waits up to 60 s for a visible window named exactly TITLE and prints its
# id. Polled every 10 ms: xdotool's own --sync looks only twice a second.
korva_await_window() {
  local title=$1 window
  for _ in $(seq 6000); do
    window=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1) || true
    [ -n "$window" ] && { echo "$window"; return 0; }
    sleep 0.01
  done
  echo "No window '$title' appeared" >&2
  return 1
}

# Saves a PNG picture of a window once it is painted: once two pictures
# taken in a row are the same. The edit field's blinking caret can tell two
# pictures apart, but never for long: it shows and hides for half a second
# each. Fails after 10 s.
korva_screenshot_when_painted() {
  local window=$1 picture=$2 pictures
  pictures=$(mktemp -d)
  import -window "$window" "$pictures/last.ppm"
  for _ in $(seq 200); do
    sleep 0.05
    import -window "$window" "$pictures/this.ppm"
    if cmp -s "$pictures/this.ppm" "$pictures/last.ppm"; then
      convert "$pictures/this.ppm" "$picture"
      rm -rf "$pictures"
      return 0
    fi
    mv "$pictures/this.ppm" "$pictures/last.ppm"
  done
  rm -rf "$pictures"
  echo "The window did not finish painting" >&2
  return 1
}
