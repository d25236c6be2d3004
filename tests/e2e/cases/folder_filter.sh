# The folder filter, on every target: a folder of this computer stands in
# for the device. The round trip, each refusal, and what a failed copy leaves.
# shellcheck shell=bash

case_folder_filter_round_trip() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  run /D2P /D Orders.mdb /P '\Sales\Orders.cdb' /O
  expect_report d2p Orders.mdb '\Sales\Orders.cdb' 0
  expect_file device/Sales/Orders.cdb Orders.mdb

  run /P2D /P '/Sales/Orders.cdb' /D Returned.mdb /SY /O
  expect_report p2d '/Sales/Orders.cdb' Returned.mdb 0
  expect_file Returned.mdb Orders.mdb
  expect_entries device Sales
  expect_entries device/Sales Orders.cdb
}

case_folder_filter_names_the_device_file_after_the_desktop_file() {
  sample_desktop_file Orders.mdb
  mkdir Returned
  register_folder_filter
  run /D2P /D Orders.mdb /O
  expect_report d2p Orders.mdb '' 0
  expect_file device/Orders.cdb Orders.mdb

  run /P2D /D Returned/Orders.mdb /O
  expect_report p2d '' Returned/Orders.mdb 0
  expect_file Returned/Orders.mdb Orders.mdb
}

case_folder_filter_device_folder_of_the_user() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  unset MORVASK_DEVICE_DIR
  if is_windows; then
    # Wine sets LOCALAPPDATA itself, to a folder of its prefix.
    local device
    device=$(windows_folder LOCALAPPDATA)/Morvask/device
    rm -rf "$device"
    run /D2P /D Orders.mdb /O
    expect_report d2p Orders.mdb '' 0
    expect_file "$device/Orders.cdb" Orders.mdb
    rm -rf "$device"
    return
  fi
  XDG_DATA_HOME=$work/data run /D2P /D Orders.mdb /O
  expect_report d2p Orders.mdb '' 0
  expect_file data/morvask/device/Orders.cdb Orders.mdb
  # Without XDG_DATA_HOME, or with a relative one, the home folder's.
  HOME=$work/home XDG_DATA_HOME=data run /D2P /D Orders.mdb /O
  expect_report d2p Orders.mdb '' 0
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
  expect_report d2p Orders.mdb '\Orders.cdb' 0x800A0F0C
  expect_file device/Orders.cdb kept.cdb
  expect_entries device Orders.cdb

  run /P2D /P '\Orders.cdb' /D Orders.mdb
  expect_report p2d '\Orders.cdb' Orders.mdb 0x800A0F0C
  expect_file Orders.mdb Original.mdb
}

case_folder_filter_missing_source() {
  register_folder_filter
  run /P2D /P '\Missing.cdb' /D Returned.mdb /O
  expect_report p2d '\Missing.cdb' Returned.mdb 0x800A0F0B
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
    expect_report d2p Orders.mdb "$(ansi_text "$path")" 0x80070005
  done
  run /P2D /P '..\Outside.cdb' /D Returned.mdb /O
  expect_report p2d '..\Outside.cdb' Returned.mdb 0x80070005
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
  expect_report d2p Orders.mdb '\Orders.cdb' 0x80004001
  [ ! -e device ] || fail "the folder filter wrote to the device despite the table list"
}

case_folder_filter_failed_copy_leaves_the_destination_untouched() {
  # A folder where a database should be: it opens, but cannot be read.
  mkdir -p device/Broken.cdb Broken.mdb
  printf 'kept\n' >Kept.mdb
  printf 'kept\n' >device/Kept.cdb
  register_folder_filter
  run /P2D /P '\Broken.cdb' /D Kept.mdb /O
  expect_report p2d '\Broken.cdb' Kept.mdb 0x80070005
  printf 'kept\n' >expected.kept
  expect_file Kept.mdb expected.kept

  run /D2P /D Broken.mdb /P '\Kept.cdb' /O
  expect_report d2p Broken.mdb '\Kept.cdb' 0x80070005
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
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  expect_file device/Orders.cdb Orders.mdb
  expect_entries device Orders.cdb

  # Folders a failed run made are removed again; so is the device folder.
  rm -rf device
  local long
  long=$(x_name 5000)
  run /D2P /D Orders.mdb /P "\\Sales\\2026\\$long.cdb" /O
  expect_report d2p Orders.mdb "\\Sales\\2026\\$long.cdb" 0x800700CE
  [ ! -e device ] || fail "the folders of a failed run stay: $(find device | head)"
}
