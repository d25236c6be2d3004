# The folder filter's files on Windows: files another program holds open,
# the longest paths Windows takes, and where the device folder is when no
# setting names it.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

# hold FILE: another program holds FILE open, shared with no one, until
# release.
hold() {
  : >release.signal
  open_events "$work/holder.events"
  "$MORVASK_WINE" "$MORVASK_HOLD_FILE" "$1" holder.events release.signal &
  HOLDER=$!
  wait_for held >/dev/null || fail "$1 could not be held open"
}
release() {
  rm -f release.signal
  wait "$HOLDER"
}

case_windows_folder_filter_leaves_nothing_when_a_file_is_held() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  run /D2P /D Orders.mdb /P '\Orders.cdb'
  printf 'kept\n' >Kept.mdb
  cp Kept.mdb expected.kept

  hold 'device\Orders.cdb'
  run /D2P /D Kept.mdb /P '\Orders.cdb' /O
  release
  expect_report d2p Kept.mdb '\Orders.cdb' 0x80070005
  expect_file device/Orders.cdb Orders.mdb
  expect_entries device Orders.cdb

  hold Kept.mdb
  run /P2D /P '\Orders.cdb' /D Kept.mdb /O
  release
  expect_report p2d '\Orders.cdb' Kept.mdb 0x80070005
  expect_file Kept.mdb expected.kept
  [ -z "$(find . -name '*.tmp')" ] || fail "a copy was left behind: $(find . -name '*.tmp')"
}

case_windows_folder_filter_takes_every_path_windows_takes() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  # A folder whose name makes the file's full path LENGTH characters long,
  # up to 259, the most Windows takes.
  local device length folder
  device=$(native_path "$work/device")
  for length in 241 250 259; do
    folder=$(head -c $((length - ${#device} - 12)) /dev/zero | tr '\0' f)
    run /D2P /D Orders.mdb /P "\\$folder\\Orders.cdb"
    expect_report d2p Orders.mdb "\\$folder\\Orders.cdb" 0
    expect_file "device/$folder/Orders.cdb" Orders.mdb
    expect_entries "device/$folder" Orders.cdb
  done
}

case_windows_folder_filter_finds_its_device_folder() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  install_registry
  unset MORVASK_DEVICE_DIR
  local device
  device=$(windows_folder LOCALAPPDATA)/Morvask/device
  rm -rf "$device"
  # Windows XP has no LOCALAPPDATA variable: the shell tells the folder.
  wine_run run.out run.err run.order "$MORVASK_WINE" "$(system_tool cmd)" /c \
    "set LOCALAPPDATA=&& $(native_path "$MORVASK_PROGRAM") /D2P /D Orders.mdb /O"
  RUN_STATUS=$?
  expect_report d2p Orders.mdb '' 0
  expect_file "$device/Orders.cdb" Orders.mdb
  rm -rf "$device"

  # A setting too long for a Windows path is an error, never a reason to
  # copy elsewhere.
  MORVASK_DEVICE_DIR=$(native_path "$work/$(x_name 1040)") run /D2P /D Orders.mdb /O
  expect_report d2p Orders.mdb '' 0x800700CE
  [ ! -e "$device" ] || fail "the copy went to the default device folder"
}
