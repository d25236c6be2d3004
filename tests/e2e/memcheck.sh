#!/usr/bin/env bash
# Runs a program under valgrind memcheck for the end-to-end harness: its
# output and exit status pass through unchanged, and what memcheck finds
# (memory errors, definitely lost bytes, descriptors the program opened and
# left open) is appended to the file named by MORVASK_MEMCHECK_FINDINGS.
#
# With MORVASK_CAPTURE_EVENTS naming a file (see capture.c), a line
# "valgrind" and valgrind's process number is written to it as valgrind
# starts: valgrind runs the program in its own process, so a test signals
# the program itself through it.
#
#   memcheck.sh PROGRAM ARGUMENT...
log=$(mktemp "${TMPDIR:-/tmp}/morvask-memcheck.XXXXXX")
memcheck=(valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite
  --track-fds=yes --log-file="$log")
if [ -n "${MORVASK_CAPTURE_EVENTS:-}" ]; then
  # shellcheck disable=SC2016 # for the inner shell to expand
  sh -c 'echo "valgrind $$" >>"$0" && exec "$@"' "$MORVASK_CAPTURE_EVENTS" "${memcheck[@]}" "$@"
else
  "${memcheck[@]}" "$@"
fi
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
