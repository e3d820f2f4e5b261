#!/bin/bash
# Serves the Korva1 form to a web browser. The program runs, in the current
# folder, on a virtual display of its own; x11vnc shows that display,
# shrunk to the form, and websockify serves noVNC's page and the
# connection to x11vnc. Only the web server listens on TCP, on the loopback
# address; x11vnc listens on a Unix socket in a private folder. The page
# needs a password made for this run: websockify lets through only
# connections that carry it in full, and x11vnc asks for it again (VNC
# passwords count only their first 8 characters). The printed address holds
# it. Everything started here stops when the form closes, on Ctrl+C, SIGTERM
# or a lost terminal.
#
# Usage: browser.sh check-port PORT
#        browser.sh serve PORT PROGRAM.exe STATE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# Fails with a message naming the port unless websockify could listen on it.
check_port() {
  local port=$1
  if ! [[ $port =~ ^[0-9]+$ ]] || ((port < 1 || port > 65535)); then
    echo "Not a port number: '$port' (use --port N with N from 1 to 65535)" >&2
    exit 2
  fi
  # Binds as websockify does (SO_REUSEADDR), so a port left in TIME_WAIT counts as free.
  if ! /usr/bin/python3 -c 'import socket, sys
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1])))' "$port" 2>/dev/null; then
    echo "Port $port on 127.0.0.1 is already in use; choose another with --port N" >&2
    exit 1
  fi
}

# Whether websockify listens on the port; fails the run at once if it ended
# (another program took the port since check_port).
web_server_ready() {
  kill -0 "$web" 2>/dev/null || { echo "Port $port on 127.0.0.1 is already in use" >&2; exit 1; }
  ss -Hltnp "sport = :$port" | grep -q "pid=$web,"
}

serve() {
  local port=$1 exe=$2
  check_port "$port"
  source "$here/lib/korva.sh"
  korva_use_state "$3"
  korva_ensure_prefix
  # One browser run per prefix: stopping one ends all Wine processes of it.
  exec 8>"$KORVA_STATE/browser.lock"
  flock -n 8 || { echo "Another browser run uses the Wine prefix in $KORVA_STATE" >&2; exit 1; }

  run=$(mktemp -d "${TMPDIR:-/tmp}/korva1-browser.XXXXXX") # mode 0700
  trap 'trap - EXIT INT TERM HUP; korva_stop_run; rm -rf "$run"' EXIT
  trap 'exit 130' INT && trap 'exit 143' TERM && trap 'exit 129' HUP

  korva_display_start locked
  korva_spawn program "$WINE" "$exe"
  program=$KORVA_PID

  local password
  password=$(head -c 18 /dev/urandom | base64 | tr '+/' '-_')
  (umask 077 && echo "$password" >"$run/vnc-password" &&
    echo "$password: unix_socket:$run/vnc.sock" >"$run/tokens")
  # The servers start while Wine starts the program.
  # -rfbport 0, -rfbportv6 -1 and -no6: no TCP listening at all.
  # -noremote: other programs on the display cannot reconfigure it.
  # -xrandr: it follows the screen when it shrinks to the form.
  korva_spawn x11vnc x11vnc -display "$DISPLAY" -unixsock "$run/vnc.sock" -rfbport 0 -rfbportv6 -1 -no6 \
    -passwdfile "rm:$run/vnc-password" -forever -shared -noremote -xkb -xrandr -quiet
  vnc=$KORVA_PID
  korva_spawn websockify websockify --web /usr/share/novnc --token-plugin TokenFile \
    --token-source "$run/tokens" "127.0.0.1:$port"
  web=$KORVA_PID

  local window X Y WIDTH HEIGHT
  window=$(korva_await_window Korva1 "$program" program)
  # shellcheck disable=SC2034 # sets SCREEN and WINDOW too, which are not needed
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool windowfocus "$window"
  # The screen shrinks to the form, so that the page shows just the form.
  # Wine follows the change and centres message boxes on the smaller screen,
  # where they stay in view.
  local mode="$((X + WIDTH))x$((Y + HEIGHT))"
  xrandr --newmode "$mode" 0 "$((X + WIDTH))" 0 0 0 "$((Y + HEIGHT))" 0 0 0
  xrandr --addmode screen "$mode"
  xrandr --output screen --mode "$mode"

  korva_wait 30 test -S "$run/vnc.sock" || korva_failed "The VNC server did not start" x11vnc
  korva_wait 30 web_server_ready || korva_failed "The web server did not start" websockify

  echo "Korva1 is served to web browsers on this machine (README: from another one through SSH). Open:"
  echo "http://127.0.0.1:$port/vnc.html?autoconnect=1&password=$password&path=websockify%3Ftoken%3D$password"
  echo "Closing the form, Ctrl+C or SIGTERM ends it."

  wait -n "$program" "$KORVA_XVFB" "$vnc" "$web" || true
  if kill -0 "$program" 2>/dev/null; then
    echo "The virtual display, the VNC server or the web server ended; stopping Korva1" >&2
    exit 1
  fi
  echo "The form was closed."
}

case "${1:-}" in
check-port) check_port "$2" ;;
serve) serve "$2" "$3" "$4" ;;
*)
  echo "usage: $0 check-port PORT | serve PORT PROGRAM.exe STATE_DIR" >&2
  exit 2
  ;;
esac
