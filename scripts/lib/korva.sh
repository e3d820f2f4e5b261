# shellcheck shell=bash
# What the scripts, tests and benchmarks share: Wine prefixes, virtual
# displays, waiting with a limit, stopping what a run started. Functions
# only: sourcing this file runs nothing. Every script runs with
# `set -euo pipefail` (stop at the first failing command, unset variable or
# failing part of a pipe).
# How Korva1 meets Wine (its environment and a prefix's set-up) is in
# wine-setup.sh, which the Debian package's launcher sources too; here it
# takes Korva1's fonts from the build folder, where every build makes them.
KORVA_FONTS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/fonts
# shellcheck source=wine-setup.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-setup.sh"

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
