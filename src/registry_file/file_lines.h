// Reads the text files the Windows registry editor exports and imports
// (".reg" files) as a stream, so that memory does not grow with the file,
// and as the editor imports them: the same header, escapes, comments,
// continuations and line ends, and the same lines passed over. Lines longer
// than a limit are cut, and a truncated file ends where it ends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "registry_file/line_rules.h"

using RegSectionHandler = std::function<bool(const RegSection& section)>;
using RegValueHandler = std::function<void(const RegValue& value)>;

struct RegScanOptions {
  // Pass over the sections whose headers show at a glance that they concern
  // neither the focus nor a key above or below it. Off, every line is read
  // in full and every section reaches onSection; what a handler that looks
  // at the focus alone makes of the file is the same either way.
  bool passOverSections = true;
  // End the scan where the first section that onSection wanted ends.
  bool stopAfterWantedSection = false;
};

// Reads the open file, in either format the registry editor writes:
// "REGEDIT4" or "Windows Registry Editor Version 5.00", in the 8-bit code
// page or in UTF-16LE with its byte-order mark. Text reaches the handlers as
// UTF-8. onSection is called for the sections of the key `focus` (a path
// below HKEY_LOCAL_MACHINE without empty parts), of the keys above it and of
// those below it, and returns whether it wants the section's values;
// onValue then receives them in file order. Returns false when the editor
// would not import the file at all; the handlers are then not called.
bool ScanRegFile(int file, std::string_view focus, const RegSectionHandler& onSection,
                 const RegValueHandler& onValue, RegScanOptions options = {});

// Which file was read, and as it was: its device, file number, size and
// times, which any change to it moves.
struct RegFileIdentity {
  std::uint64_t device = 0;
  std::uint64_t number = 0;
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds
  std::int64_t changed = 0;
};

bool SameRegFile(const RegFileIdentity& a, const RegFileIdentity& b);

// What the first line of a registry file tells.
struct RegFileStart {
  bool imported = false;      // the editor imports the file
  bool utf16 = false;         // UTF-16LE with its byte-order mark
  bool unicodeFile = false;   // a version 5.00 file: hex string data is UTF-16
  bool wholeHeader = false;   // the first line ended within a block
  std::uint64_t body = 0;     // where the line after the header starts
  std::uint64_t size = 0;     // the size of the file
  std::uint64_t textEnd = 0;  // where its last whole character ends
  RegFileIdentity identity;
};

// Reads the first line of the file.
RegFileStart ReadRegFileStart(int file);

// Scans the lines of the file from `begin`, the start of a line before
// which no hex data goes on, up to `end`, where a line ends too; as
// ScanRegFile does, with the header already read. Each section reaches
// onSection with the offset of its line.
void ScanRegFileLines(int file, const RegFileStart& start, std::uint64_t begin, std::uint64_t end,
                      std::string_view focus, const RegSectionHandler& onSection,
                      const RegValueHandler& onValue, RegScanOptions options = {});
