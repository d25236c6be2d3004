# Each status a filter returns is handed on unchanged and printed: the
# system's text, or the built-in one; the exit status is 1, or with
# MORVASK_EXIT_STATUS=outcome what became of the copy.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

# Success, 1, texts with a tab, an insert marker or none at all, the edges.
case_statuses() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  local status
  for status in 0 1 0x80004005 0x80070005 0x800A0F10 0x800A0D5C 0x800440D4 0x00040E14 \
    0x7E57C0DE 0x7FFFFFFF 0x80000000 0xFFFFFFFF; do
    MORVASK_TEST_STATUS=$status run /D2P /D Orders.mdb
    expect_report d2p Orders.mdb '' "$status"
  done
}

# expect_outcome OUTCOME USUAL ARGUMENT...: the run ends with USUAL, and
# with MORVASK_EXIT_STATUS=outcome with OUTCOME, writing the same bytes.
expect_outcome() {
  local outcome=$1 usual=$2
  shift 2
  run "$@"
  [ "$RUN_STATUS" = "$usual" ] || fail "$*: exit status $RUN_STATUS, expected $usual"
  mv run.out usual.out && mv run.err usual.err && mv run.order usual.order
  MORVASK_EXIT_STATUS=outcome run "$@"
  [ "$RUN_STATUS" = "$outcome" ] ||
    fail "$*: exit status $RUN_STATUS with MORVASK_EXIT_STATUS=outcome, expected $outcome"
  local stream
  for stream in out err order; do
    cmp -s "usual.$stream" "run.$stream" || fail "$*: run.$stream differs with the variable set"
  done
}

# use_filter LIBRARY: this case's registry from now on registers LIBRARY.
use_filter() {
  registry_lines=()
  registry_installed=no
  register_filters "$1"
}

case_exit_status_by_outcome() {
  : >Orders.mdb
  expect_outcome 2 0 /D2P /D Orders.mdb  # no filter registered
  expect_outcome 2 0 /D2P /D Missing.mdb
  expect_outcome 2 1 /D2P /D Orders.mdb /?
  expect_outcome 2 0
  expect_outcome 2 0 /O /D Orders.mdb
  use_filter "$(filter_path recording_filter)"
  MORVASK_TEST_STATUS=0 expect_outcome 0 1 /D2P /D Orders.mdb
  MORVASK_TEST_STATUS=0x800A0F0C expect_outcome 1 1 /D2P /D Orders.mdb
  MORVASK_TEST_STATUS=1 expect_outcome 1 1 /P2D /P Orders.cdb /D Orders.mdb
  local value
  for value in 1 Outcome outcome2 ''; do
    MORVASK_EXIT_STATUS=$value run /D2P /D Orders.mdb
    [ "$RUN_STATUS" = 1 ] || fail "MORVASK_EXIT_STATUS=$value: exit status $RUN_STATUS, expected 1"
  done
  # A filter that crashes the process: the system's crash status, never 0.
  # (On Linux only: under Wine the status of a crashed process is what
  # Wine's debugger leaves, and under load it once left 0.)
  if ! is_windows; then
    MORVASK_TEST_STATUS=crash MORVASK_EXIT_STATUS=outcome run /D2P /D Orders.mdb
    [ "$RUN_STATUS" != 0 ] || fail "a crashed run ended with exit status 0"
  fi
  printf 'not a library\n' >broken.dll
  use_filter "$(native_path "$work/broken.dll")"
  expect_outcome 1 1 /D2P /D Orders.mdb
}

# Under Wine in German the status line is translated; the exit status a
# script asks for is not, and the Windows README's batch example acts on it.
case_windows_outcome_in_any_language() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  LANG=de_DE.UTF-8 MORVASK_EXIT_STATUS=outcome run /D2P /D Orders.mdb
  [ "$RUN_STATUS" = 0 ] || fail "in German: exit status $RUN_STATUS, expected 0"
  grep -q '^Erfolg\.' run.out || fail "in German the status line was: $(cat run.out)"
  local readme=$MORVASK_EXAMPLES/../docs/README-windows.txt status program
  program=$(native_path "$MORVASK_PROGRAM")
  {
    printf '@echo off\r\n'
    # The indented lines after "In a batch file", the program named in full.
    awk '/^In a batch file/ { found = 1; next }
      found && /^    / { sub(/^    /, ""); print; seen = 1; next }
      seen { exit }' "$readme" |
      sed "s|^morvask |\"${program//\\/\\\\}\" |; s/\$/\r/"
  } >outcome.bat
  grep -q errorlevel outcome.bat || fail "no batch example found in $readme"
  for status in 0:Copied. 1:'The copy failed.'; do
    MORVASK_TEST_STATUS=${status%%:*} wine_tool "$MORVASK_WINE" "$(system_tool cmd)" /c outcome.bat \
      2>/dev/null >batch.out
    tr -d '\r' <batch.out | grep -qx "${status#*:}" ||
      fail "the batch example printed [$(cat batch.out)] for status ${status%%:*}"
  done
}
