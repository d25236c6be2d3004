#!/usr/bin/env bash
# Writes a registry file of about SIZE mebibytes in the 8-bit (REGEDIT4) or
# the UTF-16LE (version 5.00) format: keys of filler first, then the .mdb
# filter and its class last, whose library does not exist.
#
#   make-registry.sh SIZE-MIB 8bit|utf16 FILE
set -euo pipefail
size=$(($1 << 20)) format=$2 file=$3
header=REGEDIT4
if [ "$format" = utf16 ]; then
  header='Windows Registry Editor Version 5.00'
  size=$((size / 2))  # two bytes for every character
fi
{
  awk -v size="$size" -v header="$header" 'BEGIN {
    printf "%s\r\n\r\n", header
    for (i = 0; written < size - 600; i++) {
      line = sprintf("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product\\Component%d]\r\n\"Name\"=\"Component number %d\"\r\n\"Version\"=dword:%08x\r\n\"Path\"=\"C:\\\\Program Files\\\\Vendor\\\\component%d.dll\"\r\n\r\n", i, i, i, i)
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
