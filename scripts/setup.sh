#!/usr/bin/env bash
# Sets up a Debian 12 machine for building Morvask and running every test:
# the packages, and where the kernel runs no 32-bit programs (some virtual
# machines), Wine's 32-bit loader under QEMU's user-mode emulator. Run as
# root; it changes only what is missing.
#
#   setup.sh          set up what is missing
#   setup.sh --check  exit 0 when nothing is missing, 1 otherwise
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
# shellcheck source=packages.sh
source scripts/packages.sh

packages=(cmake ninja-build g++ make libgtest-dev googletest clang-format clang-tidy dpkg-dev file acl attr
  lintian pkg-config shellcheck gdb locales
  valgrind clang-14 libclang-rt-14-dev g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 wine
  wine64 wine32:i386)

log() { printf '\n=== %s\n' "$*"; }

runs_32bit_programs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# Debian 12's own QEMU handles Wine's address-space reservation so slowly
# that each program takes about a minute to start; the backported one takes
# well under a second.
install_backported_qemu() {
  /usr/bin/qemu-i386 --version 2>/dev/null | grep -qE 'version ([89]|[1-9][0-9])\.' && return 0
  echo 'deb http://deb.debian.org/debian bookworm-backports main' \
    >/etc/apt/sources.list.d/bookworm-backports.list
  apt-get update -qq || echo "apt-get update failed in part; installing from what it has" >&2
  apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null
}

# Registers qemu-i386 with binfmt_misc for 32-bit x86 programs.
enable_32bit_programs() {
  runs_32bit_programs && return 0
  log "this kernel runs no 32-bit programs: running them under qemu-i386"
  install_backported_qemu || return 1
  local binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" || return 1
  [ -e "$binfmt/qemu-i386" ] && echo -1 >"$binfmt/qemu-i386"
  # 32-bit little-endian x86 executables and shared objects (ELF type 2 or 3).
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
    >"$binfmt/register" || return 1
  runs_32bit_programs
}

# A German locale, in which Wine gives the system's texts in German.
has_test_locale() { locale -a 2>/dev/null | grep -qx 'de_DE.utf8'; }
make_test_locale() { has_test_locale || localedef -i de_DE -f UTF-8 de_DE.UTF-8; }

if [ "${1:-}" = --check ]; then
  [ -z "$(missing_packages "${packages[@]}")" ] && runs_32bit_programs && has_test_locale
  exit
fi
if [ "$(id -u)" != 0 ]; then
  echo "setup.sh installs packages and registers the 32-bit loader: run it as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
ensure_packages "${packages[@]}" || { echo "could not install the packages the build needs" >&2; exit 1; }
enable_32bit_programs || { echo "32-bit programs cannot run here" >&2; exit 1; }
make_test_locale || { echo "could not make the de_DE.UTF-8 locale" >&2; exit 1; }
