#!/usr/bin/env bash
# Writes a registry file of about SIZE mebibytes in the 8-bit (REGEDIT4) or
# the UTF-16LE (version 5.00) format: keys of filler first, then the .mdb
# filter and its class last, whose library does not exist. The filler is
# either vendor keys (SOFTWARE\Vendor\...) or, as in an export of the whole
# of HKEY_LOCAL_MACHINE, classes: CLSID, Interface and TypeLib keys under
# SOFTWARE\Classes, every CLSID header sharing a long prefix with the key
# of the filter's library.
#
#   make-registry.sh SIZE-MIB 8bit|utf16 FILE [vendor|classes]
set -euo pipefail
size=$(($1 << 20)) format=$2 file=$3 shape=${4:-vendor}
header=REGEDIT4
if [ "$format" = utf16 ]; then
  header='Windows Registry Editor Version 5.00'
  size=$((size / 2))  # two bytes for every character
fi
{
  awk -v size="$size" -v header="$header" -v shape="$shape" '
  function guid(i) { return sprintf("{%08X-%04X-%04X-%04X-%012X}", i * 2654435761 % 4294967296, i % 65536, (i * 7) % 65536, (i * 13) % 65536, i * 40503) }
  function vendor(i) {
    return sprintf("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product\\Component%d]\r\n\"Name\"=\"Component number %d\"\r\n\"Version\"=dword:%08x\r\n\"Path\"=\"C:\\\\Program Files\\\\Vendor\\\\component%d.dll\"\r\n\r\n", i, i, i, i)
  }
  function classes(i, g, kind) {
    g = guid(i)
    kind = i % 4
    if (kind < 2)
      return sprintf("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\%s]\r\n@=\"Component %d\"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\%s\\InProcServer32]\r\n@=\"C:\\\\Windows\\\\System32\\\\component%d.dll\"\r\n\"ThreadingModel\"=\"Both\"\r\n\r\n", g, i, g, i)
    if (kind == 2)
      return sprintf("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Interface\\%s]\r\n@=\"IComponent%d\"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Interface\\%s\\ProxyStubClsid32]\r\n@=\"{00020424-0000-0000-C000-000000000046}\"\r\n\r\n", g, i, g)
    return sprintf("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\TypeLib\\%s\\1.0]\r\n@=\"Component %d Type Library\"\r\n\r\n", g, i)
  }
  BEGIN {
    printf "%s\r\n\r\n", header
    for (i = 0; written < size - 600; i++) {
      line = shape == "classes" ? classes(i) : vendor(i)
      printf "%s", line
      written += length(line)
    }
  }'
  printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.mdb]\r\n'
  printf '"DefaultImport"="{4D4F5256-0009-4153-4B00-42454E434821}"\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{4D4F5256-0009-4153-4B00-42454E434821}\\InProcServer32]\r\n'
  printf '@="/nonexistent/morvask-bench/filter.so"\r\n'
} >"$file.tmp"
if [ "$format" = utf16 ]; then
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$file.tmp"; } >"$file"
  rm "$file.tmp"
else
  mv "$file.tmp" "$file"
fi
