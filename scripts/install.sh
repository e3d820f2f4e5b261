#!/bin/bash
# Installs Korva1 for the person who runs it, from its Windows Installer
# package, into a Wine prefix of its own in ${XDG_DATA_HOME:-~/.local/share}/korva1.
# The desktop's menu then has "Korva1" with its icon; it starts the program
# with the scripts' Wine environment, at the desktop's scale, without this
# checkout. The program keeps its files in the person's documents folder as
# Wine maps it (~/Documents/Korva1, or ~/Korva1 without ~/Documents). An
# installed Korva1 is replaced, whichever its version.
# Usage: scripts/install.sh [PACKAGE.msi]   by default the package that
#                                           scripts/package.sh makes
#        scripts/install.sh --remove        takes out the program, its menu
#                                           entry and icons and the prefix;
#                                           the person's files stay
# Needs no root, beyond installing the release's packages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: scripts/install.sh [PACKAGE.msi] | --remove" >&2 && exit 2; }
[ $# -le 1 ] || usage

data=${XDG_DATA_HOME:-$HOME/.local/share}
menus=${XDG_CONFIG_HOME:-$HOME/.config}/menus/applications-merged
state="$data/korva1"
entry="$data/applications/wine/Programs/Korva1.desktop"
launcher="$state/korva1"
export KORVA_WINE_ARCH=win32
source "$root/scripts/lib/korva.sh"

# Fails where the prefix's own Documents folder (a real one where HOME did
# not exist when Wine made it) holds anything: deleting the prefix would
# delete the person's files.
check_files_outside_prefix() {
  local documents
  for documents in "$WINEPREFIX"/drive_c/users/*/Documents; do
    if [ -d "$documents" ] && [ ! -L "$documents" ] && [ -n "$(find "$documents" -mindepth 1 ! -type d -print -quit)" ]; then
      echo "Your Korva1 files are in $documents, inside the Wine prefix that this would delete." \
        "Move them elsewhere first, then run this again." >&2
      exit 1
    fi
  done
}

# Removes the installed Korva1 with its own uninstall, if there is one.
uninstall_package() {
  local product
  [ -f "$WINEPREFIX/system.reg" ] || return 0
  product=$("$WINE64" uninstaller --list | sed -n 's/^\({[-0-9A-F]*}\)|||Korva1$/\1/p')
  [ -z "$product" ] || korva_step uninstall "$WINE64" msiexec /x "$product" /qn
}

# Wine's menu builder leaves the entry and the icons behind at removal, and
# writes the icons again under another name at each install.
remove_menu_entry() {
  rm -f "$entry" "$menus/wine-Programs-Korva1.menu" "$data"/icons/hicolor/*/apps/*_Korva1.[0-9]*.png
  rmdir "$data/applications/wine/Programs" "$data/applications/wine" 2>/dev/null || true
  # The menu's folders, once no other Wine program's entry uses them.
  compgen -G "$menus/wine-*.menu" >/dev/null ||
    rm -f "$data"/desktop-directories/wine-{Programs,wine}.directory
}

# Starts the installed program from its Start-menu shortcut, whose working
# folder is Documents\Korva1, with the Wine environment of this checkout's
# library, copied beside it.
write_launcher() {
  local shortcut
  shortcut=$(compgen -G "$WINEPREFIX/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Korva1.lnk") ||
    { echo "The package made no Start-menu shortcut" >&2 && exit 1; }
  cp "$root/scripts/lib/korva.sh" "$state/korva.sh"
  cat >"$launcher" <<EOF
#!/bin/bash
# Starts Korva1 as scripts/install.sh installed it.
set -euo pipefail
source "\$(dirname "\$0")/korva.sh"
export KORVA_WINE_ARCH=win32
korva_use_state "\$(dirname "\$0")"
korva_ensure_prefix desktop
exec "\$WINE" start /wait /unix $(printf '%q' "$shortcut")
EOF
  chmod 755 "$launcher"
}

# The menu entry's command, quoted as desktop entries want it.
desktop_exec() {
  printf '"%s"' "$(printf '%s' "$1" | sed 's/[\\"`$]/\\&/g; s/\\/\\\\/g')"
}

install_package() {
  local msi=${1:-}
  "$root/scripts/install-deps.sh" release
  if [ -z "$msi" ]; then
    "$root/scripts/package.sh"
    msi=$(compgen -G "$root/dist/Korva1-*.msi")
  fi
  [ -f "$msi" ] || { echo "No package $msi" >&2 && exit 1; }
  msi=$(cd "$(dirname "$msi")" && pwd)/$(basename "$msi")
  "$root/scripts/wine32.sh" prepare

  korva_use_state "$state"
  # An outdated prefix is made afresh.
  [ "$(cut -d' ' -f1 "$WINEPREFIX/.korva-setup" 2>/dev/null)" = "$KORVA_PREFIX_VERSION" ] || check_files_outside_prefix
  korva_ensure_prefix desktop
  uninstall_package
  remove_menu_entry
  korva_step associations "$WINE64" reg add 'HKCU\Software\Wine\FileOpenAssociations' /v Enable /d N /f
  echo "Installing $(basename "$msi") into $WINEPREFIX…"
  # Wine's menu builder for this install only: it makes the menu entry and
  # the icons once msiexec has made the shortcut, and ends before the server.
  korva_step install env WINEDLLOVERRIDES="${WINEDLLOVERRIDES/,winemenubuilder.exe/}" \
    "$WINE64" msiexec /i "Z:${msi//\//\\}" /qn
  korva_step menu "$WINESERVER" -w
  [ -f "$entry" ] || { echo "Wine's menu builder made no menu entry $entry" >&2 && exit 1; }
  write_launcher
  # The entry starts the launcher instead of Wine on the shortcut.
  EXEC="Exec=$(desktop_exec "$launcher")" awk '/^Exec=/ { print ENVIRON["EXEC"]; next } 1' "$entry" >"$entry.new"
  mv "$entry.new" "$entry"
  echo "Korva1 is in your desktop's menu. It keeps its files in" \
    "$(readlink -f "$(compgen -G "$WINEPREFIX/drive_c/users/*/Documents/Korva1")")."
}

remove() {
  korva_use_state "$state"
  check_files_outside_prefix
  uninstall_package
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w
  remove_menu_entry
  rm -rf "$state"
  echo "Korva1 is removed; your files are where they were."
}

case "${1:-}" in
--remove) remove ;;
-*) usage ;;
*) install_package "${1:-}" ;;
esac
