# The folder filter as a closed box, on Linux: FIFOs and devices, a source
# that changes while it is copied, permissions, owners, access lists and
# extended attributes, names no device holds, holes, and a run killed
# during a copy.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

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

  # Nor is a desktop destination replaced unless it is a regular file: a
  # FIFO is refused at once, without waiting for a reader, and so is a
  # device (as root, /dev/null could be replaced otherwise).
  sample_desktop_file Orders.mdb
  run /D2P /D Orders.mdb /P '\Orders.cdb'
  mkfifo out.mdb
  local destinations=(out.mdb)
  if [ "$(id -u)" = 0 ]; then
    mknod null.mdb c 1 3
    destinations+=(null.mdb)
  fi
  local destination
  for destination in "${destinations[@]}"; do
    run /P2D /P '\Orders.cdb' /D "$destination" /O
    expect_report p2d '\Orders.cdb' "$destination" 0x80070005
  done
  [ -p out.mdb ] || fail "the FIFO was replaced"
  [ "$(id -u)" != 0 ] || [ -c null.mdb ] || fail "the device node was replaced"

  # Files of /proc and /sys tell no true size (0, or a page): the copy is
  # what reading them gives, as cp gives it.
  local system name
  for system in /proc/version /sys/kernel/mm/transparent_hugepage/enabled; do
    [ -r "$system" ] || continue
    name=$(basename "$system")
    ln -s "$system" "$name.mdb"
    cat "$system" >"$name.kept"
    run /D2P /D "$name.mdb" /P "\\$name.cdb"
    expect_report d2p "$name.mdb" "\\$name.cdb" 0
    expect_file "device/$name.cdb" "$name.kept"
  done
}

case_linux_folder_filter_fails_on_a_source_that_changes() {
  mkdir device
  printf 'kept\n' >device/Growing.cdb
  cp device/Growing.cdb expected.kept
  register_folder_filter
  # Written to while it is copied: the copy fails, the destination stays.
  printf 'first\n' >Growing.mdb
  start_held /D2P /D Growing.mdb /P '\Growing.cdb' /O || fail "the run was never held"
  printf 'more\n' >>Growing.mdb
  release_held
  finish_copy
  expect_report d2p Growing.mdb '\Growing.cdb' 0x80070020
  expect_file device/Growing.cdb expected.kept
  expect_entries device Growing.cdb
  # Replaced by another file while it is copied (as another run's /O
  # does): what was read is one whole version, and the copy stands.
  cp Growing.mdb expected.copy
  start_held /D2P /D Growing.mdb /P '\Growing.cdb' /O || fail "the run was never held"
  printf 'new\n' >new.mdb && mv new.mdb Growing.mdb
  release_held
  finish_copy
  expect_report d2p Growing.mdb '\Growing.cdb' 0
  expect_file device/Growing.cdb expected.copy
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

case_linux_folder_filter_leaves_nothing_behind() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  install_registry

  # A run killed with its copy made, not yet named.
  mkdir device
  start_held /D2P /D Orders.mdb /P '\Large.cdb' || fail "the run was never held"
  kill -KILL "$COPY_PID"
  finish_copy
  release_held
  # Nothing of it in the device folder; its lock file, outside, stays.
  expect_entries device
  expect_entries locks "$(printf 'morvask-%016x.lock' "$(stat -c %i device)")"

  # A copy whose writer still holds it stays.
  : >device/.morvask-1-7.tmp
  exec {held}<device/.morvask-1-7.tmp
  flock -x "$held"
  run /D2P /D Orders.mdb /P '\Orders.cdb' /O
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  expect_entries device Orders.cdb .morvask-1-7.tmp
  exec {held}<&-
}

case_linux_folder_filter_fails_on_a_source_rewritten_in_place() {
  head -c $((4 << 20)) /dev/urandom >Torn.mdb
  mkdir device
  printf 'kept\n' >device/Torn.cdb
  cp device/Torn.cdb expected.kept
  register_folder_filter
  # A writer that changes the data, keeps the size and puts the time of
  # the last write back while the run holds its copy: only the time of the
  # last change tells.
  local written
  written=$(stat -c %y Torn.mdb)
  # The kernel stamps a change with a clock of coarse ticks (up to 10 ms): a
  # change within the tick of the file's making would not show at all, to
  # the program or to anyone. This waits for the clock, not for the run.
  sleep 0.05
  start_held /D2P /D Torn.mdb /P '\Torn.cdb' /O || fail "the run was never held"
  printf 'rewritten' | dd of=Torn.mdb bs=1 seek=$((1 << 20)) conv=notrunc status=none
  touch -d "$written" Torn.mdb
  release_held
  finish_copy
  expect_report d2p Torn.mdb '\Torn.cdb' 0x80070020
  expect_file device/Torn.cdb expected.kept
  expect_entries device Torn.cdb
}

case_linux_folder_filter_keeps_what_a_replaced_file_had() {
  sample_desktop_file Orders.mdb
  printf 'theirs\n' >Theirs.mdb
  chmod 640 Theirs.mdb
  setfacl -m u:nobody:rw Theirs.mdb
  setfattr -n user.origin -v 'kept as it was' Theirs.mdb
  local acl mode
  acl=$(getfacl -cp Theirs.mdb)
  mode=$(stat -c %a Theirs.mdb)
  register_folder_filter
  run /D2P /D Orders.mdb /P '\Orders.cdb'
  run /P2D /P '\Orders.cdb' /D Theirs.mdb /O
  expect_report p2d '\Orders.cdb' Theirs.mdb 0
  expect_file Theirs.mdb Orders.mdb
  [ "$(getfacl -cp Theirs.mdb)" = "$acl" ] || fail "the access list is now: $(getfacl -cp Theirs.mdb)"
  [ "$(stat -c %a Theirs.mdb)" = "$mode" ] || fail "the mode is $(stat -c %a Theirs.mdb), not $mode"
  [ "$(getfattr --only-values -n user.origin Theirs.mdb 2>&1)" = 'kept as it was' ] ||
    fail "the extended attribute was lost"
}

case_linux_folder_filter_refuses_what_the_user_may_not_write() {
  [ "$(id -u)" = 0 ] || skip "needs root, to run the program as another user"
  sample_desktop_file Orders.mdb
  register_folder_filter
  install_registry
  # A folder an unprivileged user may write, with a file of root's in it.
  chmod 755 "$work"
  mkdir -m 777 shared
  printf 'root'\''s\n' >shared/Root.mdb
  chmod 644 shared/Root.mdb registry.reg Orders.mdb
  cp shared/Root.mdb expected.kept
  local as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  MORVASK_DEVICE_DIR=$work/shared/device capture run.out run.err run.order \
    "${as_nobody[@]}" "$MORVASK_PROGRAM" /D2P /D Orders.mdb /P '\Orders.cdb'
  RUN_STATUS=$?
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  MORVASK_DEVICE_DIR=$work/shared/device capture run.out run.err run.order \
    "${as_nobody[@]}" "$MORVASK_PROGRAM" /P2D /P '\Orders.cdb' /D shared/Root.mdb /O
  RUN_STATUS=$?
  expect_report p2d '\Orders.cdb' shared/Root.mdb 0x80070005
  expect_file shared/Root.mdb expected.kept
  [ "$(stat -c %U shared/Root.mdb)" = root ] || fail "root's file changed hands"
  expect_entries shared device Root.mdb
}

case_linux_folder_filter_refuses_names_that_are_not_text() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  # Not UTF-8: no device could hold the name.
  run /D2P /D Orders.mdb /P $'\\caf\xE9.cdb' /O
  expect_report d2p Orders.mdb $'\\caf\xE9.cdb' 0x8007007B
  [ ! -e device ] || fail "a refused name made $(find device)"
}

case_linux_folder_filter_keeps_holes() {
  # 5 GiB, of which 12 KiB hold data.
  truncate -s 5G Sparse.mdb
  local at
  for at in 0 655360 1310719; do
    printf 'data at %s' "$at" | dd of=Sparse.mdb bs=4096 seek="$at" conv=notrunc status=none
  done
  register_folder_filter
  run /D2P /D Sparse.mdb /P '\Sparse.cdb'
  expect_report d2p Sparse.mdb '\Sparse.cdb' 0
  local allocated
  allocated=$(($(stat -c '%b * %B' device/Sparse.cdb)))
  [ "$allocated" -lt $((1024 * 1024)) ] || fail "the copy takes $allocated bytes on the disk"
  # What holds data is the same; a hole reads as zeros.
  [ "$(stat -c %s device/Sparse.cdb)" = $((5 << 30)) ] || fail "the copy's size is $(stat -c %s device/Sparse.cdb)"
  for at in 0 655360 1310719; do
    cmp -s -n 4096 -i $((at * 4096)):$((at * 4096)) Sparse.mdb device/Sparse.cdb ||
      fail "the copy differs at block $at"
  done
}
