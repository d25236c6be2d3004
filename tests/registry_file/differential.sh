#!/usr/bin/env bash
# Reads each registry file of the corpus twice, as a user of each platform
# would, and fails where the two answers differ: the Linux program reads the
# file itself; on Windows the file is imported with the 64-bit registry tool
# into the Wine prefix's registry, in the view of the Windows program, and
# that program reads the registry.
# An answer is what a /D2P run prints up to the filter library it would
# load, which tells the filter class and the library path found.
#
#   registry_differential.sh LINUX-PROGRAM WINDOWS-PROGRAM CORPUS-FOLDER /reg:64|/reg:32
#
# WINEPREFIX and the other Wine settings come from the environment, and
# MORVASK_WINE names the loader for the Windows program, MORVASK_WINE64 the
# 64-bit one that runs the registry tool, MORVASK_WINE_RUN the wrapper that
# tries a run again that Wine ended before it began.
set -u
linux_program=$1 windows_program=$2 corpus=$3 view=$4
wine64=${MORVASK_WINE64:?}
wine_run=${MORVASK_WINE_RUN:?}
# Named in full: Wine starts a bare "reg" through its shell, which now and
# then fails to start it at all.
reg_exe='C:\windows\system32\reg.exe'
failures=0
checked=0

work=$(mktemp -d "${TMPDIR:-/tmp}/morvask-registry.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
: >Orders.mdb

# Files where Windows reads differently from Wine's reg, and what the Linux
# program, which follows Windows, answers there:
# - Root names are written out in full in a registry file: Windows'
#   registry editor, and Wine's own, open no key for "HKLM"; only Wine's
#   reg accepts it.
# - Hex data of the string types is UTF-16 in a version 5 file whatever the
#   file's encoding, as Windows writes it; Wine reads it in the code page
#   unless the file itself is UTF-16.
# - A key path that starts with a separator is refused by Windows' object
#   manager, whatever the root. Wine refuses it too, except in a deletion
#   of a HKEY_CLASSES_ROOT key, whose path it opens part by part, passing
#   over empty parts.
declare -A windows_differs=(
  [abbreviated_root]='Unable to locate filter for .mdb'
  [hex1_in_version5_8bit_file]='Unable to locate filter dll: C:\filters\import.dll'
  [separator_doubled_after_classes_root_deletion]='Unable to locate filter dll: C:\filters\import.dll'
)
# - Importing into the 32-bit view, Wine's reg applies a key's deletion to
#   the 64-bit view only, and opens a key's path part by part, passing over
#   the empty part of a doubled separator; Windows deletes in the view
#   imported into and refuses the empty part there too.
if [ "$view" = /reg:32 ]; then
  windows_differs[classes_root_deletion]='Unable to locate filter for .mdb  Guid: {4D4F5256-0001-4153-4B00-46494C544552}'
  windows_differs[delete_key_then_readd_without_the_value]='Unable to locate filter for .mdb'
  windows_differs[separator_doubled_after_root]='Unable to locate filter for .mdb'
  windows_differs[separator_doubled_after_classes_root]='Unable to locate filter for .mdb  Guid: {4D4F5256-0001-4153-4B00-46494C544552}'
fi

keys=('HKLM\SOFTWARE\Microsoft\Windows CE Services' 'HKLM\SOFTWARE\Classes\CLSID\{4D4F5256-0001-4153-4B00-46494C544552}'
  'HKLM\SOFTWARE\Classes\CLSID\ABC' 'HKLM\SOFTWARE\Odd]Name')

answer_of_linux() {
  MORVASK_REGISTRY=$1 "$linux_program" /D2P /D Orders.mdb 2>&1 | tail -n +5
}

# Wine, on rare occasions, ends a program before its first line: the
# registry tool and the program run through cmake/wine-run.sh, which tries
# such a run again.
answer_of_windows() {
  local key
  for key in "${keys[@]}"; do "$wine64" "$reg_exe" delete "$key" /f "$view" >/dev/null 2>&1; done
  cp "$1" import.reg
  "$wine_run" "$wine64" "$reg_exe" import import.reg "$view" >/dev/null
  # What it prints is in its code page (1252 here); the Linux program's in UTF-8.
  "$wine_run" "${MORVASK_WINE:?}" "$windows_program" /D2P /D Orders.mdb | tr -d '\r' |
    iconv -f CP1252 -t UTF-8 | tail -n +5
}

for file in "$corpus"/*.reg; do
  name=$(basename "$file" .reg)
  linux=$(answer_of_linux "$file")
  windows=$(answer_of_windows "$file")
  checked=$((checked + 1))
  if [ -n "${windows_differs[$name]:-}" ]; then
    windows=${windows_differs[$name]}
  fi
  if [ "$linux" != "$windows" ]; then
    failures=$((failures + 1))
    printf 'DIFFERS: %s\n  Linux:   %s\n  Windows: %s\n' "$name" "${linux//$'\n'/ | }" "${windows//$'\n'/ | }"
  fi
done
echo "$((checked - failures)) passed, $failures failed"
[ "$failures" -eq 0 ] && [ "$checked" -gt 0 ]
