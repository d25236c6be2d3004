#!/usr/bin/env bash
# Makes the build's packages with cpack and checks that each holds what a
# user installs, laid out as on that system, with stripped binaries whose
# debugging information is in the symbols package beside them, and that a
# second build of the same source elsewhere gives the same bytes.
#
#   package_test.sh BUILD-FOLDER linux|win32|win64 OBJDUMP SOURCE-FOLDER
set -u
build=$1 target=$2 objdump=$3 source=$4
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$(dirname "$0")/checks.sh"

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

# expect_symbols FILE FUNCTION [DEBUG-FOLDER]: gdb, given the stripped FILE
# alone (and the folder of installed debug files), finds the source file
# of FUNCTION: the symbols package belongs to this very build.
expect_symbols() {
  gdb -nx -batch -ex "set debug-file-directory ${3:-/nonexistent}" -ex "file $1" \
    -ex "info line $2" 2>&1 | grep -q '^Line [0-9]* of "\./src/' ||
    fail "gdb finds no debugging information for $2 in $1"
}

# expect_crlf FILE...: every line ends in CR LF.
expect_crlf() {
  local file
  for file in "$@"; do
    [ -s "$file" ] || continue
    [ "$(grep -c '' "$file")" = "$(grep -c $'\r$' "$file")" ] || fail "$file has lines without CR LF"
  done
}

# expect_ascii FILE...: plain ASCII, for every Windows editor.
expect_ascii() {
  local file
  for file in "$@"; do
    LC_ALL=C grep -qP '[^\x00-\x7F]' "$file" && fail "$file is not plain ASCII"
  done
}

# The files of the kit for filter authors, under an installed tree.
kit=(include/morvask/filter.h share/cmake/Morvask/MorvaskConfig.cmake
  share/cmake/Morvask/MorvaskConfigVersion.cmake share/cmake/Morvask/MorvaskTargets.cmake)
examples=(CMakeLists.txt example_filter.c example_filter.def example_filter.reg)

# expect_edits_kept DEB: installed into a scratch root with dpkg, an edit
# to the registry file survives a reinstall and a removal; a purge removes
# the file. Needs root, as dpkg does.
expect_edits_kept() {
  local root=$unpacked/root registry
  registry=$root/etc/morvask/registry.reg
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
  : >"$root/var/lib/dpkg/status"
  # The scratch root has no C library installed, and no shell to run
  # scripts in.
  dpkg_in_root() { dpkg --root="$root" --force-depends --force-script-chrootless --force-confold "$@" >/dev/null 2>&1; }
  dpkg_in_root -i "$1" || fail "dpkg -i $1"
  printf '; an edit of the user\n' >>"$registry"
  dpkg_in_root -i "$1" || fail "dpkg -i $1, again"
  tail -n 1 "$registry" 2>/dev/null | grep -q 'an edit of the user' || fail "a reinstall lost an edit to the registry file"
  dpkg_in_root -r morvask || fail "dpkg -r morvask"
  [ -f "$registry" ] || fail "dpkg -r removed the registry file"
  [ ! -e "$root/usr/bin/morvask" ] || fail "dpkg -r left the program"
  dpkg_in_root --purge morvask || fail "dpkg --purge morvask"
  [ ! -e "$registry" ] || fail "dpkg --purge kept the registry file"
}

# expect_debian_package DEB UNPACKED: what only the .deb must be: installed
# under /usr with its registry file in /etc as a configuration file,
# depending on the C and C++ runtimes alone, and nothing lintian objects to.
expect_debian_package() {
  local deb=$1 into=$2
  [ -f "$into/etc/morvask/registry.reg" ] || fail "$deb has no /etc/morvask/registry.reg"
  [ -z "$(find "$into" -path '*/usr/local*' -print -quit)" ] || fail "$deb installs under /usr/local"
  dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles 2>/dev/null | grep -qx /etc/morvask/registry.reg ||
    fail "$deb does not keep /etc/morvask/registry.reg as a configuration file"
  local depends library
  depends=$(dpkg-deb --field "$deb" Depends)
  for library in $(tr ',' '\n' <<<"$depends" | awk '{print $1}'); do
    case $library in libc6 | libgcc-s1 | libstdc++6) ;; *) fail "$deb depends on $library" ;; esac
  done
  grep -qF '@="/usr/lib/' "$into/etc/morvask/registry.reg" ||
    fail "$deb's registry file does not name the filter under /usr/lib"
  [ "$(id -u)" = 0 ] && expect_edits_kept "$deb"
}

# expect_lintian_clean PACKAGE...: no error and no warning, by default and
# pedantic (informational tags are not counted). Lintian itself must have
# run: a bad option makes it print nothing.
expect_lintian_clean() {
  local level output
  command -v lintian >/dev/null || { fail "lintian is not installed"; return; }
  for level in "" --pedantic; do
    # shellcheck disable=SC2086 # no option, or one
    if ! output=$(lintian --fail-on=none $level "$@" 2>&1); then
      fail "lintian $level did not run: $output"
    elif grep -qE '^[EW]: ' <<<"$output"; then
      fail "lintian $level: $(grep -E '^[EW]: ' <<<"$output")"
    fi
  done
}

# expect_kit_package DEB UNPACKED: the kit for filter authors, for this
# very version of the program; its pkg-config file adds no flag for /usr
# and, told to, finds the tree where it was unpacked.
expect_kit_package() {
  local deb=$1 into=$2 flags
  [ "$(dpkg-deb --field "$deb" Depends)" = "morvask (= $version)" ] ||
    fail "$deb depends on \"$(dpkg-deb --field "$deb" Depends)\", not on morvask $version alone"
  [ -z "$(find "$into" -path '*/bin/*' -print -quit)" ] || fail "$deb holds programs"
  flags=$(PKG_CONFIG_PATH=$into/usr/share/pkgconfig pkg-config --cflags morvask) ||
    fail "pkg-config does not know morvask"
  [ -z "$flags" ] || fail "pkg-config --cflags morvask gives \"$flags\" for /usr"
  flags=$(PKG_CONFIG_PATH=$into/usr/share/pkgconfig pkg-config --define-prefix --cflags morvask)
  [ "${flags% }" = "-I$into/usr/include" ] || fail "pkg-config --define-prefix gives \"$flags\""
}

# expect_symbols_package DBGSYM UNPACKED BINARY...: each binary's
# debugging information under its build ID, as Debian keeps it.
expect_symbols_package() {
  local dbgsym=$1 into=$2 binary id
  shift 2
  for binary in "$@"; do
    id=$(readelf -n "$binary" | sed -n 's/^ *Build ID: //p')
    [ -f "$into/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" ] ||
      fail "$dbgsym holds no debugging information for $binary (build ID ${id:-none})"
  done
  expect_symbols "$1" main "$into/usr/lib/debug"
  expect_symbols "$2" DESKTOPTODEVICE "$into/usr/lib/debug"
}

# expect_safe_tarball TARBALL: unpacked at / as root it changes no folder it
# does not own: every entry 0/0 with a fixed mode (0755 folders and
# programs, 0644 the rest), and no entry for a folder not Morvask's own.
expect_safe_tarball() {
  local mode owner name
  while read -r mode owner _ _ _ name; do
    [ "$owner" = 0/0 ] || fail "$1: $name is owned by $owner"
    case $mode in -rw-r--r-- | -rwxr-xr-x | drwxr-xr-x) ;; *) fail "$1: $name has mode $mode" ;; esac
    case $mode$name in d*[Mm]orvask/ | d*[Mm]orvask/*/ | d*morvask-dev/ | d*morvask-dev/*/ | -*) ;;
      *) fail "$1 holds the folder $name, which is not Morvask's own" ;;
    esac
  done < <(tar --numeric-owner -tvzf "$1")
}

# expect_same_bytes_again: the same source, copied elsewhere and built in
# another folder with the same settings under umask 002, and as root by
# another account, gives byte-identical packages.
expect_same_bytes_again() {
  local again=$unpacked/again cache=$build/CMakeCache.txt package toolchain as=()
  local settings=(-G Ninja -DBUILD_TESTING=OFF)
  mkdir -p "$again/source"
  tar -C "$source" --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$again/source"
  if [ "$(id -u)" = 0 ]; then
    chmod 755 "$unpacked" && chown -R nobody:nogroup "$again"
    as=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$again")
  fi
  settings+=("-DCMAKE_BUILD_TYPE=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$cache")")
  settings+=("-DMORVASK_WERROR=$(sed -n 's/^MORVASK_WERROR:[A-Z]*=//p' "$cache")")
  toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$cache")
  [ -z "$toolchain" ] || settings+=("-DCMAKE_TOOLCHAIN_FILE=$again/source/${toolchain#"$source"/}")
  (umask 002 && "${as[@]}" cmake -S "$again/source" -B "$again/other-build" "${settings[@]}" &&
    "${as[@]}" cmake --build "$again/other-build" && cd "$again/other-build" && "${as[@]}" cpack) \
    >"$again.log" 2>&1 || {
    fail "a second build of the packages failed"
    cat "$again.log" >&2
    return
  }
  for package in "$folder"/*.*; do
    cmp -s "$package" "$again/other-build/packages/${package##*/}" ||
      fail "${package##*/} differs when built again elsewhere"
  done
}

folder=$build/packages
rm -rf "$folder"
(cd "$build" && cpack >/dev/null) || fail "cpack"
unpacked=$(mktemp -d "${TMPDIR:-/tmp}/morvask-package.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT

if [ "$target" = linux ]; then
  runtime=(bin/morvask share/man/man1/morvask.1.gz share/doc/morvask/README.md
    share/doc/morvask/copyright share/doc/morvask/changelog.gz)
  development=(share/pkgconfig/morvask.pc "${kit[@]}" share/doc/morvask-dev/copyright
    share/doc/morvask-dev/changelog.gz "${examples[@]/#/share/doc/morvask-dev/examples/filter/}")
  program=$folder/morvask_${version}_amd64.deb
  dev=$folder/morvask-dev_${version}_all.deb
  dbgsym=$folder/morvask-dbgsym_${version}_amd64.ddeb
  tarball=$folder/morvask-$version-Linux.tar.gz
  for package in "$program" "$dev" "$dbgsym" "$tarball"; do
    into=$unpacked/$(basename "$package")
    mkdir -p "$into"
    case $package in
      *.tar.gz) tar -xzf "$package" -C "$into" ;;
      *) dpkg-deb -x "$package" "$into" ;;
    esac || fail "cannot unpack $package"
  done
  # The .tar.gz holds both, under the configured prefix.
  prefix=$(find "$unpacked/${tarball##*/}" -path '*/bin/morvask' -printf '%h\n' | head -n 1)
  prefix=${prefix%/bin}
  expect_files "$prefix" "${runtime[@]}" "${development[@]}"
  expect_stripped "$prefix/bin/morvask" "$(find "$prefix/lib" -name morvask_folder_filter.so)"
  # Each .deb installs under /usr.
  into=$unpacked/${program##*/}
  expect_files "$into/usr" "${runtime[@]}"
  filter=$(find "$into/usr/lib" -name morvask_folder_filter.so | head -n 1)
  [ -n "$filter" ] || fail "$program holds no folder filter"
  expect_stripped "$into/usr/bin/morvask" "$filter"
  expect_debian_package "$program" "$into"
  expect_files "$unpacked/${dev##*/}/usr" "${development[@]}"
  expect_kit_package "$dev" "$unpacked/${dev##*/}"
  expect_symbols_package "$dbgsym" "$unpacked/${dbgsym##*/}" "$into/usr/bin/morvask" "$filter"
  expect_lintian_clean "$program" "$dev" "$dbgsym"
  expect_safe_tarball "$tarball"
else
  zip=$folder/morvask-$version-$target.zip
  top=$(basename "$zip" .zip)
  [ -f "$zip" ] || fail "no $zip was made"
  cmake -E chdir "$unpacked" cmake -E tar xf "$zip" || fail "cannot unpack $zip"
  [ "$(ls -A "$unpacked")" = "$top" ] || fail "$zip has more than the one top folder $top: $(ls -A "$unpacked")"
  texts=(README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt include/morvask/filter.h
    "${examples[@]/#/examples/filter/}" "${kit[@]:1}")
  expect_files "$unpacked/$top" morvask.exe morvask_folder_filter.dll "${texts[@]}"
  find "$unpacked/$top" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort | tr '\n' ' ' |
    grep -qx 'LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt examples include morvask.exe morvask_folder_filter.dll share ' ||
    fail "$zip holds other entries at its top: $(ls -A "$unpacked/$top")"
  expect_crlf "${texts[@]/#/$unpacked/$top/}"
  expect_ascii "${texts[@]/#/$unpacked/$top/}"
  # The texts from the source are the source's, but for the line ends.
  for pair in README.txt:docs/README-windows.txt LICENSE.txt:LICENSE \
    THIRD-PARTY-NOTICES.txt:docs/third-party-notices.txt include/morvask/filter.h:include/morvask/filter.h \
    "${examples[@]/#/examples/filter/}"; do
    tr -d '\r' <"$unpacked/$top/${pair%%:*}" | cmp -s - "$source/${pair#*:}" ||
      fail "${pair%%:*} in the zip is not ${pair#*:}"
  done
  # README.txt is the one for Windows users, not the developers' README.
  grep -qE '^```|apt-get|scripts/' "$unpacked/$top/README.txt" &&
    fail "README.txt is the developers' README"
  grep -q 'regsvr32 morvask_folder_filter.dll' "$unpacked/$top/README.txt" ||
    fail "README.txt does not tell how to register the folder filter"
  expect_stripped "$unpacked/$top/morvask.exe" "$unpacked/$top/morvask_folder_filter.dll"
  # Small enough to copy anywhere: each under 150 KiB.
  for file in morvask.exe morvask_folder_filter.dll; do
    [ "$(stat -c %s "$unpacked/$top/$file")" -lt $((150 * 1024)) ] ||
      fail "$file is $(stat -c %s "$unpacked/$top/$file") bytes, over 150 KiB"
  done
  # The symbols zip, unzipped over the program, puts each binary's
  # debugging information beside it.
  cmake -E chdir "$unpacked" cmake -E tar xf "$folder/$top-symbols.zip" || fail "cannot unpack $top-symbols.zip"
  expect_symbols "$unpacked/$top/morvask.exe" main
  export_symbol=DESKTOPTODEVICE
  [ "$target" = win32 ] && export_symbol=DESKTOPTODEVICE@20
  expect_symbols "$unpacked/$top/morvask_folder_filter.dll" "$export_symbol"
fi
expect_same_bytes_again
[ "$failures" -eq 0 ]
