# Finding the filter registered for the source file's type, and its library.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

case_no_filter_registered() {
  : >Orders.MDB
  run /D2P /D Orders.MDB
  expect_stopped 'Unable to locate filter for .mdb'
  # The device file's extension is looked up as typed.
  run /P2D /P Orders.CDB /D Orders.mdb
  expect_stopped 'Unable to locate filter for .CDB'
  run /P2D /D Orders.mdb
  expect_stopped 'Unable to locate filter for .cdb'
}

case_filter_without_library() {
  : >Orders.mdb
  register_filter .mdb DefaultImport "$CLSID_IMPORT"
  run /D2P /D Orders.mdb
  expect_stopped "Unable to locate filter for .mdb  Guid: $CLSID_IMPORT"
}

case_filter_for_the_other_direction_only() {
  : >Orders.mdb
  register_filter .mdb DefaultExport "$CLSID_EXPORT"
  register_server "$CLSID_EXPORT" "$(filter_path recording_filter)"
  run /D2P /D Orders.mdb
  expect_stopped 'Unable to locate filter for .mdb'
}

case_filter_library_missing() {
  : >Orders.mdb
  local library
  library=$(native_path "$PWD/missing_filter$(library_suffix)")
  register_filters "$library"
  run /D2P /D Orders.mdb
  expect_stopped "Unable to locate filter dll: $library"
}

case_filter_library_path_is_taken_literally() {
  : >Orders.mdb
  local quoted
  quoted="\"$(filter_path recording_filter)\""
  register_filters "$quoted"
  run /D2P /D Orders.mdb
  expect_stopped "Unable to locate filter dll: $quoted"

  local unexpanded
  unexpanded="%MORVASK_FILTERS%\\recording_filter$(library_suffix)"
  registry_lines=() registry_installed=no
  register_filters "$unexpanded"
  MORVASK_FILTERS=$(native_path "$MORVASK_FILTER_DIR") run /D2P /D Orders.mdb
  expect_stopped "Unable to locate filter dll: $unexpanded"
  expect_no_filter_call
}

case_filter_library_by_bare_name_is_looked_for_here() {
  : >Orders.mdb
  local name
  name="recording_filter$(library_suffix)"
  register_filters "$name"
  run /D2P /D Orders.mdb
  expect_stopped "Unable to locate filter dll: $name"

  cp "$MORVASK_FILTER_DIR/$name" .
  run /D2P /D Orders.mdb
  expect_report d2p Orders.mdb '' 0
  expect_filter_call DESKTOPTODEVICE Orders.mdb '' 0 0 ''
}
