# The end-to-end cases; every function named case_* is one case, run on
# every target by harness.sh. A case registers what it needs, runs the
# program and states what it must print.
# shellcheck shell=bash disable=SC2034

# --- the command line -----------------------------------------------------

case_no_arguments() {
  run
  expect_output "$BANNER$USAGE" $'\n' 0
}

case_usage_asked_for() {
  run /?
  expect_output "$BANNER$USAGE"$'\n' "" 1
}

case_usage_asked_for_after_a_transfer() {
  : >a.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D a.mdb /?
  expect_output "$BANNER$USAGE"$'\n' "" 1
  expect_filter_call ""
}

case_no_direction() {
  run /O /Sy /T Orders /D a.mdb /P a.cdb
  expect_output "$BANNER$NO_MODE" "" 0
}

case_no_direction_when_options_are_values() {
  run /D /P2D
  expect_output "$BANNER$NO_MODE" "" 0
  run /D /?
  expect_output "$BANNER$NO_MODE" "" 0
}

case_no_direction_from_lookalike_options() {
  run -D2P /D2P: D2P /D2PX
  expect_output "$BANNER$NO_MODE" "" 0
}

# --- checks before the filter is loaded -----------------------------------

case_desktop_to_device_without_desktop_file() {
  register_filters "$(filter_path recording_filter)"
  run /D2P /P Orders.cdb
  expect_output "$BANNER"$'Source Desktop file must be specified with /D.\n' "" 0
  expect_filter_call ""
}

case_desktop_to_device_with_wrong_extension() {
  : >data.cdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D data.cdb
  expect_output "$BANNER"$'Source file must be a .mdb file with /D2P.\n' "" 0
  run /D2P /D missing.cdb
  expect_output "$BANNER"$'Source file must be a .mdb file with /D2P.\n' "" 0
}

case_desktop_to_device_with_missing_source() {
  register_filters "$(filter_path recording_filter)"
  run /d2p /d Missing.mdb
  expect_output "$BANNER"$'Unable to locate source desktop file: Missing.mdb\n' "" 0
}

case_device_to_desktop_with_wrong_extension() {
  run /P2D /P Orders.mdb
  expect_output "$BANNER"$'Source file must be a .cdb file with /P2D.\n' "" 0
}

case_device_to_desktop_without_desktop_file() {
  run /P2D
  expect_output "$BANNER"$'Destination Desktop file must be specified with /D.\n' "" 0
  run /P2D /P Orders.cdb
  expect_output "$BANNER"$'Destination Desktop file must be specified with /D.\n' "" 0
}

# --- finding the filter --------------------------------------------------------

case_no_filter_registered() {
  : >Orders.MDB
  run /D2P /D Orders.MDB
  expect_output "$BANNER"$'Unable to locate filter for .mdb\n' "" 0
  # The device file's extension is looked up as typed.
  run /P2D /P Orders.CDB /D Orders.mdb
  expect_output "$BANNER"$'Unable to locate filter for .CDB\n' "" 0
  run /P2D /D Orders.mdb
  expect_output "$BANNER"$'Unable to locate filter for .cdb\n' "" 0
}

case_filter_without_library() {
  : >Orders.mdb
  register_filter .mdb DefaultImport "$CLSID_IMPORT"
  run /D2P /D Orders.mdb
  expect_output "$BANNER"$'Unable to locate filter for .mdb  Guid: '"$CLSID_IMPORT"$'\n' "" 0
}

case_filter_for_the_other_direction_only() {
  : >Orders.mdb
  register_filter .mdb DefaultExport "$CLSID_EXPORT"
  register_server "$CLSID_EXPORT" "$(filter_path recording_filter)"
  run /D2P /D Orders.mdb
  expect_output "$BANNER"$'Unable to locate filter for .mdb\n' "" 0
}

case_filter_library_missing() {
  : >Orders.mdb
  local library
  library=$(native_path "$PWD/missing_filter$(library_suffix)")
  register_filters "$library"
  run /D2P /D Orders.mdb
  expect_output "$BANNER"$'Unable to locate filter dll: '"$library"$'\n' "" 0
}

case_filter_library_path_is_taken_literally() {
  : >Orders.mdb
  local quoted
  quoted="\"$(filter_path recording_filter)\""
  register_filters "$quoted"
  run /D2P /D Orders.mdb
  expect_output "$BANNER"$'Unable to locate filter dll: '"$quoted"$'\n' "" 0

  local unexpanded="%MORVASK_FILTERS%\\recording_filter$(library_suffix)"
  registry_lines=() registry_installed=no
  register_filters "$unexpanded"
  MORVASK_FILTERS=$(native_path "$MORVASK_FILTER_DIR") run /D2P /D Orders.mdb
  expect_output "$BANNER"$'Unable to locate filter dll: '"$unexpanded"$'\n' "" 0
  expect_filter_call ""
}

case_filter_library_by_bare_name_is_looked_for_here() {
  : >Orders.mdb
  local name="recording_filter$(library_suffix)"
  register_filters "$name"
  run /D2P /D Orders.mdb
  expect_output "$BANNER"$'Unable to locate filter dll: '"$name"$'\n' "" 0

  cp "$MORVASK_FILTER_DIR/$name" .
  run /D2P /D Orders.mdb
  header_d2p Orders.mdb '' && report 0 && filter_call DESKTOPTODEVICE Orders.mdb '' 0 0 ''
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
}

# --- loading and calling the filter ------------------------------------------

# expect_load_failure LIBRARY-FILE STATUS: registered, the library is found
# but does not load, and the load error is the status.
expect_load_failure() {
  : >Orders.mdb
  local library
  library=$(native_path "$PWD/$1")
  register_filters "$library"
  run /D2P /D Orders.mdb
  header_d2p Orders.mdb '' && report "$2"
  expect_output "$BANNER$HEADER"$'Unable to load filter dll: '"$library"$'\n' "$REPORT" 1
}

case_filter_library_that_cannot_load() {
  printf 'not a library\n' >bad_filter.dll
  # The load error, not success: 0x800700C1 ("not a valid application").
  expect_load_failure bad_filter.dll 0x800700C1
}

case_filter_library_without_export() {
  : >Orders.mdb
  register_filters "$(filter_path exportless_filter)"
  run /D2P /D Orders.mdb
  header_d2p Orders.mdb '' && report 0x8007007F
  expect_output "$BANNER$HEADER" "$REPORT" 1
}

case_desktop_to_device_calls_the_filter() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D Orders.mdb /P '\Orders.cdb' /T Customers /T 'Order Lines' /O
  header_d2p Orders.mdb '\Orders.cdb' && report 0
  filter_call DESKTOPTODEVICE Orders.mdb 'Customers..Order Lines..' 0 1 '\Orders.cdb'
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
}

case_desktop_to_device_without_device_file() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D Orders.mdb /Sy
  header_d2p Orders.mdb '' && report 0 && filter_call DESKTOPTODEVICE Orders.mdb '' 1 0 ''
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
}

case_device_to_desktop_calls_the_filter() {
  register_filters "$(filter_path recording_filter)"
  run /P2D /P '\My Documents\Orders.cdb' /D Copy.mdb /SY /O /T Customers
  header_p2d '\My Documents\Orders.cdb' Copy.mdb && report 0
  filter_call DEVICETODESKTOP Copy.mdb 'Customers..' 1 1 '\My Documents\Orders.cdb'
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
}

case_device_to_desktop_without_device_file() {
  register_filters "$(filter_path recording_filter)"
  run /P2D /D Copy.mdb
  header_p2d '' Copy.mdb && report 0 && filter_call DEVICETODESKTOP Copy.mdb '' 0 0 ''
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
}

case_wildcard_desktop_file_is_handed_on() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D 'Ord*.mdb'
  header_d2p 'Ord*.mdb' '' && report 0 && filter_call DESKTOPTODEVICE 'Ord*.mdb' '' 0 0 ''
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
}

# --- statuses the filter returns ----------------------------------------------

# Each status is handed on unchanged and printed; the exit status is 1.
expect_status_report() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  MORVASK_TEST_STATUS=$1 run /D2P /D Orders.mdb
  header_d2p Orders.mdb '' && report "$1"
  expect_output "$BANNER$HEADER" "$REPORT" 1
}

case_status_success() { expect_status_report 0; }
case_status_one() { expect_status_report 1; }
case_status_negative() { expect_status_report 0x80004005; }
case_status_access_denied() { expect_status_report 0x80070005; }
case_status_cannot_create_database() { expect_status_report 0x800A0F10; }
case_status_ending_in_tab() { expect_status_report 0x800A0D5C; }
case_status_with_insert_marker() { expect_status_report 0x800440D4; }
case_status_without_top_bit() { expect_status_report 0x00040E14; }
case_status_nobody_knows() { expect_status_report 0x7E57C0DE; }

# --- the folder filter -----------------------------------------------------------

# The sample database, as the desktop file NAME.
sample_desktop_file() { cp "$MORVASK_EXAMPLES/Orders.mdb" "$1"; }

case_folder_filter_round_trip() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  run /D2P /D Orders.mdb /P '\Sales\Orders.cdb' /O
  header_d2p Orders.mdb '\Sales\Orders.cdb' && report 0
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file device/Sales/Orders.cdb Orders.mdb

  run /P2D /P '/Sales/Orders.cdb' /D Returned.mdb /SY /O
  header_p2d '/Sales/Orders.cdb' Returned.mdb && report 0
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file Returned.mdb Orders.mdb
  expect_entries device Sales
  expect_entries device/Sales Orders.cdb
}

case_folder_filter_names_the_device_file_after_the_desktop_file() {
  sample_desktop_file Orders.mdb
  mkdir Returned
  register_folder_filter
  run /D2P /D Orders.mdb /O
  header_d2p Orders.mdb '' && report 0
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file device/Orders.cdb Orders.mdb

  run /P2D /D Returned/Orders.mdb /O
  header_p2d '' Returned/Orders.mdb && report 0
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file Returned/Orders.mdb Orders.mdb
}

case_folder_filter_device_folder_of_the_user() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  unset MORVASK_DEVICE_DIR
  header_d2p Orders.mdb '' && report 0
  if is_windows; then
    # Wine sets LOCALAPPDATA itself, to a folder of its prefix.
    local device
    device=$(windows_folder LOCALAPPDATA)/Morvask/device
    rm -rf "$device"
    run /D2P /D Orders.mdb /O
    expect_output "$BANNER$HEADER" "$REPORT" 1
    expect_file "$device/Orders.cdb" Orders.mdb
    rm -rf "$device"
    return
  fi
  XDG_DATA_HOME=$work/data run /D2P /D Orders.mdb /O
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file data/morvask/device/Orders.cdb Orders.mdb
  # Without XDG_DATA_HOME, or with a relative one, the home folder's.
  HOME=$work/home XDG_DATA_HOME=data run /D2P /D Orders.mdb /O
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file home/.local/share/morvask/device/Orders.cdb Orders.mdb
}

case_folder_filter_refuses_to_overwrite() {
  sample_desktop_file Orders.mdb
  sample_desktop_file Original.mdb
  mkdir device
  printf 'kept\n' >device/Orders.cdb
  cp device/Orders.cdb kept.cdb
  register_folder_filter
  run /D2P /D Orders.mdb /P '\Orders.cdb'
  header_d2p Orders.mdb '\Orders.cdb' && report 0x800A0F0C
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file device/Orders.cdb kept.cdb
  expect_entries device Orders.cdb

  run /P2D /P '\Orders.cdb' /D Orders.mdb
  header_p2d '\Orders.cdb' Orders.mdb && report 0x800A0F0C
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file Orders.mdb Original.mdb
}

case_folder_filter_missing_source() {
  register_folder_filter
  run /P2D /P '\Missing.cdb' /D Returned.mdb /O
  header_p2d '\Missing.cdb' Returned.mdb && report 0x800A0F0B
  expect_output "$BANNER$HEADER" "$REPORT" 1
  [ ! -e Returned.mdb ] || fail "a desktop file was made from a missing device file"
}

case_folder_filter_refuses_paths_outside_the_device_folder() {
  sample_desktop_file Orders.mdb
  printf 'outside\n' >Outside.cdb
  register_folder_filter
  local path
  for path in '..\Escaped.cdb' '\Sales\..\..\Escaped.cdb' 'C:\Escaped.cdb' 'C:Escaped.cdb' \
    '\\server\share\Escaped.cdb' '//server/share/Escaped.cdb' '\NUL.cdb' '\Escaped.cdb.' \
    '\CONIN$' '\CONOUT$.cdb' '\a<b.cdb' '\a|b.cdb' '\a?b.cdb' $'\\a\tb.cdb' '\COM¹.cdb'; do
    run /D2P /D Orders.mdb /P "$path" /O
    header_d2p Orders.mdb "$(ansi_text "$path")" && report 0x80070005
    expect_output "$BANNER$HEADER" "$REPORT" 1
  done
  run /P2D /P '..\Outside.cdb' /D Returned.mdb /O
  header_p2d '..\Outside.cdb' Returned.mdb && report 0x80070005
  expect_output "$BANNER$HEADER" "$REPORT" 1
  [ ! -e device ] || fail "the device folder was made for a refused path"
  [ ! -e Returned.mdb ] || fail "a file outside the device folder was read"
  [ -z "$(find "$work" -name 'Escaped*')" ] || fail "a file was written outside the device folder"
  if is_windows; then
    [ ! -e "$WINEPREFIX/drive_c/Escaped.cdb" ] || fail "a file was written to drive C:"
  fi
}

case_folder_filter_refuses_a_table_list() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  run /D2P /D Orders.mdb /P '\Orders.cdb' /T Customers /O
  header_d2p Orders.mdb '\Orders.cdb' && report 0x80004001
  expect_output "$BANNER$HEADER" "$REPORT" 1
  [ ! -e device ] || fail "the folder filter wrote to the device despite the table list"
}

case_folder_filter_failed_copy_leaves_the_destination_untouched() {
  # A folder where a database should be: it opens, but cannot be read.
  mkdir -p device/Broken.cdb Broken.mdb
  printf 'kept\n' >Kept.mdb
  printf 'kept\n' >device/Kept.cdb
  register_folder_filter
  run /P2D /P '\Broken.cdb' /D Kept.mdb /O
  header_p2d '\Broken.cdb' Kept.mdb && report 0x80070005
  expect_output "$BANNER$HEADER" "$REPORT" 1
  printf 'kept\n' >expected.kept
  expect_file Kept.mdb expected.kept

  run /D2P /D Broken.mdb /P '\Kept.cdb' /O
  header_d2p Broken.mdb '\Kept.cdb' && report 0x80070005
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file device/Kept.cdb expected.kept
  expect_entries device Broken.cdb Kept.cdb
  [ -z "$(find "$work" -name '*.tmp')" ] || fail "a partial copy was left behind"
}

case_folder_filter_leaves_nothing_behind() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  # Copies that earlier runs left under a name, old and new: none is taken
  # for the destination, and all go once their writer is gone.
  mkdir device
  local n
  for n in $(seq 0 999); do : >"device/.morvask-4242-$n.tmp"; done
  : >device/.morvask-1-abc.tmp
  run /D2P /D Orders.mdb /P '\Orders.cdb' /O
  header_d2p Orders.mdb '\Orders.cdb' && report 0
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file device/Orders.cdb Orders.mdb
  expect_entries device Orders.cdb

  # Folders a failed run made are removed again; so is the device folder.
  rm -rf device
  local long
  long=$(x_name 5000)
  run /D2P /D Orders.mdb /P "\\Sales\\2026\\$long.cdb" /O
  header_d2p Orders.mdb "\\Sales\\2026\\$long.cdb" && report 0x800700CE
  expect_output "$BANNER$HEADER" "$REPORT" 1
  [ ! -e device ] || fail "the folders of a failed run stay: $(find device | head)"
}

# --- the folder filter as a closed box, on Linux ----------------------------------

# A tree outside the device folder that no run may change, and its checksum.
make_sentinel_tree() {
  mkdir -p outside/inner
  printf 'victim\n' >outside/victim
  printf 'secret\n' >outside/secret
  printf 'inner\n' >outside/inner/file
  printf 'secret\n' >outside/Secret.cdb
}
sentinel_sum() { (cd outside && find . -printf '%p %y %s %m %T@\n' | sort && cat victim secret inner/file Secret.cdb) | sha256sum; }

case_linux_folder_filter_refuses_links_in_the_device_folder() {
  sample_desktop_file Good.mdb
  make_sentinel_tree
  local before
  before=$(sentinel_sum)
  mkdir device
  ln -s "$work/outside" device/Dir
  ln -s "$work/outside/secret" device/pw.cdb
  register_folder_filter
  local path
  for path in '\Dir\victim' '\Dir\new\Orders.cdb' '\pw.cdb'; do
    for overwrite in /O ''; do
      run /D2P /D Good.mdb /P "$path" $overwrite
      header_d2p Good.mdb "$path" && report 0x80070005
      expect_output "$BANNER$HEADER" "$REPORT" 1
    done
  done
  for path in '\pw.cdb' '\Dir\Secret.cdb'; do
    run /P2D /P "$path" /D pw.mdb /O
    header_p2d "$path" pw.mdb && report 0x80070005
    expect_output "$BANNER$HEADER" "$REPORT" 1
  done
  [ ! -e pw.mdb ] || fail "a file outside the device folder was read through a link"
  [ "$(sentinel_sum)" = "$before" ] || fail "the tree outside the device folder changed"
  expect_entries device Dir pw.cdb
  [ "$(readlink device/pw.cdb)" = "$work/outside/secret" ] || fail "the link in the device folder changed"

  # The device folder itself may be a link: it is the user's own path.
  mkdir real-device
  ln -s "$work/real-device" linked-device
  MORVASK_DEVICE_DIR=$work/linked-device run /D2P /D Good.mdb /P '\Sales\Good.cdb' /O
  header_d2p Good.mdb '\Sales\Good.cdb' && report 0
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file real-device/Sales/Good.cdb Good.mdb
}

case_linux_folder_filter_copies_regular_files_only() {
  mkfifo pipe.mdb
  ln -s /dev/zero zero.mdb
  mkdir device
  mkfifo device/pipe.cdb
  register_folder_filter
  local source
  for source in pipe.mdb zero.mdb; do
    run /D2P /D "$source" /P '\Copy.cdb' /O
    header_d2p "$source" '\Copy.cdb' && report 0x80070005
    expect_output "$BANNER$HEADER" "$REPORT" 1
  done
  run /P2D /P '\pipe.cdb' /D Copy.mdb /O
  header_p2d '\pipe.cdb' Copy.mdb && report 0x80070005
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_entries device pipe.cdb
  [ ! -e Copy.mdb ] || fail "a desktop file was made from a FIFO"
}

case_linux_folder_filter_fails_on_a_source_that_changes() {
  head -c $((32 * 1024 * 1024)) /dev/urandom >Growing.mdb
  mkdir device
  printf 'kept\n' >device/Growing.cdb
  cp device/Growing.cdb expected.kept
  register_folder_filter
  # A writer that appends to the source for as long as the runs last.
  (while [ ! -e stop ]; do printf x >>Growing.mdb; done) &
  local writer=$!
  run /D2P /D Growing.mdb /P '\Growing.cdb' /O
  : >stop
  wait "$writer"
  header_d2p Growing.mdb '\Growing.cdb' && report 0x80070020
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file device/Growing.cdb expected.kept
  expect_entries device Growing.cdb
}

case_linux_folder_filter_keeps_private_files_private() {
  sample_desktop_file Private.mdb
  chmod 600 Private.mdb
  register_folder_filter
  umask 022
  run /D2P /D Private.mdb /P '\Private.cdb' /O
  header_d2p Private.mdb '\Private.cdb' && report 0
  expect_output "$BANNER$HEADER" "$REPORT" 1
  [ "$(stat -c %a device/Private.cdb)" = 600 ] || fail "a private file's copy is mode $(stat -c %a device/Private.cdb)"

  # A new file gets the source's bits less the umask, as cp gives it.
  sample_desktop_file Shared.mdb
  chmod 666 Shared.mdb
  umask 027
  run /D2P /D Shared.mdb /P '\Shared.cdb' /O
  [ "$(stat -c %a device/Shared.cdb)" = 640 ] || fail "a new copy is mode $(stat -c %a device/Shared.cdb), not 640"

  # A file replaced with /O keeps its bits, and its owner where the process may set it.
  printf 'theirs\n' >Theirs.mdb
  chmod 640 Theirs.mdb
  local owner
  owner=$(id -u)
  if [ "$owner" = 0 ]; then
    chown nobody:nogroup Theirs.mdb
    owner=nobody:nogroup
  else
    owner=$(id -un):$(id -gn)
  fi
  run /P2D /P '\Private.cdb' /D Theirs.mdb /O
  header_p2d '\Private.cdb' Theirs.mdb && report 0
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file Theirs.mdb Private.mdb
  [ "$(stat -c %a Theirs.mdb)" = 640 ] || fail "a replaced file is mode $(stat -c %a Theirs.mdb), not 640"
  [ "$(stat -c %U:%G Theirs.mdb)" = "$owner" ] || fail "a replaced file is owned by $(stat -c %U:%G Theirs.mdb), not $owner"
}

case_linux_folder_filter_leaves_nothing_behind() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  install_registry

  # A run killed during a large copy.
  truncate -s 2G Large.mdb
  mkdir device
  "$MORVASK_PROGRAM" /D2P /D Large.mdb /P '\Large.cdb' >/dev/null 2>&1 &
  local killed=$!
  sleep 0.3
  kill -9 "$killed"
  wait "$killed" 2>/dev/null
  expect_entries device

  # A copy whose writer still holds it stays.
  : >device/.morvask-held.tmp
  exec {held}<device/.morvask-held.tmp
  flock -x "$held"
  run /D2P /D Orders.mdb /P '\Orders.cdb' /O
  header_d2p Orders.mdb '\Orders.cdb' && report 0
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_entries device Orders.cdb .morvask-held.tmp
  exec {held}<&-
}

# --- the folder filter's own registration, on Windows ---------------------------

# regsvr32 ARGUMENT...: registers or, with /u, unregisters the folder filter.
regsvr32() {
  wine_tool "$MORVASK_WINE" regsvr32 /s "$@" "$(native_path "$MORVASK_FOLDER_FILTER")" >/dev/null 2>&1
}

# registered KEY VALUE prints the value's data, or nothing; "" is the
# default value.
registered() {
  local which=(/v "$2")
  [ -z "$2" ] && which=(/ve)
  reg query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *${2:-(Default)} *REG_SZ *//p"
}

expect_registered() {  # expect_registered KEY VALUE DATA
  local data
  data=$(registered "$1" "$2")
  [ "$data" = "$3" ] || fail "$1 $2 holds [$data], expected [$3]"
}

case_windows_folder_filter_registers_itself() {
  install_registry
  regsvr32 || fail "regsvr32 failed"
  expect_registered "$FILTERS_KEY\\.mdb" DefaultImport "$CLSID_FOLDER"
  expect_registered "$FILTERS_KEY\\.cdb" DefaultExport "$CLSID_FOLDER"
  expect_registered "$CLASSES_KEY\\$CLSID_FOLDER\\InProcServer32" "" \
    "$(native_path "$MORVASK_FOLDER_FILTER")"

  sample_desktop_file Orders.mdb
  run /D2P /D Orders.mdb /P '\Orders.cdb' /O
  header_d2p Orders.mdb '\Orders.cdb' && report 0
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_file device/Orders.cdb Orders.mdb

  regsvr32 /u || fail "regsvr32 /u failed"
  expect_registered "$FILTERS_KEY\\.mdb" DefaultImport ""
  expect_registered "$FILTERS_KEY\\.cdb" DefaultExport ""
  reg query "$CLASSES_KEY\\$CLSID_FOLDER" >/dev/null 2>&1 && fail "the filter's class is left"
}

case_windows_folder_filter_leaves_other_filters_alone() {
  register_filter .cdb DefaultExport "$CLSID_EXPORT"
  install_registry
  regsvr32 && fail "regsvr32 replaced another filter"
  expect_registered "$FILTERS_KEY\\.cdb" DefaultExport "$CLSID_EXPORT"
  expect_registered "$FILTERS_KEY\\.mdb" DefaultImport ""
  reg query "$CLASSES_KEY\\$CLSID_FOLDER" >/dev/null 2>&1 && fail "a class was registered"

  # Unregistering takes away only what names the folder filter.
  reg delete "$FILTERS_KEY\\.cdb" /f >/dev/null 2>&1
  regsvr32 || fail "regsvr32 failed"
  reg add "$FILTERS_KEY\\.cdb" /v DefaultExport /d "$CLSID_EXPORT" /f >/dev/null 2>&1
  regsvr32 /u || fail "regsvr32 /u failed"
  expect_registered "$FILTERS_KEY\\.cdb" DefaultExport "$CLSID_EXPORT"
  expect_registered "$FILTERS_KEY\\.mdb" DefaultImport ""
}

# --- bad input: arguments ----------------------------------------------------------

# A name of COUNT bytes of x.
x_name() { head -c "$1" /dev/zero | tr '\0' x; }

# The longest single argument the system passes: 131,071 bytes on Linux
# (1 MiB is tried on the parser itself), and on Windows a whole command line
# holds at most 32,767 characters.
case_longest_argument_the_system_passes() {
  local name
  if is_windows; then name=$(x_name 32000).mdb; else name=$(x_name 131067).mdb; fi
  run /D2P /D "$name"
  expect_output "$BANNER"'Unable to locate source desktop file: '"$name"$'\n' "" 0
}

# As many tables as the command line holds: 20,000 on Linux, 3,000 within
# the Windows limit.
case_thousands_of_tables() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  local count=20000 arguments=() list='' i
  is_windows && count=3000
  for ((i = 0; i < count; i++)); do
    arguments+=(/T "t$i")
    list+="t$i.."
  done
  run /D2P /D Orders.mdb "${arguments[@]}"
  header_d2p Orders.mdb '' && report 0 && filter_call DESKTOPTODEVICE Orders.mdb "$list" 0 0 ''
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
}

# Bytes 0x80 to 0xFF reach the program unchanged only where arguments are
# bytes; Windows converts them through its code pages first.
case_linux_high_bytes_in_arguments() {
  local high='' byte
  for byte in $(seq 128 255); do high+=$(printf "\\x$(printf %x "$byte")"); done
  register_filters "$(filter_path recording_filter)"
  run /D2P /D "$high.mdb" /P "$high"
  expect_output "$BANNER"'Unable to locate source desktop file: '"$high.mdb"$'\n' "" 0
  : >"$high.mdb"
  run /D2P /D "$high.mdb" /P "$high" /T "$high"
  header_d2p "$high.mdb" "$high" && report 0
  filter_call DESKTOPTODEVICE "$high.mdb" "$high.." 0 0 "$high"
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
}

case_empty_argument_after_each_value_option() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D ''
  expect_output "$BANNER"$'Source Desktop file must be specified with /D.\n' "" 0
  run /P2D /P '' /D ''
  expect_output "$BANNER"$'Destination Desktop file must be specified with /D.\n' "" 0
  run /D2P /D Orders.mdb /P '' /T ''
  header_d2p Orders.mdb '' && report 0 && filter_call DESKTOPTODEVICE Orders.mdb '..' 0 0 ''
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
}

# Morvask tests that a source exists, not what it is: a folder is handed on.
case_files_that_are_folders() {
  mkdir Folder.mdb Out
  register_filters "$(filter_path recording_filter)"
  run /D2P /D Folder.mdb /P Out
  header_d2p Folder.mdb Out && report 0 && filter_call DESKTOPTODEVICE Folder.mdb '' 0 0 Out
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
}

case_files_that_are_devices() {
  local devices=(/dev/null /dev/zero)
  is_windows && devices=(NUL CON)
  local device
  for device in "${devices[@]}"; do
    run /D2P /D "$device"
    expect_output "$BANNER"$'Source file must be a .mdb file with /D2P.\n' "" 0
    run /P2D /P "$device" /D Orders.mdb
    expect_output "$BANNER"$'Source file must be a .cdb file with /P2D.\n' "" 0
  done
}

# A path of more than 300 bytes: Linux finds the file; Windows programs that
# use the A calls cannot name a path longer than MAX_PATH (260).
case_paths_longer_than_300_bytes() {
  local folder path
  folder=$(x_name 100)/$(x_name 100)/$(x_name 100)
  path=$folder/Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D "$path"
  expect_output "$BANNER"'Unable to locate source desktop file: '"$path"$'\n' "" 0
  # The device file is the filter's to find: it is handed on as it is.
  run /P2D /P "$folder/Orders.cdb" /D Out.mdb
  header_p2d "$folder/Orders.cdb" Out.mdb && report 0
  filter_call DEVICETODESKTOP Out.mdb '' 0 0 "$folder/Orders.cdb"
  expect_output "$BANNER$HEADER" "$REPORT" 1
  expect_filter_call "$CALL"
  rm -f filter-call.txt

  mkdir -p "$folder" && : >"$path"
  run /D2P /D "$path"
  if is_windows; then
    expect_output "$BANNER"'Unable to locate source desktop file: '"$path"$'\n' "" 0
  else
    header_d2p "$path" '' && report 0 && filter_call DESKTOPTODEVICE "$path" '' 0 0 ''
    expect_output "$BANNER$HEADER" "$REPORT" 1
    expect_filter_call "$CALL"
  fi
}

# --- bad input: filter libraries -----------------------------------------------

case_filter_library_that_is_a_folder() {
  mkdir "folder$(library_suffix)"
  if is_windows; then
    expect_load_failure "folder$(library_suffix)" 0x80070005
  else
    expect_load_failure "folder$(library_suffix)" 0x800700C1
  fi
}

case_filter_library_that_is_empty() {
  : >"empty$(library_suffix)"
  expect_load_failure "empty$(library_suffix)" 0x800700C1
}

# The recording filter with its machine changed to the other architecture:
# x86 for x86-64 and back, or an ELF of the other class.
# A filter whose own library is missing: 0x8007007E, as Windows reports it.
case_filter_library_missing_its_own_library() {
  cp "$MORVASK_FILTER_DIR/dependent_filter$(library_suffix)" .
  expect_load_failure "dependent_filter$(library_suffix)" 0x8007007E
}

case_filter_library_for_another_machine() {
  local library="other_machine$(library_suffix)"
  cp "$MORVASK_FILTER_DIR/recording_filter$(library_suffix)" "$library"
  if is_windows; then
    local pe machine=$'\x64\x86'
    pe=$(od -An -tu4 -j60 -N4 "$library" | tr -d ' ')
    [ "$MORVASK_TARGET" = win64 ] && machine=$'\x4c\x01'
    printf '%s' "$machine" | dd of="$library" bs=1 seek=$((pe + 4)) conv=notrunc status=none
  else
    printf '\x01' | dd of="$library" bs=1 seek=4 conv=notrunc status=none
  fi
  expect_load_failure "$library" 0x800700C1
}

case_status_largest_positive() { expect_status_report 0x7FFFFFFF; }
case_status_smallest_negative() { expect_status_report 0x80000000; }
case_status_every_bit() { expect_status_report 0xFFFFFFFF; }
