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

# Waits up to 30 s for a condition (a command), failing with the message.
await() {
  local what=$1
  shift
  for _ in $(seq 300); do
    "$@" && return 0
    sleep 0.1
  done
  echo "$what" >&2
  exit 1
}

# Whether websockify listens on the port; fails the run at once if it ended
# (another program took the port since check_port).
web_server_ready() {
  kill -0 "$web" 2>/dev/null || { echo "Port $port on 127.0.0.1 is already in use" >&2; exit 1; }
  ss -Hltnp "sport = :$port" | grep -q "pid=$web,"
}

stop_all() {
  trap - EXIT INT TERM HUP
  set +e  # stop whatever is left, even after a part has ended by itself
  # The servers have nothing to save, and both have been seen to survive
  # SIGTERM: websockify after serving connections (its handler acts only
  # once), x11vnc stuck in its handler. So they get SIGKILL; for websockify,
  # which forks one process per connection, its whole group.
  [ -n "${web:-}" ] && kill -KILL -- "-$web"
  [ -n "${vnc:-}" ] && kill -KILL "$vnc"
  "$WINESERVER" -k
  "$WINESERVER" -w
  [ -n "${xvfb:-}" ] && kill "$xvfb"
  wait
  rm -f "$KORVA_STATE/display" "$KORVA_STATE/xauthority"
  rm -rf "$run"
}

serve() {
  local port=$1 exe=$2
  check_port "$port"
  source "$here/wine-env.sh" "$3"
  korva_ensure_prefix
  # One browser run per prefix: stopping one ends all Wine processes of it.
  exec 8>"$KORVA_STATE/browser.lock"
  flock -n 8 || { echo "Another browser run uses the Wine prefix in $KORVA_STATE" >&2; exit 1; }

  run=$(mktemp -d "${TMPDIR:-/tmp}/korva1-browser.XXXXXX")  # mode 0700
  trap 'stop_all 2>/dev/null' EXIT  # without bash's notices of the killed servers
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP

  # Only holders of this run's cookie may use the display: anyone else on
  # the machine could otherwise watch and type into the form. The server
  # takes the cookie whatever display number the entry names; the clients
  # need an entry for the display that it picks.
  local cookie
  cookie=$(mcookie)
  export XAUTHORITY="$KORVA_STATE/xauthority"
  (umask 077 && : >"$XAUTHORITY")
  xauth -q add :0 . "$cookie"
  # What this script starts runs in sessions of its own (setsid): Ctrl+C
  # reaches only the script, which then stops everything in order. The lock's
  # descriptor stays with the script (8>&-).
  korva_start_xvfb -auth "$XAUTHORITY"
  xvfb=$KORVA_XVFB
  xauth -q add "$DISPLAY" . "$cookie"
  echo "$DISPLAY" >"$KORVA_STATE/display"

  # The form's German letters get keys of their own before the program
  # starts. Otherwise x11vnc adds a key for each when it is first typed, and
  # such a first letter has been seen to get lost on its way into Wine.
  xmodmap -e 'keycode 93 = adiaeresis Adiaeresis' -e 'keycode 97 = odiaeresis Odiaeresis' \
    -e 'keycode 103 = udiaeresis Udiaeresis' -e 'keycode 120 = ssharp'

  setsid "$WINE" "$exe" </dev/null >"$run/program.log" 2>&1 8>&- &
  program=$!

  local password
  password=$(head -c 18 /dev/urandom | base64 | tr '+/' '-_')
  (umask 077 && echo "$password" >"$run/vnc-password" &&
    echo "$password: unix_socket:$run/vnc.sock" >"$run/tokens")
  # The servers start while Wine starts the program.
  # -rfbport 0, -rfbportv6 -1 and -no6: no TCP listening at all.
  # -noremote: other programs on the display cannot reconfigure it.
  # -xrandr: it follows the screen when it shrinks to the form.
  setsid x11vnc -display "$DISPLAY" -unixsock "$run/vnc.sock" -rfbport 0 -rfbportv6 -1 -no6 \
    -passwdfile "rm:$run/vnc-password" -forever -shared -noremote -xkb -xrandr \
    -quiet -o "$run/x11vnc.log" </dev/null 8>&- >/dev/null 2>&1 &
  vnc=$!
  setsid websockify --web /usr/share/novnc --token-plugin TokenFile --token-source "$run/tokens" \
    "127.0.0.1:$port" </dev/null 8>&- >"$run/websockify.log" 2>&1 &
  web=$!

  local window X Y WIDTH HEIGHT SCREEN WINDOW
  window=$(korva_await_window Korva1)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool windowfocus "$window"
  # The screen shrinks to the form, so that the page shows just the form.
  # Wine follows the change and centres message boxes on the smaller screen,
  # where they stay in view.
  local mode="$((X + WIDTH))x$((Y + HEIGHT))"
  xrandr --newmode "$mode" 0 "$((X + WIDTH))" 0 0 0 "$((Y + HEIGHT))" 0 0 0
  xrandr --addmode screen "$mode"
  xrandr --output screen --mode "$mode"

  await "The VNC server did not start" test -S "$run/vnc.sock"
  await "The web server did not start" web_server_ready

  echo "Korva1 is served to web browsers on this machine (README: from another one through SSH). Open:"
  echo "http://127.0.0.1:$port/vnc.html?autoconnect=1&password=$password&path=websockify%3Ftoken%3D$password"
  echo "Closing the form, Ctrl+C or SIGTERM ends it."

  wait -n "$program" "$xvfb" "$vnc" "$web" || true
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
