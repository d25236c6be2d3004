#!/usr/bin/env bash
# Builds Morvask for Linux, 32-bit and 64-bit Windows, a Linux build with the
# sanitizers, one whose end-to-end cases run under valgrind memcheck and the
# fuzz targets, and runs every test suite; Windows suites run under Wine.
# On a machine that lacks something the suites need, it first runs
# scripts/setup.sh (as root on Debian 12). Exits non-zero when any step
# failed or any suite did not run.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

log() { printf '\n=== %s\n' "$*"; }

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
if ! scripts/setup.sh --check; then
  log "setting up this machine"
  scripts/setup.sh || exit 1
fi
check_format || failed+=(format)
run_preset linux || failed+=(linux)
log "demo (the README's first command)"
scripts/demo.sh >/dev/null || failed+=(demo)
run_preset linux-asan || failed+=(linux-asan)
run_preset linux-memcheck || failed+=(linux-memcheck)
run_preset fuzz || failed+=(fuzz)
run_preset win64 || failed+=(win64)
run_preset win32 || failed+=(win32)

if [ ${#failed[@]} -ne 0 ]; then
  log "FAILED: ${failed[*]}"
  exit 1
fi
log "all suites passed: linux, linux-asan, linux-memcheck, fuzz, win64, win32"
