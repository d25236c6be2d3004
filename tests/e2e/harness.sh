#!/usr/bin/env bash
# Runs one end-to-end case against the built program, as a user would run
# it: arguments in; standard output, standard error, the order in which the
# two were written, and the exit status out, compared byte for byte.
#
#   harness.sh CASE-FILE CASE
#
# CASE-FILE (cases/*.sh) holds the case as the function case_CASE. The
# build passes, in the environment:
#   MORVASK_PROGRAM       the program under test
#   MORVASK_VERSION       the project's version, as "3.0.0.6"
#   MORVASK_TARGET        linux, win32 or win64
#   MORVASK_CAPTURE       the tool that runs a program once (capture.c)
#   MORVASK_SYSTEM_TEXT   the tool that asks this target's FormatMessageA
#   MORVASK_FILTER_DIR    the test filter libraries built for the target
#   MORVASK_STATUS_TEXTS  the tests' own list of the expected status texts
#   MORVASK_FOLDER_FILTER the folder filter library built for the target
#   MORVASK_EXAMPLES      the sample files of the repository
#   MORVASK_HOLD_FILE     for Windows targets: a tool that holds a file
#                         open (hold_file.c)
#   MORVASK_MEMCHECK      optionally, a launcher that runs the program under
#                         valgrind memcheck and records what it finds
#   MORVASK_WINE, MORVASK_WINE64, MORVASK_REGISTRY_VIEW, WINEPREFIX,
#   MORVASK_WINE_RUN      for Windows targets: the Wine loaders, the
#                         registry view of the build and the one wrapper
#                         that tries a run under Wine again
#   MORVASK_HOST_PROGRAM, MORVASK_HOST_FOLDER_FILTER
#                         for Windows targets: the Linux program and folder
#                         filter built beside them
set -u

case_file=$1
case_name=$2
failures=0
registry_lines=()
registry_installed=no

work=$(mktemp -d "${TMPDIR:-/tmp}/morvask-e2e-$case_name.XXXXXX")
cd "$work" || exit 1

is_windows() { [ "$MORVASK_TARGET" != linux ]; }

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# skip REASON: the case cannot be tried on this machine; ctest counts it as
# skipped, not passed.
skip() {
  echo "skipped: $*" >&2
  cd / && rm -rf "$work"
  exit 77
}

# --- running programs ------------------------------------------------------------

# capture OUT ERR ORDER COMMAND...: one run of COMMAND with no input, its
# standard output in OUT and its standard error in ERR, and in ORDER the
# order in which it wrote them ("EO": error output first); returns its
# exit status.
capture() { "$MORVASK_CAPTURE" "$@"; }

# wine_run OUT ERR ORDER COMMAND...: runs a Windows program under Wine as
# capture does, through cmake/wine-run.sh, the one place a run is tried
# again: Wine, on rare occasions, ends a program before its first line.
wine_run() {
  local out=$1 err=$2 order=$3
  shift 3
  "$MORVASK_WINE_RUN" --into "$out" "$err" "$MORVASK_CAPTURE" "$out" "$err" "$order" "$@"
}

# system_tool NAME: the path of a Windows tool, named in full: Wine starts
# a bare name through its shell (start.exe), which now and then fails to
# start it at all.
system_tool() { printf 'C:\\windows\\system32\\%s.exe' "$1"; }

# wine_tool COMMAND...: a Windows tool the case runs under Wine for its own
# needs; its output passed on.
wine_tool() {
  wine_run "$work/tool.out" "$work/tool.err" "$work/tool.order" "$@"
  local status=$?
  cat "$work/tool.out" && cat "$work/tool.err" >&2
  rm -f "$work/tool.out" "$work/tool.err" "$work/tool.order"
  return "$status"
}

# run ARGUMENT...: one run of the program; what it printed is kept in
# run.out, run.err and run.order, its exit status in RUN_STATUS, and what
# the recording filter wrote of it in filter-call.txt.
run() {
  install_registry
  rm -f filter-call.txt
  if is_windows; then
    wine_run run.out run.err run.order "$MORVASK_WINE" "$MORVASK_PROGRAM" "$@"
  else
    capture run.out run.err run.order ${MORVASK_MEMCHECK:+"$MORVASK_MEMCHECK"} "$MORVASK_PROGRAM" "$@"
  fi
  RUN_STATUS=$?
}

# start_run N ARGUMENT...: starts a run in the background, as run does
# (under memcheck too), its output in runN.out and runN.err; RUN_PIDS
# gathers the runs, and wait_runs waits for them all.
start_run() {
  local n=$1
  shift
  install_registry
  if is_windows; then
    wine_run "run$n.out" "run$n.err" "run$n.order" "$MORVASK_WINE" "$MORVASK_PROGRAM" "$@" &
  else
    capture "run$n.out" "run$n.err" "run$n.order" ${MORVASK_MEMCHECK:+"$MORVASK_MEMCHECK"} \
      "$MORVASK_PROGRAM" "$@" &
  fi
  RUN_PIDS+=($!)
}

wait_runs() {
  local pid
  for pid in "${RUN_PIDS[@]}"; do wait "$pid"; done
  RUN_PIDS=()
}

# start_copy ARGUMENT...: starts the program in the background, as run
# does, with SIGINT and SIGQUIT at their defaults (a shell starts
# background programs with both ignored); COPY_PID is its process (under
# Wine the Windows program's own), and finish_copy waits for it and keeps
# its status in RUN_STATUS. Its output goes to run.out, run.err and
# run.order, or with RUN_NAME set to NAME.out and so on. What the run
# tells (capture's "started" and "ended", memcheck's "valgrind", the
# folder filter's "waiting" and "held") comes through NAME.hold.held, read
# with wait_for.
start_copy() {
  install_registry
  local name=${RUN_NAME:-run} wine=() first=started
  is_windows && wine=("$MORVASK_WINE")
  # Under memcheck the program runs in valgrind's process.
  [ -n "${MORVASK_MEMCHECK:-}" ] && first=valgrind
  open_events "$work/$name.hold.held"
  MORVASK_TEST_HOLD=$work/$name.hold MORVASK_CAPTURE_EVENTS=$work/$name.hold.held \
    env --default-signal "$MORVASK_CAPTURE" "$name.out" "$name.err" "$name.order" "${wine[@]}" \
    ${MORVASK_MEMCHECK:+"$MORVASK_MEMCHECK"} "$MORVASK_PROGRAM" "$@" &
  CAPTURE_PID=$!
  # shellcheck disable=SC2034 # the cases read it
  COPY_PID=$(wait_for "$first")
}

# open_events FIFO: makes FIFO, which the harness keeps open both ways, so
# that whoever writes to it never waits for a reader; wait_for reads it.
open_events() {
  rm -f "$1"
  mkfifo "$1"
  exec {EVENTS}<>"$1"
}

# wait_for WORD: reads the lines of the events last opened until one that
# starts with WORD, and prints what follows WORD on it; false when "ended"
# comes first, or no line for a minute. It blocks on the FIFO: it never
# looks again and again.
wait_for() {
  local line
  while read -r -t 60 -u "$EVENTS" line; do
    if [ "${line%% *}" = "$1" ]; then
      line=${line#"$1"}
      printf '%s\n' "${line# }"
      return 0
    fi
    [ "$line" = ended ] && return 1
  done
  return 1
}

# start_held ARGUMENT...: start_copy, the run held once it has made its
# copy (and not yet named it) until release_held; false when it ended
# first. (The folder filter holds a run at that point while the file
# MORVASK_TEST_HOLD names exists.)
start_held() {
  : >"$work/${RUN_NAME:-run}.hold"
  start_copy "$@"
  wait_for held >/dev/null
}
release_held() { rm -f "$work/${RUN_NAME:-run}.hold"; }

finish_copy() {
  wait "$CAPTURE_PID"
  RUN_STATUS=$?
}

# --- paths as the program sees them ----------------------------------------

# A path of this machine as the program under test names it.
native_path() {
  if is_windows; then
    local path=${1//\//\\}
    printf 'Z:%s' "$path"
  else
    printf '%s' "$1"
  fi
}

# The folder of this machine that a Windows environment variable names.
windows_folder() {
  local value
  value=$(wine_tool "$MORVASK_WINE" "$(system_tool cmd)" /c echo "%$1%" 2>/dev/null | tr -d '\r')
  wine_tool "$MORVASK_WINE64" "$(system_tool winepath)" -u "$value" 2>/dev/null
}

# TEXT as the program sees it: Wine hands arguments to a Windows program in
# the ANSI code page (1252 here), Linux as they are (UTF-8).
ansi_text() {
  if is_windows; then printf '%s' "$1" | iconv -f UTF-8 -t CP1252; else printf '%s' "$1"; fi
}

library_suffix() { if is_windows; then printf .dll; else printf .so; fi; }

# The path of a test filter library, as registered.
filter_path() { native_path "$MORVASK_FILTER_DIR/$1$(library_suffix)"; }

# copy_name PROCESS SERIAL: the name of a copy a run of the build under test
# writes (process and serial in hexadecimal); other_copy_name, of the other
# build's form, which this build never removes.
copy_name() { if is_windows; then printf '.morvask-w%s-%s.tmp' "$1" "$2"; else printf '.morvask-%s-%s.tmp' "$1" "$2"; fi; }
other_copy_name() { if is_windows; then printf '.morvask-%s-%s.tmp' "$1" "$2"; else printf '.morvask-w%s-%s.tmp' "$1" "$2"; fi; }

# A name of COUNT bytes of x.
x_name() { head -c "$1" /dev/zero | tr '\0' x; }

# --- the registry -------------------------------------------------------------

FILTERS_KEY='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows CE Services\Filters'
CLASSES_KEY='HKEY_LOCAL_MACHINE\SOFTWARE\Classes\CLSID'
CLSID_IMPORT='{4D4F5256-0001-4153-4B00-46494C544552}'
CLSID_EXPORT='{4D4F5256-0002-4153-4B00-46494C544552}'
CLSID_FOLDER='{4D4F5256-0003-4153-4B00-464F4C444552}'

reg_quote() {
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}

# register_filter EXTENSION VALUE CLSID: the filter class for a file type.
register_filter() {
  registry_lines+=("[$FILTERS_KEY\\$1]" "$(reg_quote "$2")=$(reg_quote "$3")")
}

# register_server CLSID PATH: the library of a filter class, stored as given.
register_server() {
  registry_lines+=("[$CLASSES_KEY\\$1\\InProcServer32]" "@=$(reg_quote "$2")")
}

# Both directions of .mdb and .cdb served by the library at PATH.
register_filters() {
  register_filter .mdb DefaultImport "$CLSID_IMPORT"
  register_filter .cdb DefaultExport "$CLSID_EXPORT"
  register_server "$CLSID_IMPORT" "$1"
  register_server "$CLSID_EXPORT" "$1"
}

# The folder filter, registered for both directions as its registry file
# and its own registration do it.
register_folder_filter() {
  register_filter .mdb DefaultImport "$CLSID_FOLDER"
  register_filter .cdb DefaultExport "$CLSID_FOLDER"
  register_server "$CLSID_FOLDER" "$(native_path "$MORVASK_FOLDER_FILTER")"
}

# reg ARGUMENT...: Wine's registry tool, in the view of the build.
reg() { wine_tool "$MORVASK_WINE64" "$(system_tool reg)" "$@" "$MORVASK_REGISTRY_VIEW"; }

# Replaces whatever earlier cases registered with this case's entries.
install_registry() {
  [ $registry_installed = yes ] && return
  registry_installed=yes
  local keys=("$FILTERS_KEY" "$CLASSES_KEY\\$CLSID_IMPORT" "$CLASSES_KEY\\$CLSID_EXPORT"
    "$CLASSES_KEY\\$CLSID_FOLDER")
  {
    printf 'REGEDIT4\r\n\r\n'
    local line
    for line in "${keys[@]}"; do printf '[-%s]\r\n' "$line"; done
    for line in "${registry_lines[@]}"; do printf '%s\r\n' "$line"; done
  } >registry.reg
  if is_windows; then
    # Wine's reg import applies deletions to the 64-bit view only, whatever
    # view it is given: delete the keys with reg delete instead.
    local key
    for key in "${keys[@]}"; do reg delete "$key" /f >/dev/null 2>&1; done
    reg import registry.reg >reg.log 2>&1 || fail "reg import of registry.reg: $(tr -d '\r' <reg.log)"
    rm -f reg.log
  else
    export MORVASK_REGISTRY=$work/registry.reg
  fi
}

# --- what the program prints -----------------------------------------------------

# Each of these prints a text as the program writes it, before the console
# turns its line feeds into CR LF on Windows.

banner() {
  local IFS=.
  # shellcheck disable=SC2046
  printf '\nMorvask - version %02d.%02d.%02d.%02d\n' $MORVASK_VERSION
  printf 'Copies one database between this computer and a connected handheld device.\n\n'
}

usage_text() {
  printf '%s\n' 'Usage: Morvask [/?] [/D2P] [/P2D] [/D] [/P] [/SY] [{/T}] [/O]' '' \
    '[/?] Display usage. ' \
    '[/D2P] Copy .mdb file from the desktop to the device as a .cdb file' \
    '[/P2D] Copy .cdb file from the device to desktop as a .mdb file' \
    '[/D <filename>] Desktop file' '[/P <filename>] Device file' '[/SY] Keep tables in sync' \
    '[/T <table name>] Specific table to copy' '[/O] Allow overwrite' ''
}

# header d2p|p2d SOURCE DESTINATION: the lines a run prints before it calls
# the filter.
header() {
  if [ "$1" = d2p ]; then
    printf '[Desktop to Device]\nSource Desktop File     : %s\nDestination Device File : %s\n\n' "$2" "$3"
  else
    printf '[Device to Desktop]\nSource Device File     : %s\nDestination Device File: %s\n\n' "$2" "$3"
  fi
}

# The system's text for a code, as this target's FormatMessageA gives it.
system_text() {
  local tool=("$MORVASK_SYSTEM_TEXT")
  is_windows && tool=(wine_tool "$MORVASK_WINE" "$MORVASK_SYSTEM_TEXT")
  "${tool[@]}" "$1" system-text.raw >/dev/null 2>&1 || fail "system text of $1"
  cat system-text.raw
}

# What a report of success prints.
success_text() { report_text 0 | as_console_text; }

# The built-in text for a code, from the tests' own list.
table_text() {
  local code line
  code=$(printf '0x%08X' $(($1 & 0xFFFFFFFF)))
  line=$(grep -m1 "^$code \[" "$MORVASK_STATUS_TEXTS") || return 0
  line=${line#*\[}
  line=${line%\]}
  printf '%s' "${line//\\t/$'\t'}"
}

# report_text STATUS: the line the report prints for a status: the system's
# text, or else the table's, then a line feed.
report_text() {
  local text
  text=$(system_text "$1"; printf x)
  text=${text%x}
  [ -n "$text" ] || text=$(table_text "$1")
  printf '%s\n' "$text"
}

# --- expectations ------------------------------------------------------------------

# What the program writes for TEXT: on Windows every line feed goes out as
# carriage return and line feed.
as_console_text() {
  if is_windows; then sed -z 's/\n/\r\n/g'; else cat; fi
}

compare() {  # compare WHAT EXPECTED-FILE ACTUAL-FILE
  if ! cmp -s "$2" "$3"; then
    fail "$1 differs"
    echo "--- expected $1" >&2
    cat -A "$2" >&2
    echo "--- actual $1" >&2
    cat -A "$3" >&2
  fi
}

# expect_output STDERR STDOUT STATUS: the last run wrote exactly these two
# streams, error output first, and ended with STATUS.
expect_output() {
  printf '%s' "$1" | as_console_text >expected.err
  printf '%s' "$2" | as_console_text >expected.out
  compare "standard error" expected.err run.err
  compare "standard output" expected.out run.out
  local order=''
  [ -n "$1" ] && order=E
  [ -n "$2" ] && order+=O
  [ "$(cat run.order)" = "$order" ] ||
    fail "the streams were written in the order [$(cat run.order)], expected [$order]"
  [ "$RUN_STATUS" = "$3" ] || fail "exit status $RUN_STATUS, expected $3"
}

# expect_stopped MESSAGE: the run stopped after the banner and MESSAGE.
expect_stopped() {
  local err
  err=$(banner; printf '%s\nx' "$1")
  expect_output "${err%x}" "" 0
}

expect_no_mode() { expect_stopped 'No mode was specified.  Use /D2P or /P2D.'; }

# expect_usage STATUS: the banner and the usage text, and one more line end:
# on standard error after "/?" (status 1), on standard output without
# arguments (status 0).
expect_usage() {
  local err
  err=$(banner; usage_text; printf x)
  err=${err%x}
  if [ "$1" = 1 ]; then expect_output "$err"$'\n' "" 1; else expect_output "$err" $'\n' 0; fi
}

# expect_report d2p|p2d SOURCE DESTINATION STATUS [LINE...]: the run called
# the filter (the header, then LINEs), and reported STATUS.
expect_report() {
  local err out
  err=$(banner; header "$1" "$2" "$3"; [ $# -gt 4 ] && printf '%s\n' "${@:5}"; printf x)
  out=$(report_text "$4"; printf x)
  expect_output "${err%x}" "${out%x}" 1
}

# expect_filter_call EXPORT DESKTOP TABLES SYNC OVERWRITE DEVICE: what the
# recording filter wrote of the one call it had, and of its unloading.
expect_filter_call() {
  printf 'export=%s\ndesktopFile=%s\ntableList=%s\nsyncTables=%s\nallowOverwrite=%s\ndeviceFile=%s\nunloaded\n' \
    "$@" >expected.call
  [ -f filter-call.txt ] || : >filter-call.txt
  compare "filter call" expected.call filter-call.txt
  rm -f filter-call.txt
}

expect_no_filter_call() {
  [ ! -e filter-call.txt ] || fail "the filter was called: $(cat filter-call.txt)"
}

# --- files ---------------------------------------------------------------------

# expect_file FILE CONTENT-FILE: FILE holds exactly what CONTENT-FILE holds.
expect_file() {
  if [ ! -f "$1" ]; then
    fail "$1 is missing"
  elif ! cmp -s "$2" "$1"; then
    fail "$1 does not hold what $2 holds"
  fi
}

# expect_entries FOLDER NAME...: the folder holds these entries and no
# others, left-over copies included.
expect_entries() {
  local folder=$1 actual expected
  shift
  actual=$(ls -A "$folder" 2>/dev/null | sort | tr '\n' ' ')
  expected=$(printf '%s\n' "$@" | sed '/^$/d' | sort | tr '\n' ' ')
  [ "$actual" = "$expected" ] || fail "$folder holds [$actual], expected [$expected]"
}

# The sample database, as the desktop file NAME.
sample_desktop_file() { cp "$MORVASK_EXAMPLES/Orders.mdb" "$1"; }

# --- the case -----------------------------------------------------------------

export MORVASK_MEMCHECK_FINDINGS=$work/memcheck-findings.txt

# The folder filter stands in for the device by this case's own folder.
MORVASK_DEVICE_DIR=$(native_path "$work/device")
export MORVASK_DEVICE_DIR
# The folder filter's lock files, shared as /tmp is; a Unix path on every
# build.
mkdir -m 1777 "$work/locks" && chmod 1777 "$work/locks"
export MORVASK_LOCK_DIR=$work/locks

# shellcheck source=/dev/null
source "$case_file"
"case_$case_name"

if [ -f "$MORVASK_MEMCHECK_FINDINGS" ]; then
  fail "memcheck"
  cat "$MORVASK_MEMCHECK_FINDINGS" >&2
fi

if [ $failures -ne 0 ]; then
  echo "case $case_name failed; its folder is kept: $work" >&2
  exit 1
fi
cd / && rm -rf "$work"
