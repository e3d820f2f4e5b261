# shellcheck shell=bash
# How Korva1 meets Wine: the environment it runs in and the set-up of its
# prefix. scripts/lib/korva.sh sources it from the checkout, and the Debian
# package installs it as /usr/share/korva1/wine-setup.sh for its launcher, so
# that both run the program alike. Functions only: sourcing this file runs
# nothing.
# A state folder holds a 64-bit Wine prefix (prefix/) that runs both builds,
# the virtual display its programs use (display, xvfb.pid) and the output of
# each set-up step and started server (logs/). $WINE starts the x86-64
# build's programs, or with KORVA_WINE_ARCH=win32 the 32-bit release's under
# Debian's 32-bit Wine (scripts/wine32.sh); $WINE64 runs Wine's own programs.

# The folder of Korva1's own Tahoma (res/make_tahoma.py): the Debian
# package's, unless the sourcing script names another, as the checkout's
# library names its build folder.
KORVA_FONTS=${KORVA_FONTS:-/usr/share/korva1/fonts}

# Prints the environment of a state folder's Wine, NAME=value a line. Wine's
# ANSI code page follows LC_CTYPE: C.UTF-8 gives the program's Windows-1252
# whatever the desktop's language. LC_ALL would override it, so it goes on
# for Wine's own texts only (LC_MESSAGES). No Mono or Gecko installers, no
# menu entries. Not plain wine: where qemu runs 32-bit Wine, that would start
# an x86-64 program through the emulated 32-bit loader first.
korva_wine_environment() {
  local state wine=wine64
  state=$(mkdir -p "$1" && cd "$1" && pwd) || return
  [ "${KORVA_WINE_ARCH:-win64}" = win64 ] || wine=wine
  printf '%s\n' "KORVA_STATE=$state" "WINEPREFIX=$state/prefix" WINEDEBUG=-all WINEARCH=win64 \
    ${LC_ALL:+"LC_MESSAGES=$LC_ALL" LC_ALL=} LC_CTYPE=C.UTF-8 WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=d \
    WINE64=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver "WINE=/usr/lib/wine/$wine"
  [ ! -f "$state/display" ] || echo "DISPLAY=$(cat "$state/display")"
}

# Uses a state folder (made if need be): exports its Wine's environment.
# Fails where the folder cannot be made, with mkdir's reason.
korva_use_state() {
  local environment line
  environment=$(korva_wine_environment "$1") || return
  while IFS= read -r line; do export "${line?}"; done <<<"$environment"
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
  local kind=${1:-virtual-display} mark="$WINEPREFIX/.korva-setup" made setup
  setup=$(korva_prefix_setup "$kind")
  (
    flock 9
    made=$(cat "$mark" 2>/dev/null) || true
    [ "$made" = "$setup" ] && korva_prefix_runs_wine && exit 0
    if [ "${made%% *}" != "$KORVA_PREFIX_VERSION" ]; then
      # None made yet, an unfinished one or an outdated one.
      echo "Preparing Wine for the first run (about 15 s)…" >&2
      rm -rf "$WINEPREFIX"
      korva_step wineboot korva_wineboot -i
    elif ! korva_prefix_runs_wine; then
      echo "Updating the Wine prefix to run 32-bit programs too (about 20 s)…" >&2
      rm -f "$WINEPREFIX/.update-timestamp"
      korva_step wineboot korva_wineboot -u
    else
      echo "Updating the Wine set-up…" >&2
    fi
    korva_step registry korva_set_up_registry "$kind" "$(korva_kind_dpi "$kind")"
    korva_step fonts korva_install_fonts
    korva_step wineserver "$WINESERVER" -w
    echo "$setup" >"$mark"
  ) 9>"$KORVA_STATE/prefix.lock"
}

# Runs wineboot with OPTION (-i makes the prefix, -u updates it), without
# a display, and waits until the processes it started have ended: a
# registry change made while they still start has been seen to fail.
korva_wineboot() {
  env DISPLAY= "$WINE64" wineboot "$1" && "$WINESERVER" -w
}

# Prints what the prefix's set-up marker holds once it is set up for KIND:
# the set-up's version, the prefix's architecture, KIND, the dpi and which
# of Korva1's fonts it has.
korva_prefix_setup() {
  echo "$KORVA_PREFIX_VERSION $WINEARCH $1 $(korva_kind_dpi "$1") fonts-$(korva_fonts_sum)"
}

# The dpi of a prefix of KIND: the desktop's scale, else 96.
korva_kind_dpi() {
  if [ "$1" = desktop ]; then korva_display_dpi; else echo 96; fi
}

# A checksum of Korva1's fonts, "missing" where one is: changed fonts are
# set up again in place.
korva_fonts_sum() {
  local sum
  sum=$(cat "$KORVA_FONTS/tahoma.ttf" "$KORVA_FONTS/tahomabd.ttf" 2>/dev/null | cksum) || sum=missing
  echo "${sum%% *}"
}

# Whether the prefix is set up for KIND: korva_ensure_prefix has nothing to
# do, without waiting for its lock.
korva_prefix_ready() {
  [ "$(cat "$WINEPREFIX/.korva-setup" 2>/dev/null)" = "$(korva_prefix_setup "$1")" ] && korva_prefix_runs_wine
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

# The form's font, "MS Shell Dlg", stands for Tahoma: Korva1's own, which
# Wine measures as it draws it (fonts-wine's is measured wider, and the
# form's texts would not fit). The caption buttons and scroll-bar arrows are
# glyphs of Marlett, as fonts-wine ships it. Wine only loads them from the
# prefix's own font folder. Each is copied under another name and renamed:
# a running Wine keeps the file it opened.
korva_install_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" marlett name path
  marlett=$(dpkg-query -L fonts-wine | grep -m1 '/marlett\.ttf$') || { echo "fonts-wine has no marlett.ttf" && return 1; }
  mkdir -p "$fonts" || return
  for path in "$KORVA_FONTS/tahoma.ttf" "$KORVA_FONTS/tahomabd.ttf" "$marlett"; do
    [ -f "$path" ] || { echo "The font $path is missing" && return 1; }
    name=${path##*/}
    cp "$path" "$fonts/$name.new" && mv -f "$fonts/$name.new" "$fonts/$name" || return
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

# Whether Windows can name FOLDER, as Wine names it (Z: and the path with
# backslashes), for a program's working folder; else says why and fails.
# Wine would start the program in the prefix's C:\windows instead, and the
# program's files would go there unseen.
korva_windows_can_name() {
  local folder=$1 why=""
  if [[ $folder == *[\"*?\<\>\|\\]* ]]; then
    why='its name has one of the characters " * ? < > | \, which Windows does not allow'
  elif [[ $folder == *[[:cntrl:]]* ]]; then
    why="its name has a control character, which Windows does not allow"
  elif [[ $folder/ == *[.\ ]/* ]]; then
    why="a folder of its path ends in a dot or a space, which Windows drops from a name"
  elif ((${#folder} + 2 > 258)); then
    # "Z:" and the path: MAX_PATH less a backslash and the end.
    why="its name is $((${#folder} + 2)) characters long for Windows, which allows 258"
  fi
  [ -z "$why" ] || { echo "Korva1 cannot keep its files in $folder: $why. Rename the folder, or start Korva1 in another one." >&2 && return 1; }
}

# The scale of the X display in dots per inch, as its X resources give it
# (Xft.dpi, which desktops set to their scale), 96 without one.
korva_display_dpi() {
  local dpi
  dpi=$(xrdb -query 2>/dev/null | awk '$1 == "Xft.dpi:" { printf "%d", $2 + 0.5 }')
  [ "${dpi:-0}" -gt 0 ] && echo "$dpi" || echo 96
}
