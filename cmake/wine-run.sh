#!/bin/sh
# The one place a run under Wine is tried again. Wine, on rare occasions,
# ends a program it starts before the program's first line: the run fails
# and prints nothing, and never reached the program. Such a run is tried
# again, twice at most, with a note on standard error; so is one that exits
# with status 125, the status a test program gives when it saw Wine end a
# program of its own so (the registry fixture, which runs reg.exe).
#
#   wine-run.sh COMMAND ARG...             both streams of the run, together,
#                                          on standard output, as a test's log
#                                          keeps them
#   wine-run.sh --into OUT ERR COMMAND...  COMMAND writes its own streams to
#                                          the files OUT and ERR
set -u
if [ "${1:-}" = --into ]; then
  out=$2 err=$3
  shift 3
  own=no
else
  out=$(mktemp "${TMPDIR:-/tmp}/morvask-wine-run.XXXXXX") || exit 1
  err=$out
  own=yes
  trap 'rm -f "$out"' EXIT
fi
for attempt in 1 2 3; do
  if [ $own = yes ]; then "$@" >"$out" 2>&1 </dev/null; else "$@"; fi
  status=$?
  if [ "$status" = 125 ]; then
    :
  elif [ "$status" -eq 0 ] || [ -s "$out" ] || [ -s "$err" ]; then
    break
  fi
  echo "note: Wine ended run $attempt before it printed anything (status $status): $*" >&2
done
[ $own = yes ] && cat "$out"
exit "$status"
