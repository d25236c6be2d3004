# The folder filter names files as a device does, on every target: names
# compared without regard to letter case, paths of at most 259 characters,
# and no name a device could not hold. A script tried against the folder
# filter behaves the same against a real device.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

case_folder_filter_compares_names_as_a_device_does() {
  sample_desktop_file Orders.mdb
  printf 'other\n' >Other.mdb
  register_folder_filter
  run /D2P /D Orders.mdb /P '\Sales\Orders.cdb'
  expect_report d2p Orders.mdb '\Sales\Orders.cdb' 0

  run /P2D /P '\SALES\ORDERS.CDB' /D Returned.mdb
  expect_report p2d '\SALES\ORDERS.CDB' Returned.mdb 0
  expect_file Returned.mdb Orders.mdb

  # The same file and folder in other letters: there already.
  local path
  for path in '\Sales\orders.cdb' '\sales\Orders.cdb'; do
    run /D2P /D Other.mdb /P "$path"
    expect_report d2p Other.mdb "$path" 0x800A0F0C
  done
  expect_entries device Sales
  expect_entries device/Sales Orders.cdb
  expect_file device/Sales/Orders.cdb Orders.mdb

  # Replaced, the file keeps the name it has.
  run /D2P /D Other.mdb /P '\sALES\orders.CDB' /O
  expect_report d2p Other.mdb '\sALES\orders.CDB' 0
  expect_entries device Sales
  expect_entries device/Sales Orders.cdb
  expect_file device/Sales/Orders.cdb Other.mdb
}

case_folder_filter_refuses_names_a_device_cannot_hold() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  # A path that ends in a separator names no file.
  run /D2P /D Orders.mdb /P '\Sales\' /O
  expect_report d2p Orders.mdb '\Sales\' 0x8007007B

  # A device path holds at most 259 characters: 25 folders of 200 do not fit.
  local long='' i
  for ((i = 0; i < 25; i++)); do long+="\\$(head -c 200 /dev/zero | tr '\0' d)"; done
  run /D2P /D Orders.mdb /P "$long\\Orders.cdb" /O
  expect_report d2p Orders.mdb "$long\\Orders.cdb" 0x800700CE

  # The name of a copy being written, in any letters: only the program
  # makes such names.
  local path
  for path in '\.morvask-1a2b-3c.tmp' '\Sales\.MORVASK-1A2B-3C.TMP'; do
    run /D2P /D Orders.mdb /P "$path" /O
    expect_report d2p Orders.mdb "$path" 0x80070005
  done
  [ ! -e device ] || fail "a refused path made something: $(find device)"

  # Two names that differ in letter case only: no device holds both, and
  # the filter will not guess which one is meant.
  mkdir device
  printf 'one\n' >device/Orders.cdb
  printf 'two\n' >device/ORDERS.cdb
  cp device/Orders.cdb one.kept
  cp device/ORDERS.cdb two.kept
  run /P2D /P '\orders.cdb' /D Returned.mdb /O
  expect_report p2d '\orders.cdb' Returned.mdb 0x80070005
  run /D2P /D Orders.mdb /P '\orders.cdb' /O
  expect_report d2p Orders.mdb '\orders.cdb' 0x80070005
  [ ! -e Returned.mdb ] || fail "one of two names was taken for the other"
  expect_file device/Orders.cdb one.kept
  expect_file device/ORDERS.cdb two.kept
  expect_entries device Orders.cdb ORDERS.cdb
}

# One name is one file, on every build: a row a line, each in a device
# folder of its own.
case_folder_filter_keeps_one_name_to_one_file() {
  sample_desktop_file Orders.mdb
  register_folder_filter
  mkdir -p device/r1 device/r2 device/r3 sub
  printf 'old\n' >old.kept
  cp old.kept 'device/r1/Μ.cdb'  # Greek capital mu (U+039C)
  cp old.kept 'device/r1/Ÿ.cdb'
  cp old.kept device/r2/Sales.cdb
  cp old.kept 'device/r3/Σales.cdb'
  printf 'lower\n' >device/r3/sales.cdb
  # 1. The micro sign (U+00B5) is no "μ": Windows keeps it apart from "Μ",
  #    while "ÿ" and "Ÿ" are one name.
  run /D2P /D Orders.mdb /P '\r1\µ.cdb'
  expect_report d2p Orders.mdb "$(ansi_text '\r1\µ.cdb')" 0
  run /D2P /D Orders.mdb /P '\r1\ÿ.cdb'
  expect_report d2p Orders.mdb "$(ansi_text '\r1\ÿ.cdb')" 0x800A0F0C
  expect_file 'device/r1/Μ.cdb' old.kept
  expect_file 'device/r1/µ.cdb' Orders.mdb
  # 2. A name the code page cannot hold is never used in another form.
  run /D2P /D Orders.mdb /P '\r2\Σales.cdb' /O
  if is_windows; then
    expect_stopped "The name given with /P cannot be used: this system's code page cannot hold it as typed."
  else
    expect_report d2p Orders.mdb '\r2\Σales.cdb' 0
  fi
  expect_file device/r2/Sales.cdb old.kept
  # 3. Names are listed and compared as text.
  run /P2D /P '\r3\sales.cdb' /D Lower.mdb
  expect_report p2d '\r3\sales.cdb' Lower.mdb 0
  expect_file Lower.mdb device/r3/sales.cdb
  # 5. The desktop path as the system reads it: on Windows trailing dots and
  #    spaces go and a device name is a device.
  run /P2D /P '\r3\sales.cdb' /D 'Dot.mdb.'
  expect_report p2d '\r3\sales.cdb' 'Dot.mdb.' 0
  if is_windows; then
    expect_file Dot.mdb device/r3/sales.cdb
    local device
    for device in CON.mdb nul AUX.txt.mdb; do
      run /P2D /P '\r3\sales.cdb' /D "$device" /O
      expect_report p2d '\r3\sales.cdb' "$device" 0x80070005
    done
  else
    expect_file Dot.mdb. device/r3/sales.cdb
  fi
  # 12. A name of more than 255 characters.
  run /D2P /D Orders.mdb /P "\\s\\$(x_name 252).cdb"
  expect_report d2p Orders.mdb "\\s\\$(x_name 252).cdb" 0x800700CE
  # 13. A desktop path that names a folder.
  local folder=sub/
  is_windows && folder='sub\'
  run /P2D /P '\r3\sales.cdb' /D "$folder" /O
  expect_report p2d '\r3\sales.cdb' "$folder" 0x8007007B
  expect_entries sub
}
