#!/bin/sh
# Runs a Windows test program under Wine: wine-run.sh LOADER PROGRAM ARG...
# A test program prints before it tests anything, so a run that ends in
# failure without one byte of output never reached the program: Wine, on rare
# occasions, ends a program it starts before its first line. Such a run is
# tried again, twice at most, and said so. Standard output and standard
# error come out together, as the test's log keeps them.
set -u
output=$(mktemp "${TMPDIR:-/tmp}/morvask-wine-run.XXXXXX") || exit 1
trap 'rm -f "$output"' EXIT
for attempt in 1 2 3; do
  "$@" >"$output" 2>&1
  status=$?
  [ "$status" -ne 0 ] && [ ! -s "$output" ] || break
  echo "note: run $attempt under Wine printed nothing at all (status $status)"
done
cat "$output"
exit "$status"
