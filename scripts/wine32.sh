#!/bin/bash
# 32-bit Wine for the release, the i686 Korva1.exe: Debian's own wine32:i386
# beside wine64 (scripts/install-deps.sh release installs it), in the same
# 64-bit prefixes as the x86-64 build. Where the kernel cannot run 32-bit
# code, qemu-i386 runs Wine's i386 programs, with the machine's own i386
# libraries, through a binfmt_misc entry that nothing keeps across a restart.
#   scripts/wine32.sh prepare          checks on every use that 32-bit Wine
#                                      can run, and registers qemu-i386 where
#                                      it is needed (that needs root)
#   scripts/wine32.sh how              says how it runs: natively or emulated
#   scripts/wine32.sh needs-qemu-user  succeeds where qemu-user is yet to be
#                                      installed for it
# prepare exits with 77 where 32-bit Wine cannot be had at all.
# KORVA_WINE32_QEMU=1 takes the qemu way even where the kernel does not need
# it, to try that way there. The entry then runs every i386 program of the
# machine until a restart, or until root removes it:
#   echo -1 >/proc/sys/fs/binfmt_misc/qemu-i386
set -euo pipefail

loader=/usr/lib/wine/wine
# bookworm's own qemu 7.2 takes about a minute per Wine process, then
# crashes; backports has a recent one.
qemu=/usr/bin/qemu-i386
qemu_minimum=8.1
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
here=$(cd "$(dirname "$0")" && pwd)

# A tiny static i386 program that sets up a thread pointer as glibc does
# (%gs on a TLS entry) and as 32-bit Wine does (%fs on an LDT entry), then
# exits with 0. A nonzero padding byte in its ELF header keeps binfmt
# entries, which want zeros there, from handing it to qemu instead.
write_probe() {
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
}

# Whether the kernel itself runs 32-bit programs as Wine needs; if not,
# $why says so. The probe runs from the first writable folder whose mount
# lets programs run: a noexec one refuses it whatever the kernel can do.
kernel_runs_i386() {
  local folder probe output status
  for folder in "${TMPDIR:-/tmp}" /tmp /dev/shm "${HOME:-/}" "$here/.."; do
    probe=$(mktemp "$folder/korva1-probe.XXXXXX" 2>/dev/null) || continue
    write_probe >"$probe"
    chmod +x "$probe"
    status=0
    # Braces, so that a crash's report is captured too.
    output=$({ "$probe"; } 2>&1) || status=$?
    rm -f "$probe"
    if [ "$status" = 0 ]; then
      return 0
    elif ((status > 128)); then
      why="32-bit programs crash on this kernel (signal $((status - 128)))"
      return 1
    elif [[ $output != *"Permission denied"* ]]; then
      why="the kernel cannot run 32-bit programs"
      return 1
    fi
  done
  why="no folder here lets programs run (all noexec)"
  return 1
}

# Whether Wine's i386 programs must go through qemu-i386 here.
needs_qemu() {
  if [ "${KORVA_WINE32_QEMU:-}" = 1 ]; then
    why="KORVA_WINE32_QEMU=1 asks for the emulated way"
    return 0
  fi
  ! kernel_runs_i386
}

# The version of the qemu-i386 at PATH, if it runs.
qemu_version() {
  "$1" --version 2>/dev/null | sed -n '1s/.* version \([0-9][0-9.]*\).*/\1/p'
}

qemu_is_recent() {
  local version
  version=$(qemu_version "$1")
  [ -n "$version" ] && printf '%s\n' "$qemu_minimum" "$version" | sort -V -C
}

entry_enabled() {
  [ "$(cat "$binfmt/status" 2>/dev/null)" = enabled ] && [ "$(head -n1 "$entry" 2>/dev/null)" = enabled ]
}

entry_interpreter() {
  sed -n 's/^interpreter //p' "$entry"
}

entry_is_current() {
  entry_enabled && qemu_is_recent "$(entry_interpreter)"
}

# Hands i386 executables and shared objects to qemu-i386, as qemu's own list
# has them; the kernel reads the \x escapes. P keeps argv[0], which Wine's
# loader needs. The interpreter is opened on each use, from the machine's
# own /usr/bin, so the entry needs no F flag.
register_qemu() {
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt" ||
    unavailable "$why, and binfmt_misc cannot be mounted for qemu-i386"
  echo 1 >"$binfmt/status"
  [ ! -e "$entry" ] || echo -1 >"$entry"
  printf '%s' ":qemu-i386:M::$magic:$mask:$qemu:P" >"$binfmt/register"
  entry_is_current || {
    echo "Registering $qemu to run 32-bit programs failed" >&2
    exit 1
  }
}

unavailable() {
  echo "32-bit Wine cannot run here: $1" >&2
  exit 77
}

# Well under a second where all is in place.
prepare() {
  [ -x "$loader" ] || {
    echo "Debian's 32-bit Wine is not installed: run $here/install-deps.sh release" >&2
    exit 1
  }
  needs_qemu || return 0
  entry_is_current && return 0
  grep -qw binfmt_misc /proc/filesystems || unavailable "$why, and it has no binfmt_misc for qemu-i386"
  qemu_is_recent "$qemu" || {
    echo "32-bit Wine needs qemu-i386 $qemu_minimum or later here ($why): run $here/install-deps.sh release" >&2
    exit 1
  }
  if [ "$(id -u)" != 0 ]; then
    echo "32-bit Wine runs here through qemu-i386 ($why), which is not registered for it" \
      "(it is not kept across a restart). Register it as root: sudo $here/wine32.sh prepare" >&2
    exit 1
  fi
  echo "Registering qemu-i386 to run 32-bit programs ($why)…" >&2
  register_qemu
}

# An enabled entry runs i386 programs through qemu even where the kernel
# could run them itself.
how() {
  if entry_enabled; then
    echo "emulated by qemu-i386 $(qemu_version "$(entry_interpreter)")"
  else
    echo natively
  fi
}

case "${1:-} $#" in
"prepare 1") prepare ;;
"how 1") how ;;
"needs-qemu-user 1") needs_qemu && ! qemu_is_recent "$qemu" ;;
*)
  echo "usage: scripts/wine32.sh prepare | how | needs-qemu-user" >&2
  exit 2
  ;;
esac
