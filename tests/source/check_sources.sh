#!/usr/bin/env bash
# Checks how the sources are arranged, so that they stay easy to change:
#  - each folder of src/ includes only itself and the folders below it
#    (app -> transfer -> discovery -> platform -> registry_file -> base; the
#    folder filter stands beside them, over platform and base; the kit's
#    public header is for transfer and the folder filter);
#  - no source file is longer than 400 lines;
#  - no function is above 25 in clang-tidy's cognitive complexity;
#  - the shell scripts pass shellcheck (warnings and errors).
# Usage: check_sources.sh SOURCE_DIR BUILD_DIR COMPILER (linux|windows)
# The complexity is measured on the sources BUILD_DIR compiles for its
# platform, through its compile_commands.json.
set -uo pipefail
source_dir=$1 build_dir=$2 compiler=$3 platform=$4
cd "$source_dir" || exit 1
failed=0

declare -A allowed=(
  [base]="base"
  [registry_file]="registry_file base"
  [platform]="platform registry_file base morvask"
  [discovery]="discovery platform base"
  [transfer]="transfer discovery platform base morvask"
  [app]="app transfer discovery platform base"
  [folder_filter]="folder_filter platform base morvask"
)

for folder in src/*/; do
  layer=$(basename "$folder")
  if [ -z "${allowed[$layer]+set}" ]; then
    echo "src/$layer: a folder whose place among the layers is not known" >&2
    failed=1
    continue
  fi
  while IFS=: read -r file line text; do
    included=$(sed -n 's/^#include "\([a-z_]*\)\/.*/\1/p' <<<"$text")
    [ -n "$included" ] || continue
    if ! [[ " ${allowed[$layer]} " == *" $included "* ]]; then
      echo "$file:$line: $layer includes $included, which is not below it" >&2
      failed=1
    fi
  done < <(grep -Hn '^#include "' "$folder"*)
done

while read -r lines file; do
  if [ "$file" != total ] && [ "$lines" -gt 400 ]; then
    echo "$file: $lines lines, more than 400" >&2
    failed=1
  fi
done < <(wc -l src/*/*.cpp src/*/*.h src/*/*.c 2>/dev/null)

if command -v shellcheck >/dev/null; then
  scripts=()
  while IFS= read -r script; do scripts+=("$script"); done < <(
    find . -path ./build -prune -o -name '*.sh' -type f -print | sort)
  shellcheck -x -S warning "${scripts[@]}" >&2 || failed=1
else
  echo "shellcheck is not installed: the scripts are not checked" >&2
  failed=1
fi

if ! command -v clang-tidy >/dev/null; then
  echo "clang-tidy is not installed: complexity not measured" >&2
  [ $failed -eq 0 ] && exit 77
  exit 1
fi
if [ "$platform" = windows ]; then
  sources=$(ls src/*/*_win32.cpp)
  # The cross compiler's own headers, for clang to read Windows sources
  # with; its intrinsics headers are its own dialect and are left out.
  target=$("$compiler" -dumpmachine)
  extra=(--extra-arg=--target="$target")
  while read -r dir; do
    extra+=(--extra-arg=-isystem"$dir")
  done < <("$compiler" -E -x c++ - -v </dev/null 2>&1 |
    sed -n '/search starts here/,/End of search/p' | sed -n 's/^ //p' |
    grep -v '/include$\|/include-fixed$')
  extra+=(--extra-arg=-isystem"/usr/$target/include")
else
  sources=$(find src -mindepth 2 -maxdepth 2 -name '*.cpp' ! -name '*_win32.cpp' | sort)
  extra=()
fi
# shellcheck disable=SC2086
report=$(clang-tidy -p "$build_dir" "${extra[@]}" --quiet \
  --checks='-*,readability-function-cognitive-complexity,clang-diagnostic-error' \
  --config='{CheckOptions: [{key: readability-function-cognitive-complexity.Threshold, value: 25}]}' \
  $sources 2>/dev/null)
if grep -q 'warning:\|error:' <<<"$report"; then
  grep 'warning:\|error:' <<<"$report" >&2
  failed=1
fi
exit $failed
