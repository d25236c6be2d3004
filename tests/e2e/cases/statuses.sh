# Each status a filter returns is handed on unchanged and printed: the
# system's text, or the built-in one; the exit status is 1.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

expect_status_report() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  MORVASK_TEST_STATUS=$1 run /D2P /D Orders.mdb
  expect_report d2p Orders.mdb '' "$1"
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
case_status_largest_positive() { expect_status_report 0x7FFFFFFF; }
case_status_smallest_negative() { expect_status_report 0x80000000; }
case_status_every_bit() { expect_status_report 0xFFFFFFFF; }
