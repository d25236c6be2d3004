# The folder filter, on every target: a folder of this computer stands in
# for the device. The round trip, each refusal, links in the device folder
# and on the desktop, files it did not make, and what a failed copy leaves.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

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

  # Nor, with /O, over the file itself, under one name or two (a hard link),
  # as cp and copy refuse: the copy would lose it.
  printf 'same\n' >Same.cdb
  cp Same.cdb same.kept
  MORVASK_DEVICE_DIR=$(native_path "$work") run /P2D /P '\Same.cdb' /D Same.cdb /O
  expect_report p2d '\Same.cdb' Same.cdb 0x80070005
  ln Orders.mdb device/Hard.cdb
  run /D2P /D Orders.mdb /P '\Hard.cdb' /O
  expect_report d2p Orders.mdb '\Hard.cdb' 0x80070005
  expect_file Same.cdb same.kept
  [ "$(stat -c %h Orders.mdb)" = 2 ] || fail "the hard link was split"

  # A file replaced keeps its permissions: under Wine, its Unix mode, which
  # setting an access list would widen.
  chmod 644 device/Orders.cdb
  run /D2P /D Original.mdb /P '\Orders.cdb' /O
  expect_report d2p Original.mdb '\Orders.cdb' 0
  [ "$(stat -c %a device/Orders.cdb)" = 644 ] || fail "a replaced file is mode $(stat -c %a device/Orders.cdb)"
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
  # A file where a device folder should be: no such path, and it stays.
  mkdir device && printf 'a file\n' >device/Sub
  run /D2P /D Orders.mdb /P '\Sub\Orders.cdb'
  expect_report d2p Orders.mdb '\Sub\Orders.cdb' 0x80070003
  expect_entries device Sub
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

  # A full disk, the device folder on another file system than the desktop
  # file's: told as such, and nothing left.
  [ "$(id -u)" = 0 ] || return 0
  mkdir full
  # A size no write of the copy ends at: the last one that fits is short.
  mount -t tmpfs -o size=1536k tmpfs full || return 0
  head -c $((4 << 20)) /dev/zero >Large.mdb
  MORVASK_DEVICE_DIR=$(native_path "$work/full") run /D2P /D Large.mdb /P '\Large.cdb'
  expect_report d2p Large.mdb '\Large.cdb' 0x80070070
  expect_entries full
  umount full
}

case_folder_filter_leaves_nothing_behind() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  # Copies that earlier runs left under a name, old and new: none is taken
  # for the destination, and all go once their writer is gone.
  mkdir device
  local n
  for n in $(seq 0 999); do : >"device/$(copy_name 4242 "$n")"; done
  : >"device/$(copy_name 1 abc)"
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

case_folder_filter_keeps_files_it_did_not_make() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  # Files of the user's with names much like a copy's, in the device
  # folder and in the desktop folder of a copy back, and a copy the other
  # build left, whose run only that build can tell gone. A copy that a run
  # left behind, under a name of exactly the form the program makes, goes.
  local users=(.morvask-notes.tmp .MORVASK-Notes.TMP .morvask-0ff-1.tmp .morvask-1-2.tmp.bak
    .MORVASK-FFFFFFF1-1.TMP "$(other_copy_name fffffff0 1)") name folder
  mkdir device desktop
  for folder in device desktop; do
    for name in "${users[@]}"; do printf 'the user'\''s\n' >"$folder/$name"; done
    : >"$folder/$(copy_name fffffff0 1)"
  done
  printf 'the user'\''s\n' >users.kept
  run /D2P /D Orders.mdb /P '\Orders.cdb' /O
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  run /P2D /P '\Orders.cdb' /D desktop/Orders.mdb /O
  expect_report p2d '\Orders.cdb' desktop/Orders.mdb 0
  for folder in device desktop; do
    for name in "${users[@]}"; do expect_file "$folder/$name" users.kept; done
  done
  expect_entries device "${users[@]}" Orders.cdb
  expect_entries desktop "${users[@]}" Orders.mdb
}

case_folder_filter_writes_through_a_desktop_link() {
  sample_desktop_file Orders.mdb
  mkdir real
  printf 'old\n' >real/Old.mdb
  ln -s real/Old.mdb Link.mdb
  register_folder_filter
  run /D2P /D Orders.mdb /P '\Orders.cdb'
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  # As cp does: the new content lands in the file the link leads to, and
  # the link stays; the copy is made beside that file.
  run /P2D /P '\Orders.cdb' /D Link.mdb /O
  expect_report p2d '\Orders.cdb' Link.mdb 0
  [ -L Link.mdb ] && [ "$(readlink Link.mdb)" = real/Old.mdb ] || fail "the desktop link was replaced"
  expect_file real/Old.mdb Orders.mdb
  expect_entries real Old.mdb
}

case_folder_filter_refuses_to_overwrite_read_only_files() {
  sample_desktop_file Orders.mdb
  mkdir device
  printf 'kept\n' >kept
  cp kept device/Orders.cdb
  cp kept Returned.mdb
  chmod a-w device/Orders.cdb Returned.mdb
  register_folder_filter
  # As a device does, whoever runs it.
  run /D2P /D Orders.mdb /P '\Orders.cdb' /O
  expect_report d2p Orders.mdb '\Orders.cdb' 0x80070005
  run /P2D /P '\Orders.cdb' /D Returned.mdb /O
  expect_report p2d '\Orders.cdb' Returned.mdb 0x80070005
  expect_file device/Orders.cdb kept
  expect_file Returned.mdb kept
  expect_entries device Orders.cdb
}

# A tree outside the device folder that no run may change, and its checksum.
make_sentinel_tree() {
  mkdir -p outside/inner
  printf 'victim\n' >outside/victim
  printf 'secret\n' >outside/secret
  printf 'inner\n' >outside/inner/file
  printf 'secret\n' >outside/Secret.cdb
}
sentinel_sum() { (cd outside && find . -printf '%p %y %s %m %T@\n' | sort && cat victim secret inner/file Secret.cdb) | sha256sum; }

case_folder_filter_refuses_links_in_the_device_folder() {
  sample_desktop_file Good.mdb
  make_sentinel_tree
  local before
  before=$(sentinel_sum)
  mkdir device
  ln -s "$work/outside" device/Dir
  ln -s "$work/outside/secret" device/pw.cdb
  ln -s ../outside device/sub
  ln -s ../outside/Secret.cdb device/leak.cdb
  register_folder_filter
  local path
  for path in '\Dir\victim' '\Dir\new\Orders.cdb' '\pw.cdb' '\sub\n.cdb' '\leak.cdb'; do
    for overwrite in /O ''; do
      run /D2P /D Good.mdb /P "$path" $overwrite
      expect_report d2p Good.mdb "$path" 0x80070005
    done
  done
  for path in '\pw.cdb' '\Dir\Secret.cdb' '\leak.cdb' '\sub\Secret.cdb'; do
    run /P2D /P "$path" /D pw.mdb /O
    expect_report p2d "$path" pw.mdb 0x80070005
  done
  [ ! -e pw.mdb ] || fail "a file outside the device folder was read through a link"
  [ "$(sentinel_sum)" = "$before" ] || fail "the tree outside the device folder changed"
  expect_entries device Dir leak.cdb pw.cdb sub
  [ "$(readlink device/pw.cdb)" = "$work/outside/secret" ] || fail "the link in the device folder changed"

  # The device folder itself may be a link: it is the user's own path.
  mkdir real-device
  ln -s "$work/real-device" linked-device
  MORVASK_DEVICE_DIR=$(native_path "$work/linked-device") run /D2P /D Good.mdb /P '\Sales\Good.cdb' /O
  expect_report d2p Good.mdb '\Sales\Good.cdb' 0
  expect_file real-device/Sales/Good.cdb Good.mdb
}
