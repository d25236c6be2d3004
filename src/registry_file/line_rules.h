// The lines of a registry file (".reg"), as the registry editor reads them
// on import: section headers, values and their data, each line on its own.
// What one line means can depend on the lines before it (hex data goes on
// over several lines); the scanner keeps that state, these functions only
// read the line they are given. Text is UTF-8, line ends taken off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A key section header: [HKEY_LOCAL_MACHINE\path] or, to delete the key and
// everything below it, [-HKEY_LOCAL_MACHINE\path]. Keys of
// HKEY_CLASSES_ROOT are those of HKEY_LOCAL_MACHINE\SOFTWARE\Classes, as
// the registry merges them.
struct RegSection {
  std::uint64_t offset = 0;  // where its line starts in the file, when known
  bool deletion = false;
  bool localMachine = false;  // false for keys under every other root, and
                              // for a header that opens or deletes nothing
  std::string path;           // below HKEY_LOCAL_MACHINE, no empty parts
};

// One value of a section: "name"=data or @=data for the default value.
struct RegValue {
  std::string name;  // empty for the default value
  bool deletion = false;
  std::uint32_t type = 0;
  std::string data;          // the bytes as a program reads them through the A calls
  bool dataTooLong = false;  // the line was longer than the reader keeps
};

enum : std::uint32_t {
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";

// The roots a header may name, and where their keys lie below
// HKEY_LOCAL_MACHINE; the other roots are not the local machine's.
struct RegRoot {
  std::string_view name;
  bool localMachine;
  std::string_view below;
};

// The root at the start of a key name, matched whole and without regard to
// letter case, and its length; null when there is none.
const RegRoot* FindRegRoot(std::string_view name, std::size_t& length);

inline bool IsRegBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsRegLineEnd(char c) { return c == '\n' || c == '\r'; }
bool IsRegHexDigit(char c);
std::string_view SkipRegBlanks(std::string_view text);

// --- the rules of a line, each written once for every reading --------------

// What a line says: its text up to its first NUL byte, where the editor
// ends it, less the blanks before it. `line` is the line without its line
// end; every rule below takes what this returns.
std::string_view RegLineContent(std::string_view line);

// Whether the line is a section header: "[", then a character other than a
// blank, and a "]" after it.
bool IsRegSectionHeader(std::string_view text);

// Whether hex data that goes on passes over the line: a blank line, or a
// comment.
bool IsPassedOverByHexData(std::string_view text);

// False only when the line certainly does not end in the backslash that
// continues hex data: its last character is no backslash and it holds no
// comment. A quick look, for lines that need no reading otherwise.
bool MayContinueRegHexData(std::string_view text);

// Whether no hex data goes on after the line, whatever came before it: hex
// data does not pass over it, and it cannot continue it. The one line that
// carries state from line to line is hex data that goes on; after such a
// line there is none, so a reading may start after it.
inline bool EndsRegHexData(std::string_view text) {
  return !IsPassedOverByHexData(text) && !MayContinueRegHexData(text);
}

// Parses a section header line (see IsRegSectionHeader). False when the
// line is no header (the key before it then stays current). A header whose key path starts with a
// separator
// ([HKEY_LOCAL_MACHINE\\SOFTWARE]) is one the registry refuses: it opens
// and deletes nothing.
bool ParseRegSection(std::string_view line, RegSection& section);

// A key path with its empty parts removed ("a\\b\" is "a\b").
std::string NormalizeRegKeyPath(std::string_view path);

// A value line, blanks before it taken off, as far as one line tells.
struct RegValueLine {
  bool read = false;       // a whole value, in `value`
  bool continues = false;  // hex data that goes on over the next lines: its
                           // bytes so far are in `hexBytes`
  RegValue value;
  std::string hexBytes;
};

// Reads "name"=data or @=data. A line the editor would pass over reads as
// neither a value nor a start; so does a line cut short (`tooLong`), whose
// value is read with its name only and marked too long. Hex data of the
// string types is read as UTF-16 when `unicodeFile`.
RegValueLine ParseRegValueLine(std::string_view text, bool tooLong, bool unicodeFile);

enum class RegHexLine { kInvalid, kEnds, kContinues };

// One line of hex data, bytes separated by commas, appended to `bytes`. A
// backslash after the last comma continues the data on the next line; a
// comment may close the line.
RegHexLine ParseRegHexBytes(std::string_view text, std::string& bytes);

// The data of a hex value once all its lines are read: string types get
// the terminator Windows adds, and are decoded from UTF-16 when
// `unicodeFile`.
void FinishRegHexData(bool unicodeFile, std::string& bytes, RegValue& value);
