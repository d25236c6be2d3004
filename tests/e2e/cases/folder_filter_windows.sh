# The folder filter's own registration, on Windows, with regsvr32.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

# regsvr32 ARGUMENT...: registers or, with /u, unregisters the folder filter.
regsvr32() {
  wine_tool "$MORVASK_WINE" "$(system_tool regsvr32)" /s "$@" "$(native_path "$MORVASK_FOLDER_FILTER")" >/dev/null 2>&1
}

# registered KEY VALUE prints the value's data, or nothing; "" is the
# default value.
registered() {
  local which=(/v "$2")
  [ -z "$2" ] && which=(/ve)
  reg query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *${2:-(Default)} *REG_SZ *//p"
}

expect_registered() {  # expect_registered KEY VALUE DATA
  local data
  data=$(registered "$1" "$2")
  [ "$data" = "$3" ] || fail "$1 $2 holds [$data], expected [$3]"
}

case_windows_folder_filter_registers_itself() {
  install_registry
  regsvr32 || fail "regsvr32 failed"
  expect_registered "$FILTERS_KEY\\.mdb" DefaultImport "$CLSID_FOLDER"
  expect_registered "$FILTERS_KEY\\.cdb" DefaultExport "$CLSID_FOLDER"
  expect_registered "$CLASSES_KEY\\$CLSID_FOLDER\\InProcServer32" "" \
    "$(native_path "$MORVASK_FOLDER_FILTER")"

  sample_desktop_file Orders.mdb
  run /D2P /D Orders.mdb /P '\Orders.cdb' /O
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  expect_file device/Orders.cdb Orders.mdb

  regsvr32 /u || fail "regsvr32 /u failed"
  expect_registered "$FILTERS_KEY\\.mdb" DefaultImport ""
  expect_registered "$FILTERS_KEY\\.cdb" DefaultExport ""
  reg query "$CLASSES_KEY\\$CLSID_FOLDER" >/dev/null 2>&1 && fail "the filter's class is left"
}

case_windows_folder_filter_leaves_other_filters_alone() {
  register_filter .cdb DefaultExport "$CLSID_EXPORT"
  install_registry
  regsvr32 && fail "regsvr32 replaced another filter"
  expect_registered "$FILTERS_KEY\\.cdb" DefaultExport "$CLSID_EXPORT"
  expect_registered "$FILTERS_KEY\\.mdb" DefaultImport ""
  reg query "$CLASSES_KEY\\$CLSID_FOLDER" >/dev/null 2>&1 && fail "a class was registered"

  # Unregistering takes away only what names the folder filter.
  reg delete "$FILTERS_KEY\\.cdb" /f >/dev/null 2>&1
  regsvr32 || fail "regsvr32 failed"
  reg add "$FILTERS_KEY\\.cdb" /v DefaultExport /d "$CLSID_EXPORT" /f >/dev/null 2>&1
  regsvr32 /u || fail "regsvr32 /u failed"
  expect_registered "$FILTERS_KEY\\.cdb" DefaultExport "$CLSID_EXPORT"
  expect_registered "$FILTERS_KEY\\.mdb" DefaultImport ""
}

# regsvr32_file FILE ARGUMENT...: regsvr32 of a copy of the folder filter.
regsvr32_file() {
  local file=$1
  shift
  wine_tool "$MORVASK_WINE" "$(system_tool regsvr32)" /s "$@" "$(native_path "$file")" >/dev/null 2>&1
}

case_windows_folder_filter_registers_a_path_the_program_reads() {
  install_registry
  sample_desktop_file Orders.mdb
  # Unzipped deep down, under a path longer than the 99 bytes the program
  # reads: the short (8.3) path is registered instead.
  local folder library
  folder=$work/$(x_name 130)
  mkdir "$folder"
  cp "$MORVASK_FOLDER_FILTER" "$folder/"
  library=$folder/$(basename "$MORVASK_FOLDER_FILTER")
  regsvr32_file "$library" || fail "regsvr32 failed for a library in a folder of 130 characters"
  local path
  path=$(registered "$CLASSES_KEY\\$CLSID_FOLDER\\InProcServer32" "")
  [ -n "$path" ] && [ ${#path} -le 99 ] || fail "registered [$path] for a library at $(native_path "$library")"
  run /D2P /D Orders.mdb /P '\Orders.cdb'
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  expect_file device/Orders.cdb Orders.mdb
  regsvr32_file "$library" /u || fail "regsvr32 /u failed"

  # So deep that the short path does not fit either: refused, nothing
  # registered.
  local deep=$work/deep i
  for ((i = 0; i < 12; i++)); do deep+=/$(x_name 12); done
  mkdir -p "$deep"
  cp "$MORVASK_FOLDER_FILTER" "$deep/"
  regsvr32_file "$deep/$(basename "$MORVASK_FOLDER_FILTER")" && fail "regsvr32 registered a path the program cannot read"
  expect_registered "$FILTERS_KEY\\.mdb" DefaultImport ""
  reg query "$CLASSES_KEY\\$CLSID_FOLDER" >/dev/null 2>&1 && fail "a class was registered"
}

