#!/usr/bin/env bash
# The kit for filter authors, tried as a filter author would: against an
# installed tree only, never the source tree.
#  - The header compiles as C89 and C++98 with the target's compilers, and
#    as Visual C++ before 2010 (which has no <stdint.h>) would see it.
#  - The example filter, copied out of an install of the kit alone (what
#    the package morvask-dev holds), builds without a warning with CMake
#    through find_package(Morvask) (and on Linux with pkg-config, also
#    from a copy of the kit moved elsewhere), exports both functions under
#    their plain names and nothing else, and copies a database there and
#    back through the installed program (under Wine for Windows).
#
#   filter_kit_test.sh BUILD-FOLDER linux|win32|win64 SAMPLE-DATABASE
#
# MORVASK_SYSTEM_TEXT names the tool that asks the target's FormatMessageA
# (tests/e2e/system_text.cpp). For Windows targets the Wine settings come
# from the environment too (MORVASK_WINE, MORVASK_WINE64,
# MORVASK_REGISTRY_VIEW, WINEPREFIX).
set -u
build=$1 target=$2 sample=$3
cc=$(sed -n 's/^CMAKE_C_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
work=$(mktemp -d "${TMPDIR:-/tmp}/morvask-kit.XXXXXX")
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$(dirname "$0")/checks.sh"

tree=$work/tree kit=$work/kit
cmake --install "$build" --prefix "$tree" --component runtime >/dev/null || fail "cmake --install the program"
cmake --install "$build" --prefix "$kit" --component development >/dev/null || fail "cmake --install the kit"
cd "$work" || exit 1

# --- the header -------------------------------------------------------------------
cat >uses_header.c <<'EOF'
#include "morvask/filter.h"

MORVASK_FILTER_EXPORT MorvaskResult MORVASK_FILTER_CALL DESKTOPTODEVICE(
    const char* desktopFile, const char* tableList, MorvaskInt32 syncTables,
    MorvaskInt32 allowOverwrite, const char* deviceFile) {
  (void)desktopFile;
  (void)tableList;
  (void)syncTables;
  (void)allowOverwrite;
  (void)deviceFile;
  return 0;
}

FilterTransferProc TheExport(void) { return DESKTOPTODEVICE; }
EOF
cp uses_header.c uses_header.cpp
# Visual C++ before 2010 has no <stdint.h>: one that fails stands in for it.
mkdir -p no_stdint
echo '#error "no <stdint.h> before Visual C++ 2010"' >no_stdint/stdint.h
strict=(-Wall -Wextra -Werror -I"$kit/include" -c)
"$cc" -std=c89 -pedantic-errors "${strict[@]}" uses_header.c -o c89.o || fail "the header is not C89"
"$cxx" -std=c++98 -pedantic-errors "${strict[@]}" uses_header.cpp -o cxx98.o || fail "the header is not C++98"
"$cc" -std=c89 -D_MSC_VER=1500 -D__int32=int -isystem no_stdint "${strict[@]}" uses_header.c -o msvc2008.o ||
  fail "the header needs <stdint.h> where Visual C++ 2008 has none"

# --- the example filter -------------------------------------------------------------
windows=()
if [ "$target" = linux ]; then
  examples=$kit/share/doc/morvask-dev/examples/filter
  library=example_filter.so
else
  examples=$kit/examples/filter
  library=example_filter.dll
  windows=(-DCMAKE_SYSTEM_NAME=Windows)
fi
cp -r "$examples" example
cmake -S example -B example/build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER="$cc" \
  -DCMAKE_C_FLAGS="-Wall -Wextra" -DCMAKE_PREFIX_PATH="$kit" "${windows[@]}" >configure.log 2>&1 || {
  fail "the example does not configure against the installed kit"
  cat configure.log >&2
}
# Compiler and linker warnings alike (MinGW's linker warns of stdcall
# names it fixed up).
if ! cmake --build example/build >build.log 2>&1 || grep -qi 'warning' configure.log build.log; then
  fail "the example does not build without a warning"
  cat configure.log build.log >&2
fi
filter=$work/example/build/$library

# exports FILE: the names the library exports.
exports() {
  if [ "$target" = linux ]; then
    nm -D --defined-only "$1" | awk '{print $3}'
  else
    "${OBJDUMP:-objdump}" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
      sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p'
  fi
}
[ "$(exports "$filter" | sort | tr '\n' ' ')" = "DESKTOPTODEVICE DEVICETODESKTOP " ] ||
  fail "the example exports: $(exports "$filter" | tr '\n' ' ')"

if [ "$target" = linux ]; then
  # Without CMake: the compiler flags from pkg-config, for the kit where it
  # was installed, and for the kit moved elsewhere (--define-prefix).
  by_pkg_config() {  # by_pkg_config KIT [PKG-CONFIG-OPTION]
    local flags
    flags=$(PKG_CONFIG_PATH=$1/share/pkgconfig pkg-config "${@:2}" --cflags morvask) ||
      { fail "pkg-config does not know morvask in $1"; return; }
    # shellcheck disable=SC2086
    "$cc" -shared -fPIC $flags -o by_pkg_config.so example/example_filter.c ||
      fail "the example does not build with pkg-config's flags ($flags) for $1"
  }
  by_pkg_config "$kit"
  mv "$kit" "$work/moved"
  by_pkg_config "$work/moved" --define-prefix
fi

# --- a transfer through it ------------------------------------------------------------
clsid='{4D4F5256-0004-4153-4B00-4558414D504C}'
filters='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows CE Services\Filters'
server="HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\$clsid"
path=$filter
[ "$target" = linux ] || path="Z:${filter//\//\\}"
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[%s\\.mdb]\r\n"DefaultImport"="%s"\r\n' "$filters" "$clsid"
  printf '[%s\\.cdb]\r\n"DefaultExport"="%s"\r\n' "$filters" "$clsid"
  printf '[%s\\InProcServer32]\r\n@="%s"\r\n' "$server" "${path//\\/\\\\}"
} >example.reg

keys=("$filters\\.mdb" "$filters\\.cdb" "$server")
registry() {  # registry import|delete
  local key
  for key in "${keys[@]}"; do
    "$MORVASK_WINE64" 'C:\windows\system32\reg.exe' delete "$key" /f "$MORVASK_REGISTRY_VIEW" >/dev/null 2>&1
  done
  [ "$1" = delete ] || "$MORVASK_WINE64" 'C:\windows\system32\reg.exe' import example.reg "$MORVASK_REGISTRY_VIEW" >/dev/null 2>&1
}

# What the program prints for success: the system's text for status 0,
# as this target's FormatMessageA gives it (Wine's differs from Windows').
if [ "$target" = linux ]; then
  "$MORVASK_SYSTEM_TEXT" 0 success.txt
else
  "$MORVASK_WINE" "$MORVASK_SYSTEM_TEXT" 0 success.txt
fi
success=$(tr -d '\r\n' <success.txt)
[ -n "$success" ] || fail "no system text for status 0"

# transfer ARGUMENT...: the installed program must report success.
transfer() {
  local status
  if [ "$target" = linux ]; then
    MORVASK_REGISTRY=$work/example.reg "$tree/bin/morvask" "$@" >run.out 2>run.err
  else
    "$MORVASK_WINE" "$tree/morvask.exe" "$@" >run.out 2>run.err
  fi
  status=$?
  if [ "$(tr -d '\r\n' <run.out)" != "$success" ]; then
    fail "morvask $* ended with $status and printed:"
    cat run.err run.out >&2
  fi
}
cp "$sample" Orders.mdb
[ "$target" = linux ] || registry import
transfer /D2P /D Orders.mdb /P Copy.cdb
transfer /P2D /P Copy.cdb /D Returned.mdb
[ "$target" = linux ] || registry delete
cmp -s Orders.mdb Copy.cdb || fail "the example filter's copy differs"
cmp -s Orders.mdb Returned.mdb || fail "the copy back differs"

finish "$work"
