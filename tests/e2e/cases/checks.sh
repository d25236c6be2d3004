# The checks a run makes before it looks for a filter.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

case_desktop_to_device_without_desktop_file() {
  register_filters "$(filter_path recording_filter)"
  run /D2P /P Orders.cdb
  expect_stopped 'Source Desktop file must be specified with /D.'
  expect_no_filter_call
}

case_desktop_to_device_with_wrong_extension() {
  : >data.cdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D data.cdb
  expect_stopped 'Source file must be a .mdb file with /D2P.'
  run /D2P /D missing.cdb
  expect_stopped 'Source file must be a .mdb file with /D2P.'
}

case_desktop_to_device_with_missing_source() {
  register_filters "$(filter_path recording_filter)"
  run /d2p /d Missing.mdb
  expect_stopped 'Unable to locate source desktop file: Missing.mdb'
}

case_device_to_desktop_with_wrong_extension() {
  run /P2D /P Orders.mdb
  expect_stopped 'Source file must be a .cdb file with /P2D.'
}

case_device_to_desktop_without_desktop_file() {
  run /P2D
  expect_stopped 'Destination Desktop file must be specified with /D.'
  run /P2D /P Orders.cdb
  expect_stopped 'Destination Desktop file must be specified with /D.'
}
