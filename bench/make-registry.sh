#!/usr/bin/env bash
# Writes a registry file of about SIZE mebibytes in the 8-bit (REGEDIT4) or
# the UTF-16LE (version 5.00) format, holding the .mdb filter and its class,
# whose library does not exist. The shapes:
#   vendor   vendor keys (SOFTWARE\Vendor\...), the filter's keys last;
#   classes  as in an export of the whole of HKEY_LOCAL_MACHINE: CLSID,
#            Interface and TypeLib keys under SOFTWARE\Classes, every CLSID
#            header sharing a long prefix with the key of the filter's
#            library; the filter's keys last;
#   clsid    CLSID sections of 140 bytes, each with a default value and
#            "ThreadingModel"; the filter's keys last;
#   sorted   an export of the whole of HKEY_LOCAL_MACHINE, keys in the
#            order the editor writes them: CLSID keys in the order of their
#            identifiers (the filter's class among them, a third of the way
#            in), keys of SOFTWARE\Microsoft (the filter's among them, after
#            them), then SYSTEM keys;
#   first    the filter's keys first, then vendor keys: nothing after the
#            start concerns a lookup;
#   middle   vendor keys, the filter's keys half-way;
#   long     vendor keys, every 20th with a value of 23,000 bytes of hex
#            data on one line of 69 KB; the filter's keys half-way;
#   firstlong  the filter's keys first, then the vendor keys of long.
#
#   make-registry.sh SIZE-MIB 8bit|utf16 FILE [vendor|classes|clsid|sorted|first|middle|long|firstlong]
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
  function clsid(i) {
    return sprintf("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\%s]\r\n@=\"Component object %d\"\r\n\"ThreadingModel\"=\"Apartment\"\r\n\r\n", guid(i), i)
  }
  function blob(i, line, n) {
    line = "\"Blob\"=hex:"
    for (n = 0; n < 23000; n++) line = line sprintf("%02x,", (i + n) % 256)
    return substr(line, 1, length(line) - 1) "\r\n"
  }
  function long_line(i, line) {
    line = vendor(i)
    if (i % 20 == 0) line = substr(line, 1, length(line) - 2) blob(i) "\r\n"
    return line
  }
  function halfway(line) {
    if (!key_written && written >= size / 2) { key_written = 1; line = line filter_key() filter_class() }
    return line
  }
  function filter_key() {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.mdb]\r\n\"DefaultImport\"=\"{4D4F5256-0009-4153-4B00-42454E434821}\"\r\n\r\n"
  }
  function filter_class() {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{4D4F5256-0009-4153-4B00-42454E434821}\\InProcServer32]\r\n@=\"/nonexistent/morvask-bench/filter.so\"\r\n\r\n"
  }
  # The sorted export: three parts in the order of their keys, in shares of
  # the size; the class and key of the filter in their places.
  function sorted(i, part, n, g) {
    if (written < size * 0.6) {
      n = int(written / (size * 0.6) * 4294967295)
      if (!class_written && n >= 1297044054) { class_written = 1; return filter_class() }
      g = sprintf("{%08X-%04X-%04X-%04X-%012X}", n, i % 65536, 0, 0, i)
      return sprintf("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\%s]\r\n@=\"Component object %d\"\r\n\"ThreadingModel\"=\"Apartment\"\r\n\r\n", g, i)
    }
    if (written < size * 0.75)
      return sprintf("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Component%07d]\r\n\"Version\"=dword:%08x\r\n\r\n", i, i)
    if (!key_written) { key_written = 1; return filter_key() }
    return sprintf("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Service%07d]\r\n\"Start\"=dword:00000003\r\n\"Type\"=dword:00000010\r\n\r\n", i)
  }
  BEGIN {
    printf "%s\r\n\r\n", header
    if (shape ~ /^first/) printf "%s%s", filter_key(), filter_class()
    for (i = 0; written < size - 600; i++) {
      line = shape == "classes" ? classes(i) : shape == "clsid" ? clsid(i) : shape == "sorted" ? sorted(i) : shape ~ /long$/ ? long_line(i) : vendor(i)
      if (shape == "middle" || shape == "long") line = halfway(line)
      printf "%s", line
      written += length(line)
    }
    if (shape == "vendor" || shape == "classes" || shape == "clsid") printf "%s%s", filter_key(), filter_class()
  }'
} >"$file.tmp"
if [ "$format" = utf16 ]; then
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$file.tmp"; } >"$file"
  rm "$file.tmp"
else
  mv "$file.tmp" "$file"
fi
