#!/usr/bin/env bash
# Runs one end-to-end case of cases.sh against the built program, as a user
# would run it: arguments in; standard output, standard error, the two
# interleaved, and the exit status out, compared byte for byte.
#
#   harness.sh CASE
#
# The build passes, in the environment:
#   MORVASK_PROGRAM      the program under test
#   MORVASK_TARGET       linux, win32 or win64
#   MORVASK_FILTER_DIR   the test filter libraries built for that target
#   MORVASK_STATUS_TEXTS the tests' own list of the expected status texts
#   MORVASK_FOLDER_FILTER the folder filter library built for that target
#   MORVASK_EXAMPLES     the sample files of the repository
#   MORVASK_MEMCHECK     optionally, a launcher that runs the program under
#                        valgrind memcheck and records what it finds
#   MORVASK_WINE, MORVASK_REGISTRY_VIEW, MORVASK_SYSTEM_TEXT, WINEPREFIX
#                        for Windows targets: the Wine loader, the registry
#                        view of the build and a tool that asks FormatMessageA
set -u

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=cases.sh
source "$here/cases.sh"

case_name=$1
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

# --- texts every run prints -------------------------------------------------

BANNER=$'\nMorvask - version 03.00.00.06\nCopies one database between this computer and a connected handheld device.\n\n'
USAGE=$'Usage: Morvask [/?] [/D2P] [/P2D] [/D] [/P] [/SY] [{/T}] [/O]\n\n[/?] Display usage. \n[/D2P] Copy .mdb file from the desktop to the device as a .cdb file\n[/P2D] Copy .cdb file from the device to desktop as a .mdb file\n[/D <filename>] Desktop file\n[/P <filename>] Device file\n[/SY] Keep tables in sync\n[/T <table name>] Specific table to copy\n[/O] Allow overwrite\n\n'
NO_MODE=$'No mode was specified.  Use /D2P or /P2D.\n'

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
  value=$(wine_tool "$MORVASK_WINE" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r')
  wine_tool "$MORVASK_WINE64" winepath -u "$value" 2>/dev/null
}

# TEXT as the program sees it: Wine hands arguments to a Windows program in
# the ANSI code page (1252 here), Linux as they are (UTF-8).
ansi_text() {
  if is_windows; then printf '%s' "$1" | iconv -f UTF-8 -t CP1252; else printf '%s' "$1"; fi
}

library_suffix() { if is_windows; then printf .dll; else printf .so; fi; }

# The path of a test filter library, as registered.
filter_path() { native_path "$MORVASK_FILTER_DIR/$1$(library_suffix)"; }

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
reg() { wine_tool "$MORVASK_WINE64" reg "$@" "$MORVASK_REGISTRY_VIEW"; }

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
    # The file is the case's own and sound: an import fails only when Wine
    # fails, and is tried again; what reg said is kept in the log.
    local attempt
    for attempt in 1 2 3; do
      reg import registry.reg >reg.log 2>&1 && break
      echo "note: reg import failed (try $attempt): $(tr -d '\r' <reg.log)" >&2
      [ "$attempt" = 3 ] && fail "reg import of registry.reg"
    done
    rm -f reg.log
  else
    export MORVASK_REGISTRY=$work/registry.reg
  fi
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

# --- running the program -------------------------------------------------------

# into OUT ERR COMMAND...: runs COMMAND with no input, its standard output
# to OUT and its standard error to ERR (one file when they are the same).
into() {
  local out=$1 err=$2
  shift 2
  if [ "$out" = "$err" ]; then "$@" </dev/null >"$out" 2>&1; else "$@" </dev/null >"$out" 2>"$err"; fi
}

# wine_run OUT ERR COMMAND...: runs a Windows program under Wine as into
# does. Wine, on rare occasions, ends a program it starts before the
# program's first line, with status 1 and no output. A run that failed
# without printing a byte is therefore tried again, twice at most, with the
# recording filter's file as it was, and said so. Every run of the program
# prints its banner first, so a program that truly prints nothing still
# fails.
wine_run() {
  local out=$1 err=$2 attempt status
  shift 2
  rm -f "$work/wine.call" && [ -f filter-call.txt ] && cp filter-call.txt "$work/wine.call"
  for attempt in 1 2 3; do
    if [ "$attempt" -gt 1 ]; then
      echo "note: a run under Wine printed nothing at all (status $status): $*" >&2
      rm -f filter-call.txt && [ -f "$work/wine.call" ] && cp "$work/wine.call" filter-call.txt
    fi
    into "$out" "$err" "$@"
    status=$?
    [ "$status" -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ] || break
  done
  rm -f "$work/wine.call"
  return "$status"
}

# wine_tool COMMAND...: a Windows tool the case runs under Wine for its own
# needs, its output passed on.
wine_tool() {
  wine_run "$work/tool.out" "$work/tool.err" "$@"
  local status=$?
  cat "$work/tool.out" && cat "$work/tool.err" >&2
  rm -f "$work/tool.out" "$work/tool.err"
  return "$status"
}

# launch OUT ERR ARGUMENT...: one run of the program, its output as into
# gives it; returns the program's exit status.
launch() {
  local out=$1 err=$2
  shift 2
  if is_windows; then
    wine_run "$out" "$err" "$MORVASK_WINE" "$MORVASK_PROGRAM" "$@"
  else
    into "$out" "$err" ${MORVASK_MEMCHECK:+"$MORVASK_MEMCHECK"} "$MORVASK_PROGRAM" "$@"
  fi
}

# run ARGUMENT...: runs the program twice, once with its two streams apart
# and once with both in one file, and keeps what it printed.
run() {
  install_registry
  launch run.out run.err "$@"
  status=$?
  rm -f filter-call.first && [ -f filter-call.txt ] && mv filter-call.txt filter-call.first
  launch run.both run.both "$@"
  local again=$?
  [ "$again" = "$status" ] || fail "exit status $status, then $again on the second run"
  if [ -f filter-call.first ]; then
    cmp -s filter-call.first filter-call.txt || fail "the filter was called differently the second time"
  fi
}

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

# expect_output STDERR STDOUT STATUS: the two streams, the two interleaved
# (standard output comes last in every run) and the exit status.
expect_output() {
  printf '%s' "$1" | as_console_text >expected.err
  printf '%s' "$2" | as_console_text >expected.out
  cat expected.err expected.out >expected.both
  compare "standard error" expected.err run.err
  compare "standard output" expected.out run.out
  compare "interleaved output" expected.both run.both
  [ "$status" = "$3" ] || fail "exit status $status, expected $3"
}

# expect_filter_call TEXT: what the recording filter wrote, or nothing.
expect_filter_call() {
  printf '%s' "$1" >expected.call
  [ -f filter-call.txt ] || : >filter-call.txt
  compare "filter call" expected.call filter-call.txt
}

# filter_call EXPORT DESKTOP TABLES SYNC OVERWRITE DEVICE sets CALL to the
# record that the recording filter writes of one call and its unloading.
filter_call() {
  printf -v CALL 'export=%s\ndesktopFile=%s\ntableList=%s\nsyncTables=%s\nallowOverwrite=%s\ndeviceFile=%s\nunloaded\n' "$@"
}

# header_d2p SOURCE DESTINATION and header_p2d SOURCE DESTINATION set HEADER
# to the lines a run prints before it calls the filter.
header_d2p() { printf -v HEADER '[Desktop to Device]\nSource Desktop File     : %s\nDestination Device File : %s\n\n' "$1" "$2"; }
header_p2d() { printf -v HEADER '[Device to Desktop]\nSource Device File     : %s\nDestination Device File: %s\n\n' "$1" "$2"; }

# --- status texts ---------------------------------------------------------

# The system's text for a code, as FormatMessageA gives it. On Windows the
# system itself is asked; elsewhere it is the texts the program's platform
# layer holds, written out here.
system_text() {
  if is_windows; then
    wine_tool "$MORVASK_WINE" "$MORVASK_SYSTEM_TEXT" "$1" system-text.raw >/dev/null 2>&1 ||
      fail "system text of $1"
    cat system-text.raw
    return
  fi
  local code=$(($1 & 0xFFFFFFFF))
  if (((code & 0xFFFF0000) == 0x80070000 && (code & 0xFFFF) != 0)); then code=$((code & 0xFFFF)); fi
  case $code in
    0) printf 'The operation completed successfully.\n' ;;
    1) printf 'Incorrect function.\n' ;;
    2) printf 'The system cannot find the file specified.\n' ;;
    3) printf 'The system cannot find the path specified.\n' ;;
    5) printf 'Access is denied.\n' ;;
    32) printf 'The process cannot access the file because it is being used by another process.\n' ;;
    126) printf 'The specified module could not be found.\n' ;;
    127) printf 'The specified procedure could not be found.\n' ;;
    193) printf '%%1 is not a valid Win32 application.\n' ;;
    206) printf 'The filename or extension is too long.\n' ;;
    $((0x80004001))) printf 'Not implemented\n' ;;
  esac
}

table_text() {
  local code
  code=$(printf '0x%08X' $(($1 & 0xFFFFFFFF)))
  local line
  line=$(grep -m1 "^$code \[" "$MORVASK_STATUS_TEXTS") || return 0
  line=${line#*\[}
  line=${line%\]}
  printf '%s' "${line//\\t/$'\t'}"
}

# report STATUS sets REPORT to what the report prints for a status: the
# system's text or else the table's, then a line feed.
report() {
  REPORT=$(system_text "$1"; printf x)
  REPORT=${REPORT%x}
  if [ -z "$REPORT" ]; then
    REPORT=$(table_text "$1"; printf x)
    REPORT=${REPORT%x}
  fi
  REPORT+=$'\n'
}

# --- the case -----------------------------------------------------------------

export MORVASK_MEMCHECK_FINDINGS=$work/memcheck-findings.txt

# The folder filter stands in for the device by this case's own folder.
MORVASK_DEVICE_DIR=$(native_path "$work/device")
export MORVASK_DEVICE_DIR

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
