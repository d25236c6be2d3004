#!/usr/bin/env bash
# Makes the build's packages with cpack and checks that each holds what a
# user installs, laid out as on that system, with stripped binaries.
#
#   package_test.sh BUILD-FOLDER linux|win32|win64 OBJDUMP
set -u
build=$1 target=$2 objdump=$3
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# expect_files FOLDER PATH...: every path is a file under the folder.
expect_files() {
  local folder=$1 path
  shift
  for path in "$@"; do
    [ -f "$folder/$path" ] || fail "$folder lacks $path"
  done
}

# expect_stripped FILE...: no debugging sections and no symbol table left.
expect_stripped() {
  local file
  for file in "$@"; do
    [ -f "$file" ] || continue
    "$objdump" -h "$file" | grep -q '\.debug' && fail "$file keeps debugging information"
    # Symbols are listed as "[  0](sec ..." for PE files, by address for ELF.
    "$objdump" -t "$file" | sed -n '/^SYMBOL TABLE:/,$p' | grep -qE '^(\[|[0-9a-f]{8})' &&
      fail "$file keeps its symbol table"
  done
}

# expect_crlf FILE...: every line ends in CR LF.
expect_crlf() {
  local file
  for file in "$@"; do
    [ -s "$file" ] || continue
    [ "$(grep -c '' "$file")" = "$(grep -c $'\r$' "$file")" ] || fail "$file has lines without CR LF"
  done
}

folder=$build/packages
rm -rf "$folder"
(cd "$build" && cpack >/dev/null) || fail "cpack"
unpacked=$(mktemp -d "${TMPDIR:-/tmp}/morvask-package.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT

if [ "$target" = linux ]; then
  installed=(bin/morvask lib/morvask/morvask_folder_filter.so include/morvask/filter.h
    share/man/man1/morvask.1 etc/morvask/registry.reg share/doc/morvask/README.md
    share/doc/morvask/LICENSE)
  ls "$folder"/*.tar.gz "$folder"/*.deb >/dev/null 2>&1 || fail "no .tar.gz or no .deb was made"
  for package in "$folder"/*.tar.gz "$folder"/*.deb; do
    [ -f "$package" ] || continue
    into=$unpacked/$(basename "$package")
    mkdir -p "$into"
    case $package in
      *.deb)
        dpkg-deb -x "$package" "$into" || fail "dpkg-deb -x $package"
        dpkg-deb --field "$package" Depends | grep -q libc6 || fail "$package names no dependencies"
        ;;
      *) tar -xzf "$package" -C "$into" || fail "tar -x $package" ;;
    esac
    # Both unpack at the build's prefix.
    prefix=$(find "$into" -path '*/bin/morvask' -printf '%h\n' | head -n 1)
    [ -n "$prefix" ] || { fail "$package holds no bin/morvask"; continue; }
    prefix=${prefix%/bin}
    expect_files "$prefix" "${installed[@]}"
    expect_stripped "$prefix/bin/morvask" "$prefix/lib/morvask/morvask_folder_filter.so"
  done
else
  zip=$folder/morvask-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")-$target.zip
  [ -f "$zip" ] || fail "no $zip was made"
  cmake -E chdir "$unpacked" cmake -E tar xf "$zip" || fail "cannot unpack $zip"
  top=$(basename "$zip" .zip)
  [ "$(ls -A "$unpacked")" = "$top" ] || fail "$zip has more than the one top folder $top: $(ls -A "$unpacked")"
  expect_files "$unpacked/$top" morvask.exe morvask_folder_filter.dll README.txt LICENSE.txt \
    include/morvask/filter.h
  find "$unpacked/$top" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort | tr '\n' ' ' |
    grep -qx 'LICENSE.txt README.txt include morvask.exe morvask_folder_filter.dll ' ||
    fail "$zip holds other entries at its top: $(ls -A "$unpacked/$top")"
  expect_crlf "$unpacked/$top/README.txt" "$unpacked/$top/LICENSE.txt"
  expect_stripped "$unpacked/$top/morvask.exe" "$unpacked/$top/morvask_folder_filter.dll"
fi
[ $failures -eq 0 ]
