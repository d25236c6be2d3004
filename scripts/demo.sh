#!/usr/bin/env bash
# Morvask's main job, out of the box: a round trip of the sample database
# through the folder filter, which stands in for a device by a folder. It
# builds the Linux program if needed, registers the built filter in a
# registry file of its own, copies examples/Orders.mdb to the device and
# back, proves the returned file byte-identical, and shows one refusal.
# Nothing is left behind but the build.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=packages.sh
source "$root/scripts/packages.sh"
ensure_packages cmake g++ make || exit 1

build=$root/build/demo
if [ ! -x "$build/morvask" ] || [ ! -f "$build/morvask_folder_filter.so" ] ||
  [ -n "$(find "$root/src" "$root/include" "$root/CMakeLists.txt" -newer "$build/morvask" -print -quit)" ]; then
  echo "Building the Linux program in build/demo ..."
  cmake -S "$root" -B "$build" -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$build" -j "$(nproc)" >/dev/null || exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# The registry file an install writes, naming the built filter instead.
filter=$build/morvask_folder_filter.so
filter=${filter//\\/\\\\}
sed "s|@MORVASK_FILTER_PATH@|${filter//\"/\\\"}|" "$root/cmake/registry.reg.in" >registry.reg
export MORVASK_REGISTRY=$work/registry.reg MORVASK_DEVICE_DIR=$work/device
cp "$root/examples/Orders.mdb" Orders.mdb

# morvask ARGUMENT...: runs the program as typed at a prompt, with all it prints.
morvask() {
  local argument
  printf '\n$ morvask'
  for argument in "$@"; do
    if [[ $argument =~ ^[A-Za-z0-9./_-]+$ ]]; then printf ' %s' "$argument"; else printf " '%s'" "$argument"; fi
  done
  printf '\n'
  "$build/morvask" "$@" 2>&1
  printf '(exit status %s)\n' $?
}

morvask /D2P /D Orders.mdb /P '\Sales\Orders.cdb'
morvask /P2D /P '\Sales\Orders.cdb' /D Returned.mdb

echo
if ! cmp -s Orders.mdb Returned.mdb; then
  echo "FAILED: Returned.mdb differs from Orders.mdb" >&2
  exit 1
fi
echo "Returned.mdb is byte-identical to Orders.mdb: $(wc -c <Orders.mdb) bytes, sha256 $(sha256sum <Returned.mdb | cut -c1-16)..."
echo "The device folder holds: $(cd device && find . -type f | sed 's|^\./||')"

echo
echo "A second copy to the device without /O is refused:"
output=$(morvask /D2P /D Orders.mdb /P '\Sales\Orders.cdb')
printf '%s\n' "$output"
grep -q '^Database already exists  $' <<<"$output" || { echo "FAILED: no refusal" >&2; exit 1; }
