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

case_filter_library_that_cannot_load() {
  : >Orders.mdb
  printf 'not a library\n' >bad_filter.dll
  local library
  library=$(native_path "$PWD/bad_filter.dll")
  register_filters "$library"
  run /D2P /D Orders.mdb /P Orders.cdb
  # The load error, not success: 0x800700C1 ("not a valid application").
  header_d2p Orders.mdb Orders.cdb && report 0x800700C1
  expect_output "$BANNER$HEADER"$'Unable to load filter dll: '"$library"$'\n' "$REPORT" 1
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
    '\\server\share\Escaped.cdb' '//server/share/Escaped.cdb' '\NUL.cdb' '\Escaped.cdb.'; do
    run /D2P /D Orders.mdb /P "$path" /O
    header_d2p Orders.mdb "$path" && report 0x80070005
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

# --- the folder filter's own registration, on Windows ---------------------------

# regsvr32 ARGUMENT...: registers or, with /u, unregisters the folder filter.
regsvr32() {
  "$MORVASK_WINE" regsvr32 /s "$@" "$(native_path "$MORVASK_FOLDER_FILTER")" >/dev/null 2>&1
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
