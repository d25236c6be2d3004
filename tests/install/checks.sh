# What the install tests share: a failed check is counted, not fatal, so
# that one run shows every fault.
# shellcheck shell=bash
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# finish FOLDER: removes the test's folder when every check passed; when one
# failed, keeps it to look at and fails.
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "kept: $1" >&2
    exit 1
  fi
  cd / && rm -rf "$1"
}
