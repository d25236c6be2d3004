// The reading of a registry file's lines, as the registry editor imports
// them, for a lookup of one key: each line in turn, and a quick pass over the
// sections that concern neither that key nor one above or below it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "registry_file/file_lines.h"
#include "registry_file/header_look.h"

// The longest line kept whole; longer ones are cut.
constexpr std::size_t kMaxRegLineBytes = 1 << 20;

// The state of one scan.
struct RegScan {
  const RegHeaderLook& look;
  const RegSectionHandler& onSection;
  const RegValueHandler& onValue;
  RegScanOptions options;
  std::uint64_t base = 0;        // the file offset of the lines being read
  std::uint64_t lineOffset = 0;  // the file offset of the line being read
  bool stopped = false;          // the wanted section ended, and the scan with it
  bool hadWanted = false;
  bool headerSeen = false;
  bool unicodeFile = false;
  bool wanted = false;        // the current section's values go to onValue
  bool hexContinues = false;  // a value's hex data goes on over the next lines
  RegValue hexValue{};
  std::string hexBytes{};
  // When given, `noted` tells whether a header of the lines read may
  // concern this look's focus, a key above it or below it.
  const RegHeaderLook* noteLook = nullptr;
  bool noted = false;
  // The first bytes of the last header passed over at a glance: a header
  // that starts with them is passed over alike, without a look.
  std::string glanced{};
};

// Whether the section header at the start of `header` (which may go on past
// its line) certainly concerns neither the scan's focus nor a key above or
// below it; notes it on the way. `utf16`: the header is in UTF-16LE units.
bool PassesOverHeader(RegScan& scan, std::string_view header, bool utf16);

// Notes a section header for the scan's note look (`tooLong`: one cut).
void NoteRegHeader(RegScan& scan, std::string_view header, bool tooLong);

// A scan of the lines after the header of a file, which told whether hex
// string data is UTF-16 (`unicodeFile`).
RegScan RegBodyScan(const RegHeaderLook& look, const RegSectionHandler& onSection,
                    const RegValueHandler& onValue, RegScanOptions options, bool unicodeFile);

// Where the line that starts at `at` ends: its first CR or LF, or `size`.
// `newline` remembers the next LF found, so that a file of CR line ends is
// not searched to the end of the block for each line; start it at npos.
std::size_t RegLineEnd(const char* data, std::size_t size, std::size_t at, std::size_t& newline);

// Where the next line starts after a line that ends at `end`.
std::size_t AfterRegLineEnd(const char* data, std::size_t size, std::size_t end);

// Reads whole lines, each ended by CR, LF or CR LF; the last one may lack
// its line end only at the end of the file. False when the file turns out
// not to be one the editor imports.
bool ScanRegLines(RegScan& scan, std::string_view lines);

// Reads one line, its line end taken off; `tooLong` says it was cut. Its
// offset in the file is scan.lineOffset.
bool ScanRegLine(RegScan& scan, std::string_view line, bool tooLong);

// Ends the scan at the end of the file, where hex data that goes on ends
// too. False when the file had no header the editor knows.
bool FinishRegScan(RegScan& scan);
