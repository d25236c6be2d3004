#!/usr/bin/env bash
# Measures Morvask against baselines run side by side, in pairs, in this one
# run, and prints a table of ratios, each the median of the pairs' own
# ratios, so that a busy machine gives the same verdict as a quiet one:
#   - start-up to exit of `morvask /?` against a minimal C program built
#     with the same compiler and flags, and of the two lookups of a /D2P
#     run in a registry file of 1.4 KB against `int main(){return 0;}`;
#   - a /D2P run up to "Unable to locate filter dll" (two registry lookups)
#     on generated registry files of 1, 10 and 100 MiB, in the 8-bit and the
#     UTF-16LE format, in the shapes bench/make-registry.sh writes, against
#     `grep -c -F CLSID` over the same file (which reads all of it, its
#     count kept), and at 100 MiB against bench/read-once.c, which only
#     reads the file once, where the aim is set against that;
#   - the program's peak resident memory for those files;
#   - a 1 GiB /D2P /O through the folder filter against
#     `cp -f` and `sync` of the copy, which writes it to the disk as the
#     filter does;
#   - the stripped sizes of the 32-bit Windows program and folder filter,
#     the files users install.
# It builds the Linux program (build/linux) and the 32-bit Windows files
# (build/win32) first. Exits 1 when an aim is missed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
(cd "$root" && cmake --preset linux >/dev/null &&
  cmake --build --preset linux -j "$(nproc)" --target morvask morvask_folder_filter >/dev/null)
program=$root/build/linux/morvask
flags=$(sed -n 's/^CMAKE_C_FLAGS_RELWITHDEBINFO:STRING=//p' "$root/build/linux/CMakeCache.txt")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/compare" "$root/bench/compare.c"
cc -O2 -o "$work/read-once" "$root/bench/read-once.c"
# shellcheck disable=SC2086
cc $flags -o "$work/minimal" "$root/bench/minimal.c"
cd "$work"
: >Orders.mdb

missed=0
row() {  # row WHAT COMPARE-RESULT AIM-RATIO
  local what=$1 aim=$3
  read -r program_time baseline_time program_rss _ pair_ratio <<<"$2"
  local ratio
  ratio=$(awk -v r="$pair_ratio" 'BEGIN { printf "%.2f", r }')
  local verdict=ok
  awk -v r="$ratio" -v aim="$aim" 'BEGIN { exit !(r > aim) }' && verdict=MISSED && missed=1
  printf '%-40s %9.2f ms %9.2f ms %7sx  <= %sx %-6s %7s KiB\n' "$what" \
    "$(awk -v t="$program_time" 'BEGIN { print t * 1000 }')" \
    "$(awk -v t="$baseline_time" 'BEGIN { print t * 1000 }')" "$ratio" "$aim" "$verdict" "$program_rss"
  last_rss=$program_rss
}

printf '%-40s %12s %12s %8s %7s %-6s %11s\n' measure morvask baseline ratio aim "" "peak RSS"
row "start-up: /? vs minimal C" "$(./compare 300 "$program" /? -- ./minimal)" 1.1
# Two lookups in a file of 1.4 KB, the filter's keys first, against a
# program that does nothing at all.
printf 'int main(void) { return 0; }\n' >return0.c
# shellcheck disable=SC2086
cc $flags -o return0 return0.c
"$root/bench/make-registry.sh" 1 8bit first.reg first
head -c 1400 first.reg | sed '$d' >small.reg
rm first.reg
row "start-up: 1.4 KB lookup vs return 0" \
  "$(MORVASK_REGISTRY=$PWD/small.reg ./compare 300 "$program" /D2P /D Orders.mdb -- ./return0)" 1.1

# The folder filter, registered for .mdb files, copies into dev/.
folder_filter=$root/build/linux/morvask_folder_filter.so
printf '%s\r\n' REGEDIT4 '' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows CE Services\Filters\.mdb]' \
  '"DefaultImport"="{4D4F5256-0003-4153-4B00-464F4C444552}"' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\Classes\CLSID\{4D4F5256-0003-4153-4B00-464F4C444552}\InProcServer32]' \
  "@=\"$folder_filter\"" >folder-filter.reg
mkdir dev
head -c 1G /dev/urandom >big.mdb
cp big.mdb dev/x.cdb
result=$(MORVASK_REGISTRY=$PWD/folder-filter.reg MORVASK_DEVICE_DIR=$PWD/dev \
  ./compare 7 "$program" /D2P /D big.mdb /P '\x.cdb' /O -- sh -c 'cp -f big.mdb dev/x.cdb && sync dev/x.cdb')
row "copy: 1 GiB /D2P /O vs cp -f && sync" "$result" 1.05
cmp -s big.mdb dev/x.cdb || { echo "the folder filter's copy differs from its source" >&2; missed=1; }
rm -rf big.mdb dev

# The aim of a lookup in 100 MiB: BASELINE RATIO. The filter's keys near the
# end are found by reading little; keys far back are read back to, and
# the second lookup reads only the stretches the first found may hold it.
aim_at_100() {  # aim_at_100 SHAPE FORMAT
  case $1/$2 in
    first/8bit | firstlong/8bit | vendor/8bit | classes/8bit | clsid/8bit) echo grep 1.2 ;;
    middle/8bit | long/8bit | sorted/8bit) echo grep 1.0 ;;
    vendor/utf16 | classes/utf16 | clsid/utf16) echo read 0.1 ;;
    *) echo read 2.0 ;;
  esac
}
for shape in vendor classes clsid sorted first middle long firstlong; do
  for format in 8bit utf16; do
    declare -A rss=()
    for size in 1 10 100; do
      file=registry-$size.reg
      "$root/bench/make-registry.sh" "$size" "$format" "$file" "$shape"
      # Written back and in the page cache before anything is timed, and
      # left for over a second: a registry file changed within the last
      # second is read without the notes its first lookup leaves for the
      # second (src/platform/registry_linux.cpp); a user's file has sat
      # for longer.
      sync "$file" && cat "$file" >/dev/null && sleep 1.5
      pairs=$((size == 100 ? 21 : size == 10 ? 41 : 101))
      read -r baseline aim <<<"$( ((size == 100)) && aim_at_100 "$shape" "$format" || echo grep 1.2)"
      if [ "$baseline" = grep ]; then
        against=(grep -c -F CLSID "$file")
      else
        against=(./read-once "$file")
      fi
      result=$(MORVASK_REGISTRY=$PWD/$file ./compare "$pairs" "$program" /D2P /D Orders.mdb \
        -- "${against[@]}")
      row "lookup: $size MiB $shape $format vs $baseline" "$result" "$aim"
      rss[$size]=$last_rss
      rm "$file"
    done
    growth=$((rss[100] - rss[1]))
    verdict=ok
    [ "$growth" -lt 1024 ] || { verdict=MISSED; missed=1; }
    printf '%-40s %+10d KiB from 1 to 100 MiB (aim: under 1024)  %s\n' "peak memory: $shape $format" "$growth" "$verdict"
  done
done
# size ROW FILE LIMIT-KIB AIM-KIB: the file's stripped size against both.
size() {
  local what=$1 file=$2 limit=$3 aim=$4 bytes verdict=ok
  i686-w64-mingw32-strip -o stripped.bin "$file"
  bytes=$(stat -c %s stripped.bin)
  if [ "$bytes" -gt $((limit * 1024)) ]; then
    verdict=MISSED
    missed=1
  elif [ "$bytes" -gt $((aim * 1024)) ]; then
    verdict="ok (over the aim)"
  fi
  printf '%-40s %8d KiB stripped (at most %d KiB, aim %d KiB)  %s\n' "$what" \
    $(((bytes + 1023) / 1024)) "$limit" "$aim" "$verdict"
}
(cd "$root" && cmake --preset win32 >/dev/null &&
  cmake --build --preset win32 -j "$(nproc)" --target morvask morvask_folder_filter >/dev/null)
size "size: win32 morvask.exe" "$root/build/win32/morvask.exe" 300 150
size "size: win32 folder filter DLL" "$root/build/win32/morvask_folder_filter.dll" 150 150
exit $missed
