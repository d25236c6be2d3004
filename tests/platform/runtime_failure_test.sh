#!/usr/bin/env bash
# Runs runtime_failure.exe under Wine: a failure inside the C++ runtime
# must first print Morvask's one line on standard error, then end the
# process as abort() does (status 3), printing nothing on standard output.
#
#   runtime_failure_test.sh PROGRAM
set -u
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
"${MORVASK_WINE:?}" "$1" >"$out" 2>"$err"
status=$?
failed=0
expected=$'Morvask stopped: the C++ runtime failed (out of memory?).\r'
[ "$status" = 3 ] || { echo "FAILED: exit status $status, expected 3" >&2; failed=1; }
[ "$(head -n 1 "$err")" = "$expected" ] || { echo "FAILED: standard error began with: $(head -n 1 "$err" | cat -A)" >&2; failed=1; }
[ ! -s "$out" ] || { echo "FAILED: standard output: $(cat "$out")" >&2; failed=1; }
exit $failed
