#!/usr/bin/env bash
# Runs a program under valgrind memcheck for the end-to-end harness: its
# output and exit status pass through unchanged, and what memcheck finds
# (memory errors, definitely lost bytes, descriptors the program opened and
# left open) is appended to the file named by MORVASK_MEMCHECK_FINDINGS.
#
#   memcheck.sh PROGRAM ARGUMENT...
log=$(mktemp "${TMPDIR:-/tmp}/morvask-memcheck.XXXXXX")
valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite \
  --track-fds=yes --log-file="$log" "$@"
status=$?

findings=$(awk '
  /ERROR SUMMARY: [1-9]/ { print "memory errors: " $0 }
  /definitely lost: [1-9]/ { print "leak: " $0 }
  /Open file descriptor [0-9]+:/ { descriptor = $0; next }
  descriptor != "" {
    if ($0 !~ /inherited from parent/) print "left open: " descriptor
    descriptor = ""
  }
' "$log")
if [ -n "$findings" ]; then
  {
    printf 'memcheck found, running %s:\n%s\n--- the whole log\n' "$*" "$findings"
    cat "$log"
  } >>"${MORVASK_MEMCHECK_FINDINGS:-/dev/stderr}"
fi
rm -f "$log"
exit $status
