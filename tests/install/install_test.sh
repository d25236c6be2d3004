#!/usr/bin/env bash
# Installs the build into a fresh prefix and runs the installed program,
# which finds the installed registry file by itself, through a round trip
# with the folder filter.
#
#   install_test.sh BUILD-FOLDER SAMPLE-DATABASE
set -u
build=$1 sample=$2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
prefix=$(mktemp -d "${TMPDIR:-/tmp}/morvask-install.XXXXXX")
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$(dirname "$0")/checks.sh"

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
for file in bin/morvask include/morvask/filter.h share/man/man1/morvask.1.gz \
  etc/morvask/registry.reg share/doc/morvask/README.md share/doc/morvask/copyright; do
  [ -f "$prefix/$file" ] || fail "$file was not installed"
done
filter=$(find "$prefix/lib" -name morvask_folder_filter.so | head -n 1)
[ -n "$filter" ] || fail "the folder filter was not installed"
grep -qF "@=\"$filter\"" "$prefix/etc/morvask/registry.reg" ||
  fail "the registry file does not name the installed filter"
# The man page names this installation's files and the project's version.
manual=$(zcat "$prefix/share/man/man1/morvask.1.gz")
for text in "$prefix/etc/morvask/registry.reg" "$filter" "\"Morvask $version\""; do
  grep -qF -- "$text" <<<"$manual" || fail "the man page does not name $text"
done
grep -q '@[A-Z_]*@' <<<"$manual" && fail "the man page has unfilled fields"

# A /usr install keeps the registry file in /etc, where that build reads it.
DESTDIR=$prefix/staged cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install --prefix /usr"
grep -qE '@="/usr/lib/([^/]+/)?morvask/morvask_folder_filter.so"' "$prefix/staged/etc/morvask/registry.reg" ||
  fail "a /usr install has no /etc/morvask/registry.reg naming the filter under /usr/lib"

cd "$prefix" || exit 1
cp "$sample" Orders.mdb
# The installed program finds the installed registry file by itself,
# wherever the tree is.
unset MORVASK_REGISTRY
export MORVASK_DEVICE_DIR=$prefix/device
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

# As root: an installed registry file the user may not read gets a warning;
# a program installed under /usr reads /etc alone (shown in a mount
# namespace of its own, where /usr/games holds the program).
if [ "$(id -u)" = 0 ]; then
  chmod 755 "$prefix" && chmod 600 etc/morvask/registry.reg
  setpriv --reuid=nobody --regid=nogroup --clear-groups bin/morvask /D2P /D Orders.mdb \
    >run.out 2>run.err
  grep -qxF "warning: the registry file $prefix/etc/morvask/registry.reg, cannot be read (Permission denied): the registry is empty." run.err ||
    fail "no warning for an unreadable installed registry file: $(cat run.err)"
  if [ -d /usr/games ]; then
    MORVASK_TRACE=1 unshare --mount sh -c 'mount -t tmpfs tmpfs /usr/games &&
      cp bin/morvask /usr/games/ && /usr/games/morvask /D2P /D Orders.mdb' >run.out 2>run.err
    grep -q "registry file /etc/morvask/registry.reg, the installation" run.err ||
      fail "a program under /usr did not read /etc: $(grep 'registry file' run.err)"
  fi
fi

finish "$prefix"
