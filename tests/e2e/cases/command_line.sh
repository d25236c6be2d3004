# The command line: the usage text, and runs without a direction.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

case_no_arguments() {
  run
  expect_usage 0
}

case_usage_asked_for() {
  run /?
  expect_usage 1
}

case_usage_asked_for_after_a_transfer() {
  : >a.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D a.mdb /?
  expect_usage 1
  expect_no_filter_call
}

case_no_direction() {
  run /O /Sy /T Orders /D a.mdb /P a.cdb
  expect_no_mode
}

case_no_direction_when_options_are_values() {
  run /D /P2D
  expect_no_mode
  run /D /?
  expect_no_mode
}

case_no_direction_from_lookalike_options() {
  run -D2P /D2P: D2P /D2PX
  expect_no_mode
}
