#!/usr/bin/env bash
# Builds Morvask for Linux, 32-bit and 64-bit Windows, a Linux build with the
# sanitizers, one whose end-to-end cases run under valgrind memcheck and the
# fuzz targets, and runs every test suite; Windows suites run under Wine.
# Run as root on a fresh Debian 12 machine, it first installs what is
# missing. Exits non-zero when any step failed or any suite did not run.
set -uo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ make libgtest-dev googletest clang-format clang-tidy dpkg-dev file acl attr
  lintian pkg-config
  valgrind clang-14 libclang-rt-14-dev g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 wine
  wine64 wine32:i386)
export DEBIAN_FRONTEND=noninteractive
# shellcheck source=packages.sh
source scripts/packages.sh

log() { printf '\n=== %s\n' "$*"; }

# Wine starts 32-bit Windows programs through a 32-bit Linux loader. Where
# the kernel runs no 32-bit code (some virtual machines), the loader runs
# under QEMU's user-mode emulator instead. Debian 12's own QEMU handles
# Wine's address-space reservation so slowly that each program takes about
# a minute to start; the backported one takes well under a second.
enable_32bit_programs() {
  /usr/lib/wine/wine --version >/dev/null 2>&1 && return 0
  log "this kernel runs no 32-bit programs: running them under qemu-i386"
  if [ "$(id -u)" != 0 ]; then
    echo "32-bit programs need qemu-i386 registered with binfmt_misc, as root" >&2
    return 1
  fi
  if ! [ -x /usr/bin/qemu-i386 ] || ! /usr/bin/qemu-i386 --version | grep -qE 'version ([89]|[1-9][0-9])\.'; then
    echo 'deb http://deb.debian.org/debian bookworm-backports main' \
      >/etc/apt/sources.list.d/bookworm-backports.list
    apt-get update -qq &&
      apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null ||
      return 1
  fi
  local binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" || return 1
  [ -e "$binfmt/qemu-i386" ] && echo -1 >"$binfmt/qemu-i386"
  # 32-bit little-endian x86 executables and shared objects (ELF type 2 or 3).
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
    >"$binfmt/register" || return 1
  /usr/lib/wine/wine --version >/dev/null
}

check_format() {
  log "format"
  local files
  files=$(git ls-files '*.c' '*.cpp' '*.h' 2>/dev/null || find src include tests -name '*.[ch]' -o -name '*.cpp')
  # shellcheck disable=SC2086
  clang-format --dry-run --Werror $files
}

run_preset() {
  log "$1: configure, build, test"
  cmake --preset "$1" -DMORVASK_WERROR=ON >/dev/null &&
    cmake --build --preset "$1" >/dev/null &&
    ctest --preset "$1"
}

failed=()
ensure_packages "${packages[@]}" || { echo "could not install the packages the build needs" >&2; exit 1; }
check_format || failed+=(format)
run_preset linux || failed+=(linux)
log "demo (the README's first command)"
scripts/demo.sh >/dev/null || failed+=(demo)
run_preset linux-asan || failed+=(linux-asan)
run_preset linux-memcheck || failed+=(linux-memcheck)
run_preset fuzz || failed+=(fuzz)
# Both Windows suites need Wine's 32-bit side: a 64-bit prefix runs 32-bit
# programs of its own while it is made.
if enable_32bit_programs; then
  run_preset win64 || failed+=(win64)
  run_preset win32 || failed+=(win32)
else
  failed+=("win64 and win32 (32-bit programs cannot run here)")
fi

if [ ${#failed[@]} -ne 0 ]; then
  log "FAILED: ${failed[*]}"
  exit 1
fi
log "all suites passed: linux, linux-asan, linux-memcheck, fuzz, win64, win32"
