#!/bin/bash
# 32-bit Wine for the release, the i686 Korva1.exe: Debian's wine32 in an
# i386 Debian root kept in /var/cache/korva1, outside any clone, so that
# every clone and CI run shares it. Where the kernel cannot run 32-bit code,
# qemu-i386 runs each i386 program of the root (through binfmt_misc).
#   scripts/wine32.sh prepare             makes all that once (about 4 min)
#   scripts/wine32.sh run PROGRAM ARG...  runs PROGRAM of the root in the
#                                         current folder (scripts/wine32/*)
#   scripts/wine32.sh how                 says how it runs: natively or
#                                         emulated
# Needs root. Exits with 77 where 32-bit Wine cannot be had at all.
# KORVA_WINE32_QEMU=1 prepare takes the qemu way even where the kernel does
# not need it, to try that way there.
set -euo pipefail

cache=/var/cache/korva1
root=$cache/i386-root
# Debian's 32-bit Wine, and the X libraries that its X11 driver loads where
# they are (Wine only recommends them, and debootstrap leaves that out):
# without libxrandr2, say, it does not follow the screen when it shrinks.
root_packages=wine,wine32,libwine,fonts-wine,libxrandr2,libxrender1,libxinerama1,libxcursor1,libxi6,libxfixes3,libxcomposite1,libxxf86vm1
# What the root was made with.
root_mark=$root/.korva-packages
log=$cache/prepare.log
# Present when the root's programs need qemu.
via_qemu=$cache/via-qemu
suite=bookworm
# bookworm's own qemu 7.2 takes about a minute per Wine process, then crashes.
qemu=/usr/bin/qemu-i386
qemu_minimum=8.1
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
backports=/etc/apt/sources.list.d/korva1-backports.sources
here=$(cd "$(dirname "$0")" && pwd)

usage() {
  echo "usage: scripts/wine32.sh prepare | run PROGRAM [ARG...] | how" >&2
  exit 2
}

unavailable() {
  echo "32-bit Wine cannot run here: $1" >&2
  exit 77
}

fail() {
  echo "Preparing 32-bit Wine failed ($1). The end of $log:" >&2
  tail -n 20 "$log" >&2
  exit 1
}

# Whether the kernel itself runs i386 programs: a tiny static one that sets
# up a thread pointer as glibc does (%gs on a TLS entry) and as 32-bit Wine
# does (%fs on an LDT entry), then exits with 0. A nonzero padding byte in
# its ELF header keeps binfmt entries, which want zeros there, from handing
# it to qemu instead.
kernel_runs_i386() {
  local probe=$cache/probe-i386
  {
    printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\x01\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08'
    printf '\x34\0\0\0\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0'
    # One segment: the whole file, at 0x8048000.
    printf '\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\xa9\0\0\0\xa9\0\0\0\x05\0\0\0\0\x10\0\0'
    # set_thread_area({-1, base %esp, limit 0xfffff, 0x51}); %gs = that
    # entry; mov %gs:0,%eax
    printf '\x6a\x51\x68\xff\xff\x0f\0\x54\x6a\xff\x89\xe3\xb8\xf3\0\0\0\xcd\x80\x8b\x04\x24'
    printf '\x8d\x04\xc5\x03\0\0\0\x8e\xe8\x65\xa1\0\0\0\0'
    # modify_ldt(1, {0, the same}, 16); %fs = 7 (LDT entry 0); mov %fs:0,%eax
    printf '\xc7\x04\x24\0\0\0\0\xb8\x7b\0\0\0\xbb\x01\0\0\0\x89\xe1\xba\x10\0\0\0\xcd\x80'
    printf '\xb8\x07\0\0\0\x8e\xe0\x64\xa1\0\0\0\0'
    # exit(0)
    printf '\x31\xdb\xb8\x01\0\0\0\xcd\x80'
  } >"$probe"
  chmod +x "$probe"
  # Braces, so that bash reports a crash to /dev/null too.
  { "$probe"; } 2>/dev/null
}

# Whether the qemu-i386 at PATH is at least $qemu_minimum.
qemu_is_recent() {
  local version
  version=$("$1" --version 2>/dev/null | sed -n '1s/.* version \([0-9][0-9.]*\).*/\1/p')
  [ -n "$version" ] && printf '%s\n' "$qemu_minimum" "$version" | sort -V -C
}

# The entry needs the F flag (qemu opened when registered, so that it is
# found inside the root too) and a recent qemu.
binfmt_entry_is_current() {
  [ "$(head -n1 "$entry" 2>/dev/null)" = enabled ] &&
    grep -q '^flags:.*F' "$entry" &&
    qemu_is_recent "$(sed -n 's/^interpreter //p' "$entry")"
}

# The first mirror that the host's own sources use for $suite.
host_mirror() {
  {
    sed -E 's/\[[^]]*\]//' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      awk -v suite="$suite" '$1 == "deb" && $3 == suite { print $2 }'
    awk -v suite="$suite" -v RS= '{
      types = suites = uri = ""
      n = split($0, line, "\n")
      for (i = 1; i <= n; i++) {
        if (line[i] ~ /^Types:/) types = line[i] " "
        if (line[i] ~ /^Suites:/) suites = line[i] " "
        if (line[i] ~ /^URIs:/) { split(line[i], field, " "); uri = field[2] }
      }
      if (types ~ / deb / && suites ~ (" " suite " ")) print uri
    }' /etc/apt/sources.list.d/*.sources 2>/dev/null
  } | head -n1 | grep . || echo http://deb.debian.org/debian
}

# Backports in a sources file of its own; the host's sources stay as they are.
enable_backports() {
  [ -f "$backports" ] && return 0
  printf '%s\n' 'Types: deb' "URIs: $(host_mirror)" "Suites: $suite-backports" \
    'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' >"$backports"
}

apt_get() {
  DEBIAN_FRONTEND=noninteractive nice apt-get -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "$@" >>"$log" 2>&1 || fail "apt-get $*"
}

# Installs those of the PACKAGEs that are missing; qemu-user comes from
# backports, and replaces an older one.
install_packages() {
  local installed package missing=()
  installed=$(dpkg-query -W -f='${db:Status-Abbrev}${Package}\n' "$@" 2>/dev/null || true)
  for package; do
    if ! grep -qx "ii $package" <<<"$installed" ||
      { [ "$package" = qemu-user ] && ! qemu_is_recent "$qemu"; }; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}" >&2
  if [[ " ${missing[*]} " == *" qemu-user "* ]]; then enable_backports; fi
  apt_get update
  for package in "${missing[@]}"; do
    if [ "$package" = qemu-user ]; then
      apt_get install -t "$suite-backports" qemu-user
    else
      apt_get install "$package"
    fi
  done
}

register_binfmt() {
  # i386 executables and shared objects, as in qemu's own list; the kernel
  # reads the \x escapes.
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  qemu_is_recent "$qemu" || fail "$qemu is older than $qemu_minimum"
  mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt" >>"$log" 2>&1 ||
    unavailable "the kernel cannot run 32-bit code, and binfmt_misc cannot be mounted"
  [ ! -e "$entry" ] || echo -1 >"$entry"
  # P keeps argv[0], which Wine's loader needs.
  printf '%s' ":qemu-i386:M::$magic:$mask:$qemu:PF" >"$binfmt/register"
  binfmt_entry_is_current || fail "qemu-i386 is not registered as it should be"
}

# The root is made in a folder of its own and renamed into place when
# complete, so a killed set-up leaves nothing that counts as ready (prepare
# removes what it left); and in a mount namespace of its own, so it leaves
# nothing mounted either.
build_root() {
  local building
  building=$(mktemp -d "$root.building.XXXXXX")
  chmod 755 "$building"
  nice unshare -m --propagation private \
    debootstrap --arch=i386 --variant=minbase --include="$root_packages" \
    "$suite" "$building" "$(host_mirror)" >>"$log" 2>&1 || fail debootstrap
  rm -f "$building"/var/cache/apt/archives/*.deb
  echo "$root_packages" >"$building/.korva-packages"
  mv "$building" "$root"
}

root_is_current() {
  [ "$(cat "$root_mark" 2>/dev/null)" = "$root_packages" ]
}

# Installs what a root made by an earlier version lacks, with the root's own apt.
update_root() {
  # shellcheck disable=SC2086
  nice unshare -m --propagation private chroot "$root" /bin/sh -c 'mount -t proc proc /proc &&
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" &&
    apt-get clean' sh ${root_packages//,/ } >>"$log" 2>&1 || fail "apt-get in the root"
  echo "$root_packages" >"$root_mark"
}

# Once all is there: no apt, no network, well under a second.
prepare() {
  local needed=()
  [ "$(id -u)" = 0 ] || unavailable "preparing it needs root"
  mkdir -p "$cache"
  exec 9>"$cache/prepare.lock"
  flock 9
  rm -rf --one-file-system "$root".building.*
  if [ "${KORVA_WINE32_QEMU:-}" != 1 ] && kernel_runs_i386; then
    rm -f "$via_qemu"
  else
    grep -qw binfmt_misc /proc/filesystems ||
      unavailable "the kernel cannot run 32-bit code and has no binfmt_misc"
    touch "$via_qemu"
    binfmt_entry_is_current || needed+=(qemu-user)
  fi
  [ -d "$root" ] || needed+=(debootstrap)
  if [ ${#needed[@]} -eq 0 ] && root_is_current; then return 0; fi
  : >"$log"
  if [ ! -d "$root" ]; then
    echo "Preparing 32-bit Wine for the release: an i386 Debian root with Wine, once" \
      "(about 4 min, 1 GB in $cache)…" >&2
  elif ! root_is_current; then
    echo "Adding packages to the 32-bit Wine's root (about a minute)…" >&2
  else
    echo "Registering qemu-i386 to run 32-bit programs…" >&2
  fi
  [ ${#needed[@]} -eq 0 ] || install_packages "${needed[@]}"
  if [ -e "$via_qemu" ] && ! binfmt_entry_is_current; then register_binfmt; fi
  if [ ! -d "$root" ]; then
    build_root
  elif ! root_is_current; then
    update_root
  fi
}

# Runs PROGRAM of the root, as this very process (exec all along), with a
# clean environment but for Wine's, the display's and the locale's.
run() {
  local name vars=(PATH=/usr/local/bin:/usr/bin:/bin HOME=/root)
  [ -d "$root" ] || {
    echo "32-bit Wine is not prepared: run $here/wine32.sh prepare" >&2
    exit 1
  }
  [ ! -e "$via_qemu" ] || [ "$(head -n1 "$entry" 2>/dev/null)" = enabled ] || {
    echo "qemu-i386 is no longer registered (a restart?): run $here/wine32.sh prepare" >&2
    exit 1
  }
  for name in WINEPREFIX WINEDEBUG WINEARCH WINEDLLOVERRIDES DISPLAY XAUTHORITY LANG TZ ${!LC_*}; do
    [ -z "${!name+set}" ] || vars+=("$name=${!name}")
  done
  exec env -i "${vars[@]}" unshare -m --propagation private -- "$here/wine32.sh" in-namespace "$@"
}

# In run's mount namespace (private, so a killed run leaves nothing mounted
# on the host): the root's /etc and /usr (with /bin and /lib, as merged
# /usr has them) take the place of the host's. Every other path of the host
# stays where it is: the current folder, the prefix, the exe's folder, the
# X authority, /tmp with the X and Wine server sockets. Wine's server opens
# the files of all its clients and outlives the call that started it, so
# each call must see the same paths, not only those it needs itself.
in_namespace() {
  mount --bind "$root/etc" /etc
  mount --rbind "$root/usr" /usr
  exec "$@"
}

# An enabled entry runs the root's programs through qemu even where the
# kernel could run them itself.
how() {
  if [ "$(head -n1 "$entry" 2>/dev/null)" = enabled ]; then
    echo "emulated by $(sed -n 's/^interpreter //p' "$entry")"
  else
    echo natively
  fi
}

command=${1:-}
[ $# -eq 0 ] || shift
case "$command" in
prepare) [ $# -eq 0 ] || usage; prepare ;;
run) [ $# -ge 1 ] || usage; run "$@" ;;
how) how ;;
in-namespace) in_namespace "$@" ;;
*) usage ;;
esac
