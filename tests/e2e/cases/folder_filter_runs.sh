# Runs that share a folder, and a run asked to end: each takes its turn to
# match a name and take it, no run removes what another uses, and a run
# stopped leaves nothing behind.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

case_folder_filter_stops_when_asked() {
  head -c $((4 << 20)) /dev/zero >Large.mdb
  register_folder_filter
  # Asked to end with its copy made in folders it made, a run removes its
  # copy and those folders, then ends as the signal asks. Under Wine SIGINT
  # is Ctrl+C, and a run then ends as Windows ends a process on Ctrl+C
  # (0xC000013A, of which Wine's exit status shows the low byte); a closed
  # console Wine cannot show (it ends the process at once on SIGHUP).
  local signal status signals=(INT TERM HUP)
  is_windows && signals=(INT)
  for signal in "${signals[@]}"; do
    status=$((128 + $(kill -l "$signal")))
    is_windows && status=$((0xC000013A & 0xFF))
    if start_held /D2P /D Large.mdb /P '\New\Sub\Large.cdb'; then
      kill "-$signal" "$COPY_PID"
    else
      fail "the run was never held ($signal)"
    fi
    finish_copy
    release_held
    [ "$RUN_STATUS" = "$status" ] || fail "SIG$signal: exit status $RUN_STATUS, expected $status"
    [ ! -e device ] || fail "SIG$signal: the run left $(find device)"
  done
}

case_folder_filter_runs_at_once() {
  local i round failed=0
  for i in 1 2 3 4; do printf 'source %s\n' "$i" >"Source$i.mdb"; done
  register_folder_filter
  install_registry
  mkdir device
  success_text >success.txt
  # Four runs at once, each to its own file of one folder: no run's
  # clean-up takes another run's copy.
  # Fewer rounds under memcheck, whose runs take a second each.
  local rounds=40
  [ -n "${MORVASK_MEMCHECK:-}" ] && rounds=10
  for ((round = 1; round <= rounds; round++)); do
    for i in 1 2 3 4; do start_run "$i" /D2P /D "Source$i.mdb" /P "\\Copy$i.cdb" /O; done
    wait_runs
    for i in 1 2 3 4; do cmp -s success.txt "run$i.out" || failed=$((failed + 1)); done
  done
  [ $failed = 0 ] || fail "$failed of $((4 * rounds)) runs failed; the last said: $(cat run*.out | tr -d '\r' | sort -u)"
  expect_entries device Copy1.cdb Copy2.cdb Copy3.cdb Copy4.cdb
  for i in 1 2 3 4; do expect_file "device/Copy$i.cdb" "Source$i.mdb"; done

  # Four runs at once to one file: each copy is whole, and none is left
  # behind by a run that lost.
  report_text 0x80070005 | as_console_text >denied.txt
  for ((round = 1; round <= 10; round++)); do
    for i in 1 2 3 4; do start_run "$i" /D2P /D "Source$i.mdb" /P '\Shared.cdb' /O; done
    wait_runs
    for i in 1 2 3 4; do
      cmp -s success.txt "run$i.out" || cmp -s denied.txt "run$i.out" ||
        fail "a run to one file said: $(tr -d '\r' <"run$i.out")"
    done
  done
  expect_entries device Copy1.cdb Copy2.cdb Copy3.cdb Copy4.cdb Shared.cdb
  cmp -s device/Shared.cdb Source1.mdb || cmp -s device/Shared.cdb Source2.mdb ||
    cmp -s device/Shared.cdb Source3.mdb || cmp -s device/Shared.cdb Source4.mdb ||
    fail "the file of many runs is not the whole copy of one: $(cat device/Shared.cdb)"

  # Names that differ in letter case only, at once, in a folder of many
  # files: one run takes the name and the other finds it taken, and one
  # folder is made, which both use.
  local count=30000 exists
  is_windows && count=3000
  mkdir crowd
  (cd crowd && seq -f 'f%05g.cdb' 1 "$count" | xargs touch)
  export MORVASK_DEVICE_DIR
  MORVASK_DEVICE_DIR=$(native_path "$work/crowd")
  report_text 0x800A0F0C | as_console_text >exists.txt
  for ((round = 1; round <= 3; round++)); do
    start_run 1 /D2P /D Source1.mdb /P '\x.cdb'
    start_run 2 /D2P /D Source2.mdb /P '\X.CDB'
    start_run 3 /D2P /D Source3.mdb /P '\Sales\a.cdb'
    start_run 4 /D2P /D Source4.mdb /P '\SALES\b.cdb'
    wait_runs
    exists=$(cat run1.out run2.out)
    [ "$exists" = "$(cat success.txt exists.txt)" ] || [ "$exists" = "$(cat exists.txt success.txt)" ] ||
      fail "round $round: two runs to one name said: $(tr -d '\r' <run1.out) and $(tr -d '\r' <run2.out)"
    [ "$(find crowd -maxdepth 1 -iname x.cdb | wc -l)" = 1 ] || fail "round $round: $(cd crowd && ls -d [xX]*)"
    [ "$(find crowd -maxdepth 1 -iname sales | wc -l)" = 1 ] || fail "round $round: $(cd crowd && ls -d [sS][aA]*)"
    expect_entries crowd/[sS][aA][lL][eE][sS] a.cdb b.cdb
    rm -rf crowd/[xX].[cC][dD][bB] crowd/[sS][aA][lL][eE][sS]
  done

  # A folder another run uses is never removed: run A made it, and stopped
  # while run B copies into it too.
  head -c $((4 << 20)) /dev/zero >Large.mdb
  MORVASK_DEVICE_DIR=$(native_path "$work/shared")
  RUN_NAME=a start_held /D2P /D Large.mdb /P '\t\u\a.cdb' || fail "run A was never held"
  local a_capture=$CAPTURE_PID a_copy=$COPY_PID
  RUN_NAME=b start_held /D2P /D Large.mdb /P '\t\u\y.cdb' || fail "run B was never held"
  local b_capture=$CAPTURE_PID
  kill -INT "$a_copy"
  CAPTURE_PID=$a_capture finish_copy
  RUN_NAME=a release_held
  RUN_NAME=b release_held
  CAPTURE_PID=$b_capture finish_copy
  cmp -s success.txt b.out || fail "run B said: $(tr -d '\r' <b.out)"
  expect_entries shared t
  expect_entries shared/t u
  expect_entries shared/t/u y.cdb
}

# linux_start_run N ARGUMENT...: starts a run of the Linux program beside
# the Windows one, on the same device folder, its output in linuxN.out.
linux_start_run() {
  local n=$1
  shift
  MORVASK_REGISTRY=$work/linux.reg MORVASK_DEVICE_DIR=$work/device \
    capture "linux$n.out" "linux$n.err" "linux$n.order" "$MORVASK_HOST_PROGRAM" "$@" &
  RUN_PIDS+=($!)
}

case_windows_folder_filter_shares_a_device_with_the_linux_build() {
  [ -x "${MORVASK_HOST_PROGRAM:-}" ] && [ -f "${MORVASK_HOST_FOLDER_FILTER:-}" ] ||
    skip "no Linux build beside this one"
  local filter=${MORVASK_HOST_FOLDER_FILTER//\\/\\\\} clsid='{4D4F5256-0003-4153-4B00-464F4C444552}'
  printf 'REGEDIT4\n\n[%s\\.mdb]\n"DefaultImport"="%s"\n[%s\\%s\\InProcServer32]\n@="%s"\n' \
    "$FILTERS_KEY" "$clsid" "$CLASSES_KEY" "$clsid" "$filter" >linux.reg
  printf 'windows\n' >Windows.mdb
  printf 'linux\n' >Linux.mdb
  register_folder_filter
  mkdir device
  success_text >success.txt
  local exists round
  exists=$(table_text 0x800A0F0C)
  # One name in two spellings, one from each build at once: one run takes
  # it, the other finds it taken.
  for ((round = 1; round <= 5; round++)); do
    start_run 1 /D2P /D Windows.mdb /P '\x.cdb'
    linux_start_run 1 /D2P /D Linux.mdb /P '\X.CDB'
    wait_runs
    if cmp -s success.txt run1.out; then
      [ "$(cat linux1.out)" = "$exists" ] || fail "round $round: the Linux run said: $(cat linux1.out)"
    else
      [ "$(tr -d '\r' <run1.out)" = "$exists" ] || fail "round $round: the Windows run said: $(tr -d '\r' <run1.out)"
    fi
    [ "$(find device -maxdepth 1 -iname x.cdb | wc -l)" = 1 ] || fail "round $round: $(ls device)"
    rm -f device/[xX].[cC][dD][bB]
  done
  # A Windows run copying while Linux runs replace a file beside it: no
  # run removes the other build's copy.
  head -c $((4 << 20)) /dev/zero >Large.mdb
  start_held /D2P /D Large.mdb /P '\Large.cdb' /O || fail "the Windows run was never held"
  for round in 1 2 3; do
    linux_start_run "$round" /D2P /D Linux.mdb /P '\Small.cdb' /O
    wait_runs
    grep -q "$exists" "linux$round.out" && fail "a Linux run found Small.cdb taken"
  done
  release_held
  finish_copy
  cmp -s success.txt run.out || fail "the Windows run said: $(tr -d '\r' <run.out)"
  expect_file device/Large.cdb Large.mdb
  expect_file device/Small.cdb Linux.mdb
  expect_entries device Large.cdb Small.cdb
}

# hold_steps FILE: holds the steps of the device whose lock file is FILE, as
# a run of either build takes them (a record lock on its first byte), until
# release_steps or for a minute at most; returns once it holds them.
hold_steps() {
  open_events "$work/steps.events"
  perl -MFcntl -e 'open(my $f, "+>>", $ARGV[0]) or die;
    fcntl($f, F_SETLKW, pack("s s x4 q q i x4", F_WRLCK, SEEK_SET, 0, 1, 0)) or die;
    open(my $h, ">>", $ARGV[1]) or die; print $h "held\n"; close($h); sleep 60' \
    "$1" "$work/steps.events" &
  HOLDER_PID=$!
  wait_for held >/dev/null || fail "the steps of $1 could not be held"
}
release_steps() { kill "$HOLDER_PID" && wait "$HOLDER_PID" 2>/dev/null; }

# The lock that keeps runs apart lies outside the device folder: a name of
# the user's is never touched, a run that only reads writes nothing there,
# every user who may write a folder copies into it, and a run waiting for
# another stops when asked.
case_folder_filter_keeps_runs_apart_outside_the_users_names() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  install_registry
  mkdir device
  printf 'the user'\''s\n' >device/.morvask.lock
  cp device/.morvask.lock expected.kept
  is_windows || mkdir device/.MORVASK.LOCK
  run /D2P /D Orders.mdb /P '\Orders.cdb'
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  run /P2D /P '\Orders.cdb' /D Back.mdb
  expect_report p2d '\Orders.cdb' Back.mdb 0
  expect_file device/.morvask.lock expected.kept
  local lock
  lock=$work/locks/$(printf 'morvask-%016x.lock' "$(stat -c %i device)")
  [ -f "$lock" ] || fail "no lock file $lock: $(ls locks)"

  # Asked to stop while it waits for another run's steps: it ends at once
  # as interrupted, with nothing made.
  local status=130
  is_windows && status=$((0xC000013A & 0xFF))
  hold_steps "$lock"
  start_copy /D2P /D Orders.mdb /P '\New\Waiting.cdb'
  wait_for waiting >/dev/null || fail "the run did not wait for the other's steps"
  kill -INT "$COPY_PID"
  finish_copy
  kill -0 "$HOLDER_PID" 2>/dev/null || fail "the run asked to stop waited until the other let go"
  release_steps
  [ "$RUN_STATUS" = "$status" ] || fail "stopped while waiting: exit status $RUN_STATUS, expected $status"
  [ ! -e device/New ] || fail "a run stopped while waiting left $(find device/New)"
  # Its copy made, then waiting to name it: stopped, it names nothing.
  start_held /D2P /D Orders.mdb /P '\Named.cdb' || fail "the run was never held"
  hold_steps "$lock"
  release_held
  kill -INT "$COPY_PID"
  finish_copy
  kill -0 "$HOLDER_PID" 2>/dev/null || fail "the run asked to stop waited until the other let go"
  release_steps
  [ "$RUN_STATUS" = "$status" ] || fail "stopped before naming: exit status $RUN_STATUS, expected $status"
  expect_entries device .morvask.lock Orders.cdb "$(is_windows || printf .MORVASK.LOCK)"
  is_windows && return

  # Rows only Linux can show, as root: another user's run came first; a
  # device root the user may not write, with a folder the user may; a
  # device with no room for one more file.
  [ "$(id -u)" = 0 ] || skip "needs root, to run the program as other users"
  chmod 755 "$work" && chmod 644 Orders.mdb registry.reg
  chmod 2775 device && chgrp 4000 device
  mkdir -m 777 device/Theirs && chmod 555 device
  local user
  for user in 4001 4002; do
    (umask 022 && capture run.out run.err run.order setpriv --reuid="$user" --regid=4000 \
      --clear-groups "$MORVASK_PROGRAM" /D2P /D Orders.mdb /P "\\Theirs\\By$user.cdb")
    RUN_STATUS=$?
    expect_report d2p Orders.mdb "\\Theirs\\By$user.cdb" 0
  done
  chmod 755 device
  mkdir tmpfs-device
  if mount -t tmpfs -o nr_inodes=2 tmpfs tmpfs-device; then
    cp Orders.mdb tmpfs-device/Full.cdb
    MORVASK_DEVICE_DIR=$work/tmpfs-device run /P2D /P '\Full.cdb' /D Full.mdb
    expect_report p2d '\Full.cdb' Full.mdb 0
    umount tmpfs-device
  fi
}
