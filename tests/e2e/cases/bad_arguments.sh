# Arguments no one would type: the longest, the most, bytes of every value,
# empty ones, and files that are folders or devices.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

# The longest single argument the system passes: 131,071 bytes on Linux
# (1 MiB is tried on the parser itself), and on Windows a whole command line
# holds at most 32,767 characters.
case_longest_argument_the_system_passes() {
  local name
  if is_windows; then name=$(x_name 32000).mdb; else name=$(x_name 131067).mdb; fi
  run /D2P /D "$name"
  expect_stopped "Unable to locate source desktop file: $name"
}

# As many tables as the command line holds: 20,000 on Linux, 3,000 within
# the Windows limit.
case_thousands_of_tables() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  local count=20000 arguments=() list='' i
  is_windows && count=3000
  for ((i = 0; i < count; i++)); do
    arguments+=(/T "t$i")
    list+="t$i.."
  done
  run /D2P /D Orders.mdb "${arguments[@]}"
  expect_report d2p Orders.mdb '' 0
  expect_filter_call DESKTOPTODEVICE Orders.mdb "$list" 0 0 ''
}

# Bytes 0x80 to 0xFF reach the program unchanged only where arguments are
# bytes; Windows converts them through its code pages first.
case_linux_high_bytes_in_arguments() {
  local high='' byte
  for byte in $(seq 128 255); do high+=$(printf "\\x$(printf %x "$byte")"); done
  register_filters "$(filter_path recording_filter)"
  run /D2P /D "$high.mdb" /P "$high"
  expect_stopped "Unable to locate source desktop file: $high.mdb"
  : >"$high.mdb"
  run /D2P /D "$high.mdb" /P "$high" /T "$high"
  expect_report d2p "$high.mdb" "$high" 0
  expect_filter_call DESKTOPTODEVICE "$high.mdb" "$high.." 0 0 "$high"
}

case_empty_argument_after_each_value_option() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D ''
  expect_stopped 'Source Desktop file must be specified with /D.'
  run /P2D /P '' /D ''
  expect_stopped 'Destination Desktop file must be specified with /D.'
  run /D2P /D Orders.mdb /P '' /T ''
  expect_report d2p Orders.mdb '' 0
  expect_filter_call DESKTOPTODEVICE Orders.mdb '..' 0 0 ''
}

# Morvask tests that a source exists, not what it is: a folder is handed on.
case_files_that_are_folders() {
  mkdir Folder.mdb Out
  register_filters "$(filter_path recording_filter)"
  run /D2P /D Folder.mdb /P Out
  expect_report d2p Folder.mdb Out 0
  expect_filter_call DESKTOPTODEVICE Folder.mdb '' 0 0 Out
}

case_files_that_are_devices() {
  local devices=(/dev/null /dev/zero)
  is_windows && devices=(NUL CON)
  local device
  for device in "${devices[@]}"; do
    run /D2P /D "$device"
    expect_stopped 'Source file must be a .mdb file with /D2P.'
    run /P2D /P "$device" /D Orders.mdb
    expect_stopped 'Source file must be a .cdb file with /P2D.'
  done
}

# A path of more than 300 bytes: Linux finds the file; Windows programs that
# use the A calls cannot name a path longer than MAX_PATH (260).
case_paths_longer_than_300_bytes() {
  local folder path
  folder=$(x_name 100)/$(x_name 100)/$(x_name 100)
  path=$folder/Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D "$path"
  expect_stopped "Unable to locate source desktop file: $path"
  # The device file is the filter's to find: it is handed on as it is.
  run /P2D /P "$folder/Orders.cdb" /D Out.mdb
  expect_report p2d "$folder/Orders.cdb" Out.mdb 0
  expect_filter_call DEVICETODESKTOP Out.mdb '' 0 0 "$folder/Orders.cdb"

  mkdir -p "$folder" && : >"$path"
  run /D2P /D "$path"
  if is_windows; then
    expect_stopped "Unable to locate source desktop file: $path"
  else
    expect_report d2p "$path" '' 0
    expect_filter_call DESKTOPTODEVICE "$path" '' 0 0 ''
  fi
}
