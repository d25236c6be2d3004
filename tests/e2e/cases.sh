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
