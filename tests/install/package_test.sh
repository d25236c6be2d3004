#!/usr/bin/env bash
# Makes the build's packages with cpack and checks that each holds what a
# user installs.
#
#   package_test.sh BUILD-FOLDER linux|win32|win64
set -u
build=$1 target=$2
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# expect_listed PACKAGE LISTING PATH...: every path ends an entry of the listing.
expect_listed() {
  local package=$1 listing=$2 path
  shift 2
  for path in "$@"; do
    grep -qE "(^|/)$path\$" <<<"$listing" || fail "$package lacks $path"
  done
}

folder=$build/packages
rm -rf "$folder"
(cd "$build" && cpack >/dev/null) || fail "cpack"

if [ "$target" = linux ]; then
  installed=(bin/morvask lib/morvask/morvask_folder_filter.so include/morvask/filter.h
    share/man/man1/morvask.1 etc/morvask/registry.reg share/doc/morvask/README.md
    share/doc/morvask/LICENSE)
  for package in "$folder"/*.tar.gz; do
    expect_listed "$package" "$(tar -tzf "$package")" "${installed[@]}"
  done
  for package in "$folder"/*.deb; do
    expect_listed "$package" "$(dpkg-deb --contents "$package" | awk '{print $NF}')" "${installed[@]}"
    dpkg-deb --field "$package" Depends | grep -q libc6 || fail "$package names no dependencies"
  done
  ls "$folder"/*.tar.gz "$folder"/*.deb >/dev/null 2>&1 || fail "no .tar.gz or no .deb was made"
else
  for package in "$folder"/*-"$target".zip; do
    expect_listed "$package" "$(cmake -E tar tf "$package")" bin/morvask.exe \
      bin/morvask_folder_filter.dll include/morvask/filter.h README.md LICENSE
  done
  ls "$folder"/*-"$target".zip >/dev/null 2>&1 || fail "no .zip was made"
fi
[ $failures -eq 0 ]
