# The folder filter's own registration, on Windows, with regsvr32.
# shellcheck shell=bash

# regsvr32 ARGUMENT...: registers or, with /u, unregisters the folder filter.
regsvr32() {
  wine_tool "$MORVASK_WINE" regsvr32 /s "$@" "$(native_path "$MORVASK_FOLDER_FILTER")" >/dev/null 2>&1
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
