# shellcheck shell=bash
# What the scripts, tests and benchmarks share: Wine prefixes, virtual
# displays, waiting with a limit, stopping what a run started. Functions
# only: sourcing this file runs nothing. Every script runs with
# `set -euo pipefail` (stop at the first failing command, unset variable or
# failing part of a pipe).
# A state folder holds a 64-bit Wine prefix (prefix/) that runs both builds,
# the virtual display its programs use (display, xvfb.pid) and the output of
# each set-up step and started server (logs/). $WINE starts the x86-64
# build's programs, or with KORVA_WINE_ARCH=win32 the 32-bit release's under
# Debian's 32-bit Wine (scripts/wine32.sh); $WINE64 runs Wine's own programs.

# The code without window calls, which also builds natively: all of core/
# and records/. Prints their files ending in SUFFIX (".cpp", ".h").
korva_window_free_files() { printf '%s\n' core/*"$1" records/*"$1"; }

# Prints CMake's options for a compiler cache, ccache (of the test package
# set), which checkouts in any folder share: paths under ROOT are hashed
# relative to it. The release comes out the same byte for byte;
# scripts/check-reproducible.sh compares it with one built without the cache.
korva_ccache_options() {
  local launcher="env;CCACHE_BASEDIR=$1;ccache"
  printf '%s\n' "-DCMAKE_C_COMPILER_LAUNCHER=$launcher" "-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher"
}

# Prints the environment of a state folder's Wine, NAME=value a line. Wine's
# ANSI code page follows LC_CTYPE: C.UTF-8 gives the program's Windows-1252
# whatever the desktop's language. LC_ALL would override it, so it goes on
# for Wine's own texts only (LC_MESSAGES). No Mono or Gecko installers, no
# menu entries. Not plain wine: where qemu runs 32-bit Wine, that would start
# an x86-64 program through the emulated 32-bit loader first.
korva_wine_environment() {
  local state wine=wine64
  state=$(mkdir -p "$1" && cd "$1" && pwd)
  [ "${KORVA_WINE_ARCH:-win64}" = win64 ] || wine=wine
  printf '%s\n' "KORVA_STATE=$state" "WINEPREFIX=$state/prefix" WINEDEBUG=-all WINEARCH=win64 \
    ${LC_ALL:+"LC_MESSAGES=$LC_ALL" LC_ALL=} LC_CTYPE=C.UTF-8 WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=d \
    WINE64=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver "WINE=/usr/lib/wine/$wine"
  [ ! -f "$state/display" ] || echo "DISPLAY=$(cat "$state/display")"
}

# Uses a state folder (made if need be): exports its Wine's environment.
korva_use_state() {
  local line
  while IFS= read -r line; do export "${line?}"; done < <(korva_wine_environment "$1")
}

# The version of the prefix's set-up; raise it with every change there. A
# prefix of another version is made afresh, one of another kind or dpi is
# set up again in place.
KORVA_PREFIX_VERSION=4

# Makes the prefix once per state folder (about 15 s) and brings it up to
# date when its set-up has changed, or when it has no 32-bit system files
# for the release (made before Debian's 32-bit Wine was installed). KIND:
#   virtual-display  (default) a display without a window manager: Wine draws
#                    the frames and moves the focus; 96 dpi, the checked scale
#   desktop          a person's display, whose window manager does that; at
#                    its scale, so that the form comes up as Windows draws it
korva_ensure_prefix() {
  local kind=${1:-virtual-display} dpi=96 mark="$WINEPREFIX/.korva-setup" made
  [ "$kind" = desktop ] && dpi=$(korva_display_dpi)
  local setup="$KORVA_PREFIX_VERSION $WINEARCH $kind $dpi"
  (
    flock 9
    made=$(cat "$mark" 2>/dev/null) || true
    [ "$made" = "$setup" ] && korva_prefix_runs_wine && exit 0
    if [ "${made%% *}" != "$KORVA_PREFIX_VERSION" ]; then
      # None made yet, an unfinished one or an outdated one.
      echo "Preparing Wine for the first run (about 15 s)…" >&2
      rm -rf "$WINEPREFIX"
      korva_step wineboot env DISPLAY= "$WINE64" wineboot -i
    elif ! korva_prefix_runs_wine; then
      echo "Updating the Wine prefix to run 32-bit programs too (about 20 s)…" >&2
      rm -f "$WINEPREFIX/.update-timestamp"
      korva_step wineboot env DISPLAY= "$WINE64" wineboot -u
    else
      echo "Updating the Wine set-up…" >&2
    fi
    korva_step registry korva_set_up_registry "$kind" "$dpi"
    korva_step fonts korva_install_fonts
    korva_step wineserver "$WINESERVER" -w
    echo "$setup" >"$mark"
  ) 9>"$KORVA_STATE/prefix.lock"
}

# Whether the prefix has the system files of $WINE's programs: 32-bit ones
# are in syswow64.
korva_prefix_runs_wine() {
  [ "$WINE" = "$WINE64" ] || [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]
}

# The prefix's settings for a KIND and a DPI; each may be set again.
korva_set_up_registry() {
  local x11='HKCU\Software\Wine\X11 Driver'
  if [ "$1" = desktop ]; then
    "$WINE64" reg delete "$x11" /v Managed /f || true # fails where there is none
  else
    "$WINE64" reg add "$x11" /v Managed /d N /f || return
  fi
  "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$2" /f &&
    "$WINE64" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
      /t REG_DWORD /d "$2" /f
}

# The form's font, "MS Shell Dlg", stands for Tahoma; the caption buttons
# and scroll-bar arrows are glyphs of Marlett. fonts-wine ships all three,
# but Wine only loads them from the prefix's own font folder.
korva_install_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" shipped name path
  shipped=$(dpkg-query -L fonts-wine)
  mkdir -p "$fonts" || return
  for name in tahoma.ttf tahomabd.ttf marlett.ttf; do
    path=$(grep -m1 "/$name\$" <<<"$shipped") || { echo "fonts-wine has no $name" && return 1; }
    cp "$path" "$fonts/$name" || return
  done
}

# Runs one set-up step, COMMAND, with its output in logs/NAME.log; a failure
# names the step and shows the end of that log. A function COMMAND, run in a
# condition, stops at a failure only where it says so (|| return).
korva_step() {
  local status=0
  mkdir -p "$KORVA_STATE/logs"
  "${@:2}" </dev/null >"$KORVA_STATE/logs/$1.log" 2>&1 || status=$?
  [ "$status" = 0 ] || korva_failed "The set-up step '$1' (${*:2}) failed with status $status" "$1"
}

# Says what failed and shows the end of logs/NAME.log; fails.
korva_failed() {
  local log="$KORVA_STATE/logs/$2.log"
  echo "$1. The end of $log:" >&2
  tail -n 20 "$log" 2>/dev/null | sed 's/^/  /' >&2
  return 1
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

# Runs COMMAND in a session of its own (Ctrl+C reaches only the script,
# which then stops everything in order), keeping none of the caller's
# descriptors but the standard three: not a lock, not a pipe of ctest's.
korva_detached() {
  local fd
  for fd in /proc/self/fd/*; do
    fd=${fd##*/}
    if ((fd > 2)); then eval "exec $fd>&-"; fi
  done
  exec setsid "$@"
}

# Starts COMMAND detached in the background, its output in logs/NAME.log.
# KORVA_PID is its process id and its group's, which korva_stop_run stops.
korva_spawn() {
  mkdir -p "$KORVA_STATE/logs"
  korva_detached "${@:2}" </dev/null >"$KORVA_STATE/logs/$1.log" 2>&1 &
  KORVA_PID=$!
  KORVA_STARTED+=("$KORVA_PID")
}

# Starts the state folder's virtual display on a free number, at 96 dpi,
# and exports DISPLAY; KORVA_XVFB is the server's process id. "locked": only
# holders of a cookie made for it (XAUTHORITY) may use it, or anyone on the
# machine could watch and type into the form. A German keyboard gives the
# form's umlauts and ß keys of their own: else xdotool and x11vnc map such a
# letter to a spare key for a moment, and Wine may then drop it.
korva_display_start() {
  local number="$KORVA_STATE/display.number" cookie="" auth=()
  mkdir -p "$KORVA_STATE/logs"
  rm -f "$number"
  if [ "${1:-}" = locked ]; then
    # The server takes the cookie whatever display number the entry names;
    # the clients need an entry for the display that it picks.
    cookie=$(mcookie)
    export XAUTHORITY="$KORVA_STATE/xauthority"
    (umask 077 && : >"$XAUTHORITY")
    xauth -q add :0 . "$cookie"
    auth=(-auth "$XAUTHORITY")
  fi
  # -displayfd: Xvfb picks the number and writes it to its output.
  # -noreset: keys set on the display stay when their setter disconnects.
  korva_detached Xvfb -displayfd 1 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset "${auth[@]}" \
    </dev/null >"$number" 2>"$KORVA_STATE/logs/xvfb.log" &
  KORVA_XVFB=$!
  echo "$KORVA_XVFB" >"$KORVA_STATE/xvfb.pid"
  if ! korva_wait 10 test -s "$number"; then
    korva_display_stop
    korva_failed "The virtual display (Xvfb) did not start" xvfb
    return
  fi
  DISPLAY=":$(head -n1 "$number")"
  export DISPLAY
  [ -z "$cookie" ] || xauth -q add "$DISPLAY" . "$cookie"
  echo "$DISPLAY" >"$KORVA_STATE/display"
  rm -f "$number"
  korva_step keymap setxkbmap de
}

# Stops the state folder's virtual display, if one runs.
korva_display_stop() {
  [ ! -f "$KORVA_STATE/xvfb.pid" ] || kill "$(cat "$KORVA_STATE/xvfb.pid")" 2>/dev/null || true
  rm -f "$KORVA_STATE"/{xvfb.pid,display,display.number,xauthority}
}

# Stops what this run started: SIGKILL to each process group that
# korva_spawn started (servers have nothing to save, and websockify and
# x11vnc have been seen to survive SIGTERM), every Wine process of the
# prefix, and the display.
korva_stop_run() {
  local -
  set +e
  {
    [ -z "${KORVA_STARTED[*]:-}" ] || kill -KILL -- "${KORVA_STARTED[@]/#/-}"
    "$WINESERVER" -k
    "$WINESERVER" -w
    korva_display_stop
    wait
  } 2>/dev/null # without the shell's notices of what it killed
}

# Calls COMMAND every 10 ms until it succeeds, for at most SECONDS; fails
# after that.
korva_wait() {
  local deadline=$((${EPOCHREALTIME/[.,]/} + $1 * 1000000))
  shift
  until "$@"; do
    ((${EPOCHREALTIME/[.,]/} < deadline)) || return 1
    sleep 0.01
  done
}

# Prints the id of a visible window named exactly TITLE that the program
# NAME, started by korva_spawn with the process id PID, shows; waits up to
# 60 s. A program that ends first fails it at once, with the end of its log.
korva_await_window() {
  local window=""
  korva_wait 60 korva_window_or_end "$1" "$2" || { echo "No window '$1' appeared" >&2 && return 1; }
  [ -n "$window" ] || { korva_failed "The program ended before its window '$1' appeared" "$3"; return 1; }
  echo "$window"
}

# Sets the caller's `window` to a visible window named exactly TITLE, and
# succeeds, or succeeds without one once the process PID has ended.
korva_window_or_end() {
  window=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1) || true
  [ -n "$window" ] || ! kill -0 "$2" 2>/dev/null
}

# Saves a PNG picture of a window once two pictures taken in a row are the
# same: painted. The caret blinks every half second, never for long enough
# to hold that up. Fails after 10 s.
korva_screenshot_when_painted() {
  local pictures
  pictures=$(mktemp -d)
  rm -f "$2"
  import -window "$1" "$pictures/last.ppm"
  korva_wait 10 korva_painted "$1" "$pictures" && convert "$pictures/this.ppm" "$2" ||
    echo "The window did not finish painting" >&2
  rm -rf "$pictures"
  [ -s "$2" ]
}

# Whether WINDOW looks as at the last call, whose picture is in PICTURES.
korva_painted() {
  import -window "$1" "$2/this.ppm"
  cmp -s "$2/this.ppm" "$2/last.ppm" || { mv "$2/this.ppm" "$2/last.ppm" && false; }
}
