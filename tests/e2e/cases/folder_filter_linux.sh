# The folder filter as a closed box, on Linux: links in and out of the
# device folder, FIFOs and devices, a source that changes while it is
# copied, permissions and owners, and a run killed during a copy.
# shellcheck shell=bash

# A tree outside the device folder that no run may change, and its checksum.
make_sentinel_tree() {
  mkdir -p outside/inner
  printf 'victim\n' >outside/victim
  printf 'secret\n' >outside/secret
  printf 'inner\n' >outside/inner/file
  printf 'secret\n' >outside/Secret.cdb
}
sentinel_sum() { (cd outside && find . -printf '%p %y %s %m %T@\n' | sort && cat victim secret inner/file Secret.cdb) | sha256sum; }

case_linux_folder_filter_refuses_links_in_the_device_folder() {
  sample_desktop_file Good.mdb
  make_sentinel_tree
  local before
  before=$(sentinel_sum)
  mkdir device
  ln -s "$work/outside" device/Dir
  ln -s "$work/outside/secret" device/pw.cdb
  register_folder_filter
  local path
  for path in '\Dir\victim' '\Dir\new\Orders.cdb' '\pw.cdb'; do
    for overwrite in /O ''; do
      run /D2P /D Good.mdb /P "$path" $overwrite
      expect_report d2p Good.mdb "$path" 0x80070005
    done
  done
  for path in '\pw.cdb' '\Dir\Secret.cdb'; do
    run /P2D /P "$path" /D pw.mdb /O
    expect_report p2d "$path" pw.mdb 0x80070005
  done
  [ ! -e pw.mdb ] || fail "a file outside the device folder was read through a link"
  [ "$(sentinel_sum)" = "$before" ] || fail "the tree outside the device folder changed"
  expect_entries device Dir pw.cdb
  [ "$(readlink device/pw.cdb)" = "$work/outside/secret" ] || fail "the link in the device folder changed"

  # The device folder itself may be a link: it is the user's own path.
  mkdir real-device
  ln -s "$work/real-device" linked-device
  MORVASK_DEVICE_DIR=$work/linked-device run /D2P /D Good.mdb /P '\Sales\Good.cdb' /O
  expect_report d2p Good.mdb '\Sales\Good.cdb' 0
  expect_file real-device/Sales/Good.cdb Good.mdb
}

case_linux_folder_filter_copies_regular_files_only() {
  mkfifo pipe.mdb
  ln -s /dev/zero zero.mdb
  mkdir device
  mkfifo device/pipe.cdb
  register_folder_filter
  local source
  for source in pipe.mdb zero.mdb; do
    run /D2P /D "$source" /P '\Copy.cdb' /O
    expect_report d2p "$source" '\Copy.cdb' 0x80070005
  done
  run /P2D /P '\pipe.cdb' /D Copy.mdb /O
  expect_report p2d '\pipe.cdb' Copy.mdb 0x80070005
  expect_entries device pipe.cdb
  [ ! -e Copy.mdb ] || fail "a desktop file was made from a FIFO"
}

case_linux_folder_filter_fails_on_a_source_that_changes() {
  head -c $((32 * 1024 * 1024)) /dev/urandom >Growing.mdb
  mkdir device
  printf 'kept\n' >device/Growing.cdb
  cp device/Growing.cdb expected.kept
  register_folder_filter
  # A writer that appends to the source for as long as the runs last.
  (while [ ! -e stop ]; do printf x >>Growing.mdb; done) &
  local writer=$!
  run /D2P /D Growing.mdb /P '\Growing.cdb' /O
  : >stop
  wait "$writer"
  expect_report d2p Growing.mdb '\Growing.cdb' 0x80070020
  expect_file device/Growing.cdb expected.kept
  expect_entries device Growing.cdb
}

case_linux_folder_filter_keeps_private_files_private() {
  sample_desktop_file Private.mdb
  chmod 600 Private.mdb
  register_folder_filter
  umask 022
  run /D2P /D Private.mdb /P '\Private.cdb' /O
  expect_report d2p Private.mdb '\Private.cdb' 0
  [ "$(stat -c %a device/Private.cdb)" = 600 ] || fail "a private file's copy is mode $(stat -c %a device/Private.cdb)"

  # A new file gets the source's bits less the umask, as cp gives it.
  sample_desktop_file Shared.mdb
  chmod 666 Shared.mdb
  umask 027
  run /D2P /D Shared.mdb /P '\Shared.cdb' /O
  [ "$(stat -c %a device/Shared.cdb)" = 640 ] || fail "a new copy is mode $(stat -c %a device/Shared.cdb), not 640"

  # A file replaced with /O keeps its bits, and its owner where the process may set it.
  printf 'theirs\n' >Theirs.mdb
  chmod 640 Theirs.mdb
  local owner
  owner=$(id -u)
  if [ "$owner" = 0 ]; then
    chown nobody:nogroup Theirs.mdb
    owner=nobody:nogroup
  else
    owner=$(id -un):$(id -gn)
  fi
  run /P2D /P '\Private.cdb' /D Theirs.mdb /O
  expect_report p2d '\Private.cdb' Theirs.mdb 0
  expect_file Theirs.mdb Private.mdb
  [ "$(stat -c %a Theirs.mdb)" = 640 ] || fail "a replaced file is mode $(stat -c %a Theirs.mdb), not 640"
  [ "$(stat -c %U:%G Theirs.mdb)" = "$owner" ] || fail "a replaced file is owned by $(stat -c %U:%G Theirs.mdb), not $owner"
}

# wait_for_copy PID FOLDER: waits, 60 s at most, until the process holds a
# file of FOLDER open: the copy it writes, which has no name yet (the
# system shows it as "#" and a number) or a copy's name.
wait_for_copy() {
  local i fd
  for ((i = 0; i < 600; i++)); do
    for fd in /proc/"$1"/fd/*; do
      case $(readlink "$fd" 2>/dev/null) in "$2"/\#* | "$2"/.morvask-*) return 0 ;; esac
    done
    sleep 0.1
  done
  return 1
}

case_linux_folder_filter_leaves_nothing_behind() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  install_registry

  # A run killed during a large copy, once the copy has begun.
  truncate -s 2G Large.mdb
  mkdir device
  "$MORVASK_PROGRAM" /D2P /D Large.mdb /P '\Large.cdb' >/dev/null 2>&1 &
  local killed=$!
  wait_for_copy "$killed" "$work/device" || fail "no copy was begun"
  kill -9 "$killed"
  wait "$killed" 2>/dev/null
  expect_entries device

  # A copy whose writer still holds it stays.
  : >device/.morvask-held.tmp
  exec {held}<device/.morvask-held.tmp
  flock -x "$held"
  run /D2P /D Orders.mdb /P '\Orders.cdb' /O
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  expect_entries device Orders.cdb .morvask-held.tmp
  exec {held}<&-
}
