# Loading the filter library and calling its export, and libraries that
# cannot be loaded or called.
# Sourced by the harness, whose variables (work, RUN_STATUS, ...) it uses.
# shellcheck shell=bash disable=SC2154,SC2034

# expect_load_failure LIBRARY-FILE STATUS: registered, the library is found
# but does not load, and the load error is the status.
expect_load_failure() {
  : >Orders.mdb
  local library
  library=$(native_path "$PWD/$1")
  register_filters "$library"
  run /D2P /D Orders.mdb
  expect_report d2p Orders.mdb '' "$2" "Unable to load filter dll: $library"
}

case_filter_library_that_cannot_load() {
  printf 'not a library\n' >bad_filter.dll
  # The load error, not success: 0x800700C1 ("not a valid application").
  expect_load_failure bad_filter.dll 0x800700C1
}

case_filter_library_without_export() {
  : >Orders.mdb
  register_filters "$(filter_path exportless_filter)"
  run /D2P /D Orders.mdb
  expect_report d2p Orders.mdb '' 0x8007007F
}

case_desktop_to_device_calls_the_filter() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D Orders.mdb /P '\Orders.cdb' /T Customers /T 'Order Lines' /O
  expect_report d2p Orders.mdb '\Orders.cdb' 0
  expect_filter_call DESKTOPTODEVICE Orders.mdb 'Customers..Order Lines..' 0 1 '\Orders.cdb'
}

case_desktop_to_device_without_device_file() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D Orders.mdb /Sy
  expect_report d2p Orders.mdb '' 0
  expect_filter_call DESKTOPTODEVICE Orders.mdb '' 1 0 ''
}

case_device_to_desktop_calls_the_filter() {
  register_filters "$(filter_path recording_filter)"
  run /P2D /P '\My Documents\Orders.cdb' /D Copy.mdb /SY /O /T Customers
  expect_report p2d '\My Documents\Orders.cdb' Copy.mdb 0
  expect_filter_call DEVICETODESKTOP Copy.mdb 'Customers..' 1 1 '\My Documents\Orders.cdb'
}

case_device_to_desktop_without_device_file() {
  register_filters "$(filter_path recording_filter)"
  run /P2D /D Copy.mdb
  expect_report p2d '' Copy.mdb 0
  expect_filter_call DEVICETODESKTOP Copy.mdb '' 0 0 ''
}

case_wildcard_desktop_file_is_handed_on() {
  : >Orders.mdb
  register_filters "$(filter_path recording_filter)"
  run /D2P /D 'Ord*.mdb'
  expect_report d2p 'Ord*.mdb' '' 0
  expect_filter_call DESKTOPTODEVICE 'Ord*.mdb' '' 0 0 ''
}

# --- filter libraries that are not what they should be ---------------------

case_filter_library_that_is_a_folder() {
  mkdir "folder$(library_suffix)"
  if is_windows; then
    expect_load_failure "folder$(library_suffix)" 0x80070005
  else
    expect_load_failure "folder$(library_suffix)" 0x800700C1
  fi
}

case_filter_library_that_is_empty() {
  : >"empty$(library_suffix)"
  expect_load_failure "empty$(library_suffix)" 0x800700C1
}

# A filter whose own library is missing: 0x8007007E, as Windows reports it.
case_filter_library_missing_its_own_library() {
  cp "$MORVASK_FILTER_DIR/dependent_filter$(library_suffix)" .
  expect_load_failure "dependent_filter$(library_suffix)" 0x8007007E
}

# other_machine_library FILE: the recording filter with its machine changed
# to the other architecture: x86 for x86-64 and back, or an ELF of the
# other class.
other_machine_library() {
  cp "$MORVASK_FILTER_DIR/recording_filter$(library_suffix)" "$1"
  if is_windows; then
    local pe machine=$'\x64\x86'
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    [ "$MORVASK_TARGET" = win64 ] && machine=$'\x4c\x01'
    printf '%s' "$machine" | dd of="$1" bs=1 seek=$((pe + 4)) conv=notrunc status=none
  else
    printf '\x01' | dd of="$1" bs=1 seek=4 conv=notrunc status=none
  fi
}

case_filter_library_for_another_machine() {
  local library
  library="other_machine$(library_suffix)"
  other_machine_library "$library"
  expect_load_failure "$library" 0x800700C1
}

# expect_trace LIBRARY TEXT: with the library registered, a run with
# MORVASK_TRACE=1 names the cause in a trace line that holds TEXT.
expect_trace() {
  : >Orders.mdb
  registry_lines=() registry_installed=no
  register_filters "$1"
  MORVASK_TRACE=1 run /D2P /D Orders.mdb
  grep -F 'morvask trace: ' run.err | grep -qF -- "$2" ||
    fail "no trace line says [$2] of $1:$(printf '\n%s' "$(tr -d '\r' <run.err)")"
}

# The trace for filter authors: a probe a line, each a mistake a new author
# makes, its cause named in one line. Without the trace every byte is as
# the other cases show it.
case_filter_authors_trace() {
  head -c 300 /dev/zero | tr '\0' x >"notelf$(library_suffix)"
  cp "$MORVASK_FILTER_DIR/dependent_filter$(library_suffix)" .
  other_machine_library "other$(library_suffix)"
  local long here suffix key value text
  here=$(native_path "$work")
  suffix=$(library_suffix)
  long=$here/$(x_name 100)$suffix
  if is_windows; then
    local other=("It is a 64-bit library (x86-64); this program is 32-bit (x86).")
    [ "$MORVASK_TARGET" = win64 ] && other=("It is a 32-bit library (x86); this program is 64-bit (x86-64).")
    expect_trace "$here\\notelf$suffix" "$here\\notelf$suffix. The file is no library."
    expect_trace "$here\\dependent_filter$suffix" "It needs vanishing_library.dll, which cannot be found."
    expect_trace "$here\\other$suffix" "${other[0]}"
    expect_trace "$here\\missing$suffix" "library: not found: "
    if [ "$MORVASK_TARGET" = win32 ]; then
      expect_trace "$(filter_path decorated_filter)" \
        "DESKTOPTODEVICE@20, a stdcall name with its arguments' size: export the plain name with a .def file"
      # A __cdecl export: called all the same, its status reported as usual.
      expect_trace "$(filter_path cdecl_filter)" "it left its 20 bytes of arguments on the stack"
      [ "$RUN_STATUS" = 1 ] && cmp -s run.out <(success_text) ||
        fail "a __cdecl filter's run ended with $RUN_STATUS: $(cat run.out)"
    fi
    # The .mdb key under HKEY_CURRENT_USER, then in the other registry view.
    local view=/reg:64 place
    [ "$MORVASK_TARGET" = win64 ] && view=/reg:32
    registry_lines=() registry_installed=no
    install_registry
    for place in "HKEY_CURRENT_USER${FILTERS_KEY#HKEY_LOCAL_MACHINE}|$view|under HKEY_CURRENT_USER" \
      "$FILTERS_KEY|$view|-bit view of the registry; this program is"; do
      IFS='|' read -r key value text <<<"$place"
      wine_tool "$MORVASK_WINE64" "$(system_tool reg)" add "$key\\.mdb" /v DefaultImport /d '{0}' /f \
        "$value" >/dev/null
      MORVASK_TRACE=1 run /D2P /D Orders.mdb
      wine_tool "$MORVASK_WINE64" "$(system_tool reg)" delete "$key\\.mdb" /f "$value" >/dev/null
      grep -qF -- "$text" run.err || fail "the trace does not say [$text]: $(tr -d '\r' <run.err)"
    done
  else
    expect_trace "$here/notelf$suffix" "invalid ELF header"
    expect_trace "$here/dependent_filter$suffix" "vanishing_library.so: cannot open shared object file"
    expect_trace "$here/other$suffix" "wrong ELF class"
    expect_trace "$here/missing$suffix" "library: not found: No such file or directory"
    expect_trace 'C:\Filters\filter.dll' \
      "No such file or directory. It is a Windows path: on Linux a registry file names a library"
  fi
  expect_trace "$(filter_path mangled_filter)" "a C++ name: declare the function extern \"C\""
  expect_trace "$long" "$((${#long} + 1)) bytes, which do not fit the 100-byte buffer"
  is_windows && return
  # A registry file named by mistake: one warning, trace or not.
  MORVASK_REGISTRY=$work/missing.reg run /D2P /D Orders.mdb
  expect_stopped "warning: the registry file that MORVASK_REGISTRY names, $work/missing.reg, cannot be read (No such file or directory): the registry is empty.
Unable to locate filter for .mdb"
  MORVASK_TRACE=1 MORVASK_REGISTRY=$work/missing.reg run /D2P /D Orders.mdb
  grep -qF "morvask trace: registry: the registry file $work/missing.reg, named by MORVASK_REGISTRY, which cannot be read" run.err ||
    fail "the trace does not say the registry file cannot be read"
  # Filter keys where the program does not read them: each place named.
  local misplaced
  key=$FILTERS_KEY
  for misplaced in "HKLM${key#HKEY_LOCAL_MACHINE}|DefaultImport|a short name the registry editor does not read" \
    "HKEY_CURRENT_USER${key#HKEY_LOCAL_MACHINE}|DefaultImport|under HKEY_CURRENT_USER: filters are read" \
    "$key|DefaultExport|value \"DefaultExport\" is there, the value /P2D reads"; do
    IFS='|' read -r key value text <<<"$misplaced"
    printf 'REGEDIT4\r\n\r\n[%s\\.mdb]\r\n"%s"="{0}"\r\n' "$key" "$value" >misplaced.reg
    MORVASK_TRACE=1 MORVASK_REGISTRY=$work/misplaced.reg run /D2P /D Orders.mdb
    grep -qF "$text" run.err || fail "the trace does not say [$text]: $(cat run.err)"
  done
  # Registry files the editor refuses, each told by its first bytes.
  printf '\357\273\277REGEDIT4\r\n' >bom.reg
  printf 'REGEDIT4\r\n' | iconv -t UTF-16LE >le.reg
  { printf '\376\377' && printf 'REGEDIT4\r\n' | iconv -t UTF-16BE; } >be.reg
  printf 'regedit4\r\n' >lower.reg
  local refused
  for refused in 'bom:a UTF-8 byte-order mark' 'le:UTF-16 without its byte-order mark' \
    'be:UTF-16 big-endian' 'lower:neither REGEDIT4 nor Windows Registry Editor Version 5.00 (its first bytes: 72 65'; do
    MORVASK_TRACE=1 MORVASK_REGISTRY=$work/${refused%%:*}.reg run /D2P /D Orders.mdb
    grep -qF "${refused#*:}" run.err || fail "the trace does not say why ${refused%%:*}.reg is refused"
  done
}
