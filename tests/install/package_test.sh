#!/usr/bin/env bash
# Makes the build's packages with cpack and checks that each holds what a
# user installs, laid out as on that system, with stripped binaries.
#
#   package_test.sh BUILD-FOLDER linux|win32|win64 OBJDUMP
set -u
build=$1 target=$2 objdump=$3
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
  share/cmake/Morvask/MorvaskConfigVersion.cmake)
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
  if ! command -v lintian >/dev/null; then
    fail "lintian is not installed"
  else
    # Errors and warnings; informational tags are not counted.
    local tags
    tags=$(lintian --suppress-tags running-with-root-privileges "$deb" 2>&1 | grep -E '^[EW]: ')
    [ -z "$tags" ] || fail "lintian: $tags"
  fi
}

folder=$build/packages
rm -rf "$folder"
(cd "$build" && cpack >/dev/null) || fail "cpack"
unpacked=$(mktemp -d "${TMPDIR:-/tmp}/morvask-package.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT

if [ "$target" = linux ]; then
  installed=(bin/morvask share/man/man1/morvask.1.gz share/doc/morvask/README.md
    share/doc/morvask/copyright share/doc/morvask/changelog.gz share/pkgconfig/morvask.pc
    "${kit[@]}" "${examples[@]/#/share/doc/morvask/examples/filter/}")
  ls "$folder"/*.tar.gz "$folder"/*.deb >/dev/null 2>&1 || fail "no .tar.gz or no .deb was made"
  for package in "$folder"/*.tar.gz "$folder"/*.deb; do
    [ -f "$package" ] || continue
    into=$unpacked/$(basename "$package")
    mkdir -p "$into"
    case $package in
      *.deb) dpkg-deb -x "$package" "$into" || fail "dpkg-deb -x $package" ;;
      *) tar -xzf "$package" -C "$into" || fail "tar -x $package" ;;
    esac
    prefix=$(find "$into" -path '*/bin/morvask' -printf '%h\n' | head -n 1)
    [ -n "$prefix" ] || { fail "$package holds no bin/morvask"; continue; }
    prefix=${prefix%/bin}
    expect_files "$prefix" "${installed[@]}"
    filter=$(find "$prefix/lib" -name morvask_folder_filter.so | head -n 1)
    [ -n "$filter" ] || fail "$package holds no folder filter"
    expect_stripped "$prefix/bin/morvask" "$filter"
    case $package in *.deb) expect_debian_package "$package" "$into" ;; esac
  done
else
  zip=$folder/morvask-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")-$target.zip
  [ -f "$zip" ] || fail "no $zip was made"
  cmake -E chdir "$unpacked" cmake -E tar xf "$zip" || fail "cannot unpack $zip"
  top=$(basename "$zip" .zip)
  [ "$(ls -A "$unpacked")" = "$top" ] || fail "$zip has more than the one top folder $top: $(ls -A "$unpacked")"
  texts=(README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt include/morvask/filter.h
    "${examples[@]/#/examples/filter/}")
  expect_files "$unpacked/$top" morvask.exe morvask_folder_filter.dll "${texts[@]}" "${kit[@]}"
  find "$unpacked/$top" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort | tr '\n' ' ' |
    grep -qx 'LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt examples include morvask.exe morvask_folder_filter.dll share ' ||
    fail "$zip holds other entries at its top: $(ls -A "$unpacked/$top")"
  expect_crlf "${texts[@]/#/$unpacked/$top/}"
  expect_ascii "${texts[@]/#/$unpacked/$top/}"
  # README.txt is the one for Windows users, not the developers' README.
  grep -qE '^```|apt-get|scripts/' "$unpacked/$top/README.txt" &&
    fail "README.txt is the developers' README"
  grep -q 'regsvr32 morvask_folder_filter.dll' "$unpacked/$top/README.txt" ||
    fail "README.txt does not tell how to register the folder filter"
  expect_stripped "$unpacked/$top/morvask.exe" "$unpacked/$top/morvask_folder_filter.dll"
fi
[ "$failures" -eq 0 ]
