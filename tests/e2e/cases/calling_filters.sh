# Loading the filter library and calling its export, and libraries that
# cannot be loaded or called.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

# expect_load_failure LIBRARY-FILE STATUS: registered, the library is found
# but does not load, and the load error is the status.
expect_load_failure() {
  : >Orders.mdb
  local library
  library=$(native_path "$PWD/$1")
  register_filters "$library"
  run /D2P /D Orders.mdb
  expect_report d2p Orders.mdb '' "$2" "Unable to load filter dll: $library"
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
  expect_report d2p Orders.mdb '' 0x8007007F
}

case_desktop_to_device_calls_the_filter() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D Orders.mdb /P '\Orders.cdb' /T Customers /T 'Order Lines' /O
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  expect_filter_call DESKTOPTODEVICE Orders.mdb 'Customers..Order Lines..' 0 1 '\Orders.cdb'
}

case_desktop_to_device_without_device_file() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D Orders.mdb /Sy
  expect_report d2p Orders.mdb '' 0
  expect_filter_call DESKTOPTODEVICE Orders.mdb '' 1 0 ''
}

case_device_to_desktop_calls_the_filter() {
  register_filters "$(filter_path recording_filter)"
  run /P2D /P '\My Documents\Orders.cdb' /D Copy.mdb /SY /O /T Customers
  expect_report p2d '\My Documents\Orders.cdb' Copy.mdb 0
  expect_filter_call DEVICETODESKTOP Copy.mdb 'Customers..' 1 1 '\My Documents\Orders.cdb'
}

case_device_to_desktop_without_device_file() {
  register_filters "$(filter_path recording_filter)"
  run /P2D /D Copy.mdb
  expect_report p2d '' Copy.mdb 0
  expect_filter_call DEVICETODESKTOP Copy.mdb '' 0 0 ''
}

case_wildcard_desktop_file_is_handed_on() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D 'Ord*.mdb'
  expect_report d2p 'Ord*.mdb' '' 0
  expect_filter_call DESKTOPTODEVICE 'Ord*.mdb' '' 0 0 ''
}

# --- filter libraries that are not what they should be ---------------------

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

# A filter whose own library is missing: 0x8007007E, as Windows reports it.
case_filter_library_missing_its_own_library() {
  cp "$MORVASK_FILTER_DIR/dependent_filter$(library_suffix)" .
  expect_load_failure "dependent_filter$(library_suffix)" 0x8007007E
}

# The recording filter with its machine changed to the other architecture:
# x86 for x86-64 and back, or an ELF of the other class.
case_filter_library_for_another_machine() {
  local library
  library="other_machine$(library_suffix)"
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
