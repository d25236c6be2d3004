#!/usr/bin/env bash
# Installs the build into a fresh prefix and runs the installed program,
# with the installed registry file, through a round trip with the folder
# filter.
#
#   install_test.sh BUILD-FOLDER SAMPLE-DATABASE
set -u
build=$1 sample=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/morvask-install.XXXXXX")
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
for file in bin/morvask lib/morvask/morvask_folder_filter.so include/morvask/filter.h \
  share/man/man1/morvask.1 etc/morvask/registry.reg share/doc/morvask/README.md \
  share/doc/morvask/LICENSE; do
  [ -f "$prefix/$file" ] || fail "$file was not installed"
done
grep -qF "@=\"$prefix/lib/morvask/morvask_folder_filter.so\"" "$prefix/etc/morvask/registry.reg" ||
  fail "the registry file does not name the installed filter"

# A /usr install keeps the registry file in /etc, where that build reads it.
DESTDIR=$prefix/staged cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install --prefix /usr"
grep -qF '@="/usr/lib/morvask/morvask_folder_filter.so"' "$prefix/staged/etc/morvask/registry.reg" ||
  fail "a /usr install has no /etc/morvask/registry.reg naming /usr/lib/morvask"

cd "$prefix" || exit 1
cp "$sample" Orders.mdb
export MORVASK_REGISTRY=$prefix/etc/morvask/registry.reg MORVASK_DEVICE_DIR=$prefix/device
# run ARGUMENT...: the installed program must report success.
run() {
  local status
  bin/morvask "$@" >run.out 2>run.err
  status=$?
  if [ $status != 1 ] || [ "$(cat run.out)" != "The operation completed successfully." ]; then
    fail "morvask $* ended with $status and printed:"
    cat run.err run.out >&2
  fi
}
run /D2P /D Orders.mdb /P '\Orders.cdb'
run /P2D /P '\Orders.cdb' /D Returned.mdb
cmp -s Orders.mdb Returned.mdb || fail "the returned database differs from the original"

if [ $failures -ne 0 ]; then
  echo "the installation is kept: $prefix" >&2
  exit 1
fi
cd / && rm -rf "$prefix"
