// A reader for the text files the Windows registry editor exports and
// imports (".reg" files), read as a stream so that memory does not grow with
// the file: lines longer than a limit are cut, malformed lines are passed
// over, and a truncated file ends where it ends.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "platform/win32.h"

// A key section header: [HKEY_LOCAL_MACHINE\path] or, to delete the key and
// everything below it, [-HKEY_LOCAL_MACHINE\path].
struct RegSection {
  bool deletion = false;
  bool localMachine = false;  // false for keys under every other root
  std::string_view path;      // below the root, no leading backslash; valid
                              // only while the section handler runs
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

// Reads a file in either format the registry editor writes: "REGEDIT4"
// (8-bit) or "Windows Registry Editor Version 5.00" (UTF-16LE with its
// byte-order mark, or UTF-8). Text reaches the handlers as UTF-8. onSection
// is called for the sections of the key `focus` (a path below
// HKEY_LOCAL_MACHINE), of the keys above it and of those below it, and
// returns whether it wants the section's values; onValue then receives them
// in file order. Returns false when the file is not a registry file.
bool ScanRegFile(std::FILE* file, std::string_view focus, const RegSectionHandler& onSection,
                 const RegValueHandler& onValue);

// Parses a section header line, brackets included; false when malformed.
bool ParseRegSection(std::string_view line, RegSection& section);

// Parses a whole value line (continuations already joined); false when
// malformed. unicodeFile selects how hex(1), hex(2) and hex(7) data read.
bool ParseRegValue(std::string_view line, bool unicodeFile, RegValue& value);
