#!/bin/bash
# Installs from Debian's archive what the named uses of Korva1 need and the
# machine lacks; with nothing missing it costs one package query.
# Usage: install-deps.sh SET...
#   run      build the x86-64 program and run it under Wine, on a display or
#            as a screenshot
#   browser  serve the form to a web browser
#   release  build the 32-bit release and run it under Debian's 32-bit Wine
#            (wine32:i386: adds the i386 architecture to the machine, and
#            where the kernel runs no 32-bit code, qemu-user from backports)
#   package  build the release's packages (scripts/package.sh): the i686
#            and x86-64 compilers, the Windows Installer tools and dpkg-deb,
#            no Wine
#   test     everything that scripts/test.sh runs
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# Every build makes Korva1's fonts from fonts-wine's with fontTools.
declare -A sets=(
  [run]="cmake ninja-build python3 python3-fonttools g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
         wine wine64 fonts-wine xvfb x11-xkb-utils xdotool x11-utils x11-xserver-utils imagemagick"
  [browser]="novnc websockify x11vnc x11-xserver-utils xauth iproute2 python3"
  # Wine's X11 driver loads the X libraries that Wine only recommends: without
  # libxrandr2 it does not follow the screen when it shrinks (browser mode).
  [release]="cmake ninja-build python3 python3-fonttools fonts-wine g++-mingw-w64-i686-posix binutils-mingw-w64-i686
             wine32:i386 libxrandr2:i386 libxrender1:i386 libxinerama1:i386 libxcursor1:i386
             libxi6:i386 libxfixes3:i386 libxcomposite1:i386 libxxf86vm1:i386"
  # dpkg: dpkg-deb builds the Debian package, of the x86-64 program.
  [package]="cmake ninja-build python3 python3-fonttools fonts-wine g++-mingw-w64-i686-posix binutils-mingw-w64-i686
             wixl msitools faketime zip
             g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 dpkg"
  # desktop-file-utils and libglib2.0-bin: a menu entry checked and started as a desktop does;
  # lintian and appstream check the Debian package, which depends on xdg-user-dirs.
  # ccache: the tests' builds keep a compiler cache across runs.
  # apt-utils: apt-ftparchive makes the archive that install-deps.sh is tested on.
  [test]="shellcheck icoutils openbox chromium chromium-driver python3-selenium
          g++ googletest strace clang-14 libclang-rt-14-dev llvm-14 clang-tidy-14 clang-format-14 locales
          desktop-file-utils libglib2.0-bin lintian appstream xdg-user-dirs ccache apt-utils"
)
suite=bookworm

[ $# -gt 0 ] || set -- run
# The tests run every use of the program.
[[ " $* " != *" test "* ]] || set -- "$@" run browser release package
wanted=()
for set in "$@"; do
  [ -n "${sets[$set]:-}" ] || { echo "install-deps.sh: no package set '$set'" >&2; exit 2; }
  # shellcheck disable=SC2206 # a set is a list of words
  wanted+=(${sets[$set]})
done

# One query for all: dpkg-query names only the packages it knows, with their
# state, and a foreign one as it is asked for (wine32:i386). With a foreign
# architecture on the machine it names a native package that can be
# installed for several architectures with its own (libclang-rt-14-dev:amd64),
# which is asked for without it.
native=$(dpkg --print-architecture)
installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' "${wanted[@]}" 2>/dev/null |
  awk -v native=":$native" '$1 == "ii" { sub(native "$", "", $2); print $2 }') || true
mapfile -t missing < <(printf '%s\n' "${wanted[@]}" | sort -u | grep -vxF -f <(echo "$installed") || true)
release=0
[[ " ${wanted[*]} " != *" wine32:i386 "* ]] || release=1
# qemu-i386 runs 32-bit Wine where the kernel cannot; bookworm's own (7.2)
# is too old for it.
qemu=0
[ "$release" = 0 ] || ! "$here/wine32.sh" needs-qemu-user || qemu=1
[ ${#missing[@]} -eq 0 ] && [ "$qemu" = 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Runs COMMAND as root; where it fails, says which STEP did (the command's
# own errors are above) and ends with its status.
as_root() {
  local step=$1 status=0
  shift
  $sudo "$@" || status=$?
  [ "$status" = 0 ] || { echo "install-deps.sh: $step failed (status $status)" >&2 && exit "$status"; }
}
# Where the machine's apt keeps its sources and preferences (APT_CONFIG can
# move them).
sources="" preferences=""
eval "$(apt-config shell sources Dir::Etc::sourceparts/d preferences Dir::Etc::Preferences/f)"
backports=${sources}korva1-backports.sources

# One line before it starts: what, and about how long.
listed=("${missing[@]}")
about="a minute or a few"
[[ " ${missing[*]} " != *" wine32:i386 "* ]] ||
  about+="; Debian's 32-bit Wine adds the i386 architecture to the machine, and about a minute and 0.7 GB"
if [ "$qemu" = 1 ]; then
  listed+=("qemu-user (from $suite-backports)")
  [ ${#missing[@]} -gt 0 ] || about="about 30 s"
fi
echo "Installing: ${listed[*]} ($about)"
if [ "$release" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root "adding the i386 architecture" dpkg --add-architecture i386
fi
if [ "$qemu" = 1 ] && [ ! -f "$backports" ]; then
  # Backports in a sources file of its own, from the mirror that the
  # machine's sources use; those stay as they are.
  # shellcheck disable=SC2016 # apt's own $(FIELD)s
  mirror=$(apt-get indextargets --no-release-info --format '$(REPO_URI) $(RELEASE)' |
    awk -v suite="$suite" '$2 == suite && !uri { uri = $1 } END { print uri }')
  printf '%s\n' 'Types: deb' "URIs: ${mirror:-http://deb.debian.org/debian/}" "Suites: $suite-backports" \
    'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
    as_root "writing $backports" tee "$backports" >/dev/null
fi

# An index that apt cannot fetch (a mirror caught mid-sync: "File has
# unexpected size") fails the update; it is tried once more, then the
# install goes on with the indexes that apt has, and fails only where those
# lack something needed.
updated=0
$sudo apt-get update -qq 2>"$work/update" || {
  echo "install-deps.sh: apt-get update failed; trying once more" >&2
  $sudo apt-get update -qq 2>"$work/update" || updated=$?
}
cat "$work/update" >&2
# The failed indexes are those whose folder apt's errors name (a by-hash
# or compressed file of it): "ARCHITECTURE SUITE DESCRIPTION".
failed=()
if [ "$updated" != 0 ]; then
  # shellcheck disable=SC2016 # apt's own $(FIELD)s
  mapfile -t failed < <(apt-get indextargets --no-release-info --format '$(URI) $(ARCHITECTURE) $(RELEASE) $(DESCRIPTION)' |
    awk 'NR == FNR { if (/^[EW]: /) errors = errors $0 "\n"; next }
         { folder = $1; sub("[^/]*$", "", folder) }
         index(errors, folder) { sub("^[^ ]* ", ""); print }' "$work/update" -)
  [ ${#failed[@]} -gt 0 ] ||
    echo "install-deps.sh: apt-get update failed (status $updated); going on with the indexes that apt has" >&2
fi
foreign=" $(dpkg --print-foreign-architectures | tr '\n' ' ')"
pinned=()
for index in "${failed[@]}"; do
  read -r architecture index_suite description <<<"$index"
  echo "install-deps.sh: going on without an index that apt could not fetch: $description" >&2
  [[ $foreign != *" $architecture "* ]] || pinned+=("$index_suite")
done
# Without a foreign architecture's index of a suite (security's i386), the
# native packages of that suite are newer than any of that architecture:
# wine32:i386 needs native libraries at versions that i386 has too, which
# apt then cannot find. Below 100 that suite gives way, for this one
# install, to the other suites and to what is installed. These pins come
# before the machine's own preferences, as apt takes the first that matches.
pin=()
if [ ${#pinned[@]} -gt 0 ]; then
  for index_suite in $(printf '%s\n' "${pinned[@]}" | sort -u); do
    # The suite as the sources name it: its codename or its archive name.
    printf 'Package: *\nPin: release %s\nPin-Priority: 50\n\n' "n=$index_suite" "a=$index_suite"
  done >"$work/preferences"
  [ ! -f "$preferences" ] || cat "$preferences" >>"$work/preferences"
  pin=(-o "Dir::Etc::Preferences=$work/preferences")
fi
export DEBIAN_FRONTEND=noninteractive
[ ${#missing[@]} -eq 0 ] ||
  as_root "installing the packages" apt-get install -y -qq --no-install-recommends "${pin[@]}" "${missing[@]}"
# On its own: -t would take every package that backports has from there.
[ "$qemu" = 0 ] ||
  as_root "installing qemu-user from $suite-backports" apt-get install -y -qq --no-install-recommends -t "$suite-backports" qemu-user
