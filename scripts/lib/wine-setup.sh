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

# Makes the prefix once per state folder (about 15 s, or a copy of
# KORVA_TEMPLATE where it fits: korva_template_fits) and brings it up to
# date when its set-up has changed, or when it has no 32-bit system files
# for the release (made before Debian's 32-bit Wine was installed). KIND:
#   virtual-display  (default) a display without a window manager: Wine draws
#                    the frames and moves the focus; 96 dpi, the checked scale
#   desktop          a person's display, whose window manager does that; at
#                    its scale, so that the form comes up as Windows draws it
korva_ensure_prefix() {
  local kind=${1:-virtual-display} mark="$WINEPREFIX/.korva-setup" made setup dpi
  setup=$(korva_prefix_setup "$kind")
  read -r _ _ _ dpi _ <<<"$setup"
  (
    flock 9
    made=$(cat "$mark" 2>/dev/null) || true
    [ "$made" = "$setup" ] && korva_prefix_runs_wine && exit 0
    if [ "${made%% *}" != "$KORVA_PREFIX_VERSION" ]; then
      # None made yet, an unfinished one or an outdated one.
      rm -rf "$WINEPREFIX" "$WINEPREFIX.new"
      if korva_template_fits; then
        korva_room_for "$KORVA_TEMPLATE" || exit
        korva_step template korva_copy_template || exit
      else
        echo "Preparing Wine for the first run (about 15 s)…" >&2
        korva_step wineboot korva_wineboot -i || exit
      fi
    elif ! korva_prefix_runs_wine; then
      echo "Updating the Wine prefix to run 32-bit programs too (about 20 s)…" >&2
      rm -f "$WINEPREFIX/.update-timestamp"
      korva_step wineboot korva_wineboot -u || exit
    else
      echo "Updating the Wine set-up…" >&2
      # The registry's files are written while no Wine runs in the prefix:
      # waits for a program still running there.
      korva_step wineserver "$WINESERVER" -w || exit
    fi
    korva_step registry korva_set_up_registry "$kind" "$dpi" || exit
    korva_step fonts korva_install_fonts || exit
    echo "$setup" >"$mark"
  ) 9>"$KORVA_STATE/prefix.lock"
}

# Runs wineboot with OPTION (-i makes the prefix, -u updates it), without
# a display, and waits until the processes it started have ended: a
# registry change made while they still start has been seen to fail.
korva_wineboot() {
  env DISPLAY= "$WINE64" wineboot "$1" && "$WINESERVER" -w
}

# A template of the prefix that a first start copies where it fits, instead
# of making the prefix anew: the Debian package's, made once per machine
# (korva_make_template). Empty: none.
KORVA_TEMPLATE=${KORVA_TEMPLATE:-}
# Debian's Wine: wine.inf, whose time a prefix keeps in .update-timestamp
# (Wine updates a prefix at its next start where they differ), and the
# folders of Wine's own Windows files, which a template links to: 64-bit
# ones, and 32-bit ones of Debian's 32-bit Wine (Wine 8) or of the 64-bit
# one (Wine 10).
KORVA_WINE_INF=/usr/share/wine/wine.inf
KORVA_WINE_WINDOWS_FILES=(/usr/lib/x86_64-linux-gnu/wine/{x86_64,i386}-windows /usr/lib/i386-linux-gnu/wine/i386-windows)

# Makes the template DIR as root, without a display: a desktop prefix at
# 96 dpi as the set-up above makes it, its files that are byte for byte
# Wine's own replaced by links to them (1.3 GB become 15 to 35 MB), readable
# by all. Made beside DIR, which it then replaces; a failure leaves none.
# Never updated in place: Wine's update, run by root, would write through
# the links into Wine's own files.
korva_make_template() {
  local dir=$1 work status=0
  mkdir -p "$(dirname "$dir")" && work=$(mktemp -d "$dir.new.XXXXXX") || return
  (
    unset DISPLAY WAYLAND_DISPLAY XDG_CONFIG_HOME XDG_DATA_HOME
    # Wine links the profile's folders into this home; a copy points them
    # again, into the account's own.
    mkdir "$work/home" && korva_use_state "$work" &&
      HOME="$work/home" KORVA_TEMPLATE="" korva_ensure_prefix desktop &&
      korva_step links korva_link_wine_files "$WINEPREFIX" &&
      # The socket folder of the server that ran, readable by root alone.
      rm -f "$WINEPREFIX/wineserver" &&
      chmod -R a+rX,go-w "$WINEPREFIX" &&
      rm -rf "$dir" && mv "$WINEPREFIX" "$dir"
  ) || status=$?
  [ "$status" = 0 ] || rm -rf "$dir"
  rm -rf "$work"
  return "$status"
}

# Replaces each file under PREFIX's drive C: that is byte for byte one
# of Wine's own Windows files by a link to that file; says how many.
korva_link_wine_files() {
  local file name folder linked=0
  while IFS= read -r -d '' file; do
    name=${file##*/}
    for folder in "${KORVA_WINE_WINDOWS_FILES[@]}"; do
      if [ -f "$folder/$name" ] && cmp -s "$file" "$folder/$name"; then
        ln -sf "$folder/$name" "$file" || return
        linked=$((linked + 1))
        break
      fi
    done
  done < <(find "$1/drive_c" -type f -print0)
  echo "$linked files linked to Wine's own"
}

# Whether KORVA_TEMPLATE fits this first start; says why not, on stderr. It
# fits where this set-up made it for this architecture, with the Wine now
# installed (one made by an older Wine holds that Wine's set-up, and links
# to files that the new one may have dropped), and where this account can
# take it: one whose name Wine writes as it is, and not root, whose Wine
# update would write through the links into Wine's own files.
korva_template_fits() {
  local template=$KORVA_TEMPLATE version="" arch="" made="" name
  [ -n "$template" ] || return 1
  name=$(korva_account_name)
  # Missing where there is no template.
  { read -r version arch _ <"$template/.korva-setup"; } 2>/dev/null || true
  # Wine writes the time with a CR LF.
  made=$({ tr -d '\r\n' <"$template/.update-timestamp"; } 2>/dev/null) || true
  if [ "$(id -u)" = 0 ] || ! [[ $name =~ ^[A-Za-z0-9._-]+$ ]] || [ "${name,,}" = public ]; then
    echo "Wine's template is not for this account ($name)." >&2
  elif [ "$version $arch" != "$KORVA_PREFIX_VERSION $WINEARCH" ] || ! korva_template_user >/dev/null ||
    [ ! -r "$template/user.reg" ] || [ ! -r "$template/system.reg" ]; then
    echo "No template of Wine's set-up in $template." >&2
  elif [ "$made" != "$(stat -c %Y "$KORVA_WINE_INF")" ]; then
    echo "The template in $template is older than the installed Wine." >&2
  else
    return 0
  fi
  return 1
}

# Prints the account name that Wine gives the prefix's profile: USER, else
# the system's name for the user.
korva_account_name() { echo "${USER-$(id -un)}"; }

# Prints the name of the template's one profile; fails without one.
korva_template_user() {
  local profiles
  profiles=$(find "$KORVA_TEMPLATE/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public -printf '%f\n' 2>/dev/null)
  [ -n "$profiles" ] && [ "$(wc -l <<<"$profiles")" = 1 ] && echo "$profiles"
}

# Whether the state folder has room for a copy of FOLDER; says otherwise,
# here and not in a step's log, which a full disk would leave empty.
korva_room_for() {
  local need free
  need=$(du -sk "$1" | cut -f1) && free=$(df -Pk "$KORVA_STATE" | awk 'NR == 2 { print $4 }') || return
  [ "$free" -gt "$need" ] ||
    { echo "Not enough free space for Wine's set-up in $KORVA_STATE: $((need / 1024 + 1)) MB needed, $((free / 1024)) MB free." >&2 && return 1; }
}

# Makes the prefix as a copy of KORVA_TEMPLATE, beside it first and then
# renamed, so that a copy cut short is never taken for the prefix; a copy
# that fails is removed. The template's account becomes this one: its
# profile folder, its paths in the registry, and the profile's links to the
# desktop's folders, made again as Wine makes them: to the XDG folder where
# it is one, else to the home folder.
korva_copy_template() {
  local new="$WINEPREFIX.new" from name link folder
  from=$(korva_template_user) && name=$(korva_account_name) || return
  cp -R "$KORVA_TEMPLATE" "$new" || { rm -rf "$new" && return 1; }
  rm -f "$new/.korva-setup"
  if [ "$from" != "$name" ]; then
    # shellcheck disable=SC1003 # the registry's \\ between names, no quote
    mv "$new/drive_c/users/$from" "$new/drive_c/users/$name" &&
      sed -i -e 's/\\\\users\\\\'"${from//./\\.}"'\([\\"]\)/\\\\users\\\\'"$name"'\1/g' \
        -e 's/^"USERNAME"="'"${from//./\\.}"'"$/"USERNAME"="'"$name"'"/' \
        "$new/user.reg" "$new/system.reg" "$new/userdef.reg" || return
  fi
  while IFS= read -r -d '' link; do
    folder=""
    case ${link##*/} in
    Desktop) folder=$(xdg-user-dir DESKTOP) ;;
    Documents) folder=$(xdg-user-dir DOCUMENTS) ;;
    Downloads) folder=$(xdg-user-dir DOWNLOAD) ;;
    Music) folder=$(xdg-user-dir MUSIC) ;;
    Pictures) folder=$(xdg-user-dir PICTURES) ;;
    Videos) folder=$(xdg-user-dir VIDEOS) ;;
    Templates) folder=$(xdg-user-dir TEMPLATES) ;;
    esac
    [ -d "$folder" ] || folder=$HOME
    ln -sfn "$folder" "$link" || return
  done < <(find "$new/drive_c/users/$name" -type l -print0)
  mv "$new" "$WINEPREFIX"
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

# The prefix's settings for a KIND and a DPI; each may be set again. Written
# into the registry's files while no Wine process runs in the prefix (Wine's
# server reads them at its start and writes them back at its end): no Wine
# start for them, and nothing of wineboot's still starting meanwhile.
korva_set_up_registry() {
  local managed='"N"' pixels
  [ "$1" != desktop ] || managed="" # none: the window manager frames the form
  pixels=$(printf 'dword:%08x' "$2")
  korva_registry_set user.reg 'Software\\Wine\\X11 Driver' Managed "$managed" &&
    korva_registry_set user.reg 'Control Panel\\Desktop' LogPixels "$pixels" &&
    korva_registry_set system.reg 'System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts' \
      LogPixels "$pixels"
}

# Sets the value NAME of the key KEY in the prefix's registry file FILE to
# DATA, both as the file writes them (KEY with \\ between its names, DATA
# as dword:00000060 or "N"), or removes it where DATA is empty. A missing
# key is added at the end. Wine must not run in the prefix meanwhile.
korva_registry_set() {
  local file="$WINEPREFIX/$1"
  KEY=$2 NAME=$3 DATA=$4 NOW=$(date +%s) awk '
    BEGIN {
      key = tolower("[" ENVIRON["KEY"] "]")
      name = tolower("\"" ENVIRON["NAME"] "\"=")
      if (ENVIRON["DATA"] != "") value = "\"" ENVIRON["NAME"] "\"=" ENVIRON["DATA"]
    }
    # The rest of a value that goes: its lines end in \ while it goes on.
    removing { removing = /\\$/; next }
    # The new value follows the key line and its #time and #class lines.
    placing && !/^#/ { if (value != "") print value; placing = 0 }
    /^\[/ {
      line = tolower($0)
      in_key = line == key || index(line, key " ") == 1
      if (in_key) found = placing = 1
    }
    in_key && index(tolower($0), name) == 1 { removing = /\\$/; next }
    { print }
    END {
      if (placing && value != "") print value
      if (!found && value != "") printf "\n[%s] %s\n%s\n", ENVIRON["KEY"], ENVIRON["NOW"], value
    }' "$file" >"$file.new" && mv "$file.new" "$file"
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
