// A reader for the text files the Windows registry editor exports and
// imports (".reg" files), read as a stream so that memory does not grow with
// the file. It reads a file as the editor imports it: the same header,
// escapes, comments, continuations and line ends, and the same lines passed
// over. Lines longer than a limit are cut, and a truncated file ends where
// it ends.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "platform/win32.h"

// A key section header: [HKEY_LOCAL_MACHINE\path] or, to delete the key and
// everything below it, [-HKEY_LOCAL_MACHINE\path]. Keys of
// HKEY_CLASSES_ROOT are those of HKEY_LOCAL_MACHINE\SOFTWARE\Classes, as
// the registry merges them.
struct RegSection {
  bool deletion = false;
  bool localMachine = false;  // false for keys under every other root, and
                              // for a header that opens or deletes nothing
  std::string path;           // below HKEY_LOCAL_MACHINE, no empty parts
};

// One value of a section: "name"=data, or @=data for the default value.
struct RegValue {
  std::string name;  // empty for the default value
  bool deletion = false;
  DWORD type = 0;
  std::string data;          // the bytes as a program reads them through the A calls
  bool dataTooLong = false;  // the line was longer than the reader keeps
};

enum : DWORD {
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

using RegSectionHandler = std::function<bool(const RegSection& section)>;
using RegValueHandler = std::function<void(const RegValue& value)>;

// Reads a file in either format the registry editor writes: "REGEDIT4" or
// "Windows Registry Editor Version 5.00", in the 8-bit code page or in
// UTF-16LE with its byte-order mark. Text reaches the handlers as UTF-8.
// onSection is called for the sections of the key `focus` (a path below
// HKEY_LOCAL_MACHINE without empty parts), of the keys above it and of
// those below it, and returns whether it wants the section's values;
// onValue then receives them in file order. Returns false when the editor
// would not import the file at all; the handlers are then not called.
bool ScanRegFile(std::FILE* file, std::string_view focus, const RegSectionHandler& onSection,
                 const RegValueHandler& onValue);

// Parses a section header line; false when the line is no header (the
// key before it then stays current).
bool ParseRegSection(std::string_view line, RegSection& section);

// A key path with its empty parts removed ("a\\b\" is "a\b").
std::string NormalizeRegKeyPath(std::string_view path);
