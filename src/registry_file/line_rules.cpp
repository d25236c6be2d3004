#include "registry_file/line_rules.h"

#include <cstring>
#include <utility>

#include "base/ascii.h"
#include "base/text_linux.h"

namespace {

const RegRoot kRoots[] = {
    {"HKEY_LOCAL_MACHINE", true, ""},   {"HKEY_CLASSES_ROOT", true, "SOFTWARE\\Classes"},
    {"HKEY_CURRENT_USER", false, ""},   {"HKEY_USERS", false, ""},
    {"HKEY_CURRENT_CONFIG", false, ""}, {"HKEY_DYN_DATA", false, ""},
};

unsigned HexDigitValue(char c) {
  return c <= '9' ? static_cast<unsigned>(c - '0')
                  : static_cast<unsigned>(ToLowerAscii(c) - 'a' + 10);
}

std::string_view TrimBlanks(std::string_view text) {
  text = SkipRegBlanks(text);
  while (!text.empty() && IsRegBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Nothing more on the line but blanks and perhaps a comment.
bool EndsHere(std::string_view rest) {
  rest = SkipRegBlanks(rest);
  return rest.empty() || rest.front() == ';';
}

// A number in hexadecimal as the C library's strtoul reads it: blanks, a
// sign, "0x", then digits. `end` is where reading stopped, 0 when there
// were no digits.
struct HexNumber {
  std::uint64_t value = 0;
  bool found = false;
  std::size_t end = 0;
};

std::size_t SkipSignAndPrefix(std::string_view text, std::size_t at, bool& negative) {
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  if (at + 2 < text.size() && text[at] == '0' && ToLowerAscii(text[at + 1]) == 'x' &&
      IsRegHexDigit(text[at + 2])) {
    at += 2;
  }
  return at;
}

HexNumber ReadHexNumber(std::string_view text) {
  HexNumber number;
  bool negative = false;
  std::size_t at = SkipSignAndPrefix(text, text.size() - SkipRegBlanks(text).size(), negative);
  const std::size_t digits = at;
  for (; at < text.size() && IsRegHexDigit(text[at]); ++at) {
    // Past 32 bits the exact value no longer matters: it is too large.
    if (number.value <= 0xFFFFFFFFu) number.value = number.value * 16 + HexDigitValue(text[at]);
  }
  number.found = at > digits;
  number.end = number.found ? at : 0;
  // A negative number wraps around, far above any byte.
  if (number.found && negative && number.value != 0) number.value = ~0ull;
  return number;
}

// Reads a quoted text as the editor unescapes it: \\, \", \n and \r; \0 is
// refused, and a backslash before any other character is dropped. `text`
// starts after the opening quote and is left just past the closing one.
bool Unescape(std::string_view& text, std::string& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      text.remove_prefix(i + 1);
      return true;
    }
    if (c == '\\') {
      if (++i == text.size() || text[i] == '0') return false;
      c = text[i] == 'n' ? '\n' : text[i] == 'r' ? '\r' : text[i];
    }
    out += c;
  }
  return false;
}

// "dword:" data: up to eight hexadecimal digits, then nothing but blanks or
// a comment. No digits before a comment read as 0.
bool ParseDword(std::string_view text, std::string& bytes) {
  text = SkipRegBlanks(text);
  if (text.empty()) return false;
  std::size_t digits = 0;
  std::uint32_t value = 0;
  for (; digits < text.size() && IsRegHexDigit(text[digits]); ++digits) {
    value = (value << 4) | HexDigitValue(text[digits]);
  }
  if (digits > 8 || !EndsHere(text.substr(digits))) return false;
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((value >> shift) & 0xFF);
  return true;
}

// "hex(n):" with n in hexadecimal, not written with "0x"; `text` starts
// after "hex(" and is left after "):".
bool ParseHexType(std::string_view& text, std::uint32_t& type) {
  if (text.size() >= 2 && ToLowerAscii(text[1]) == 'x') return false;
  const HexNumber number = ReadHexNumber(text);
  const std::size_t end = number.end;
  if (number.value > 0xFFFFFFFFu || end + 1 >= text.size() || text[end] != ')' ||
      text[end + 1] != ':') {
    return false;
  }
  type = static_cast<std::uint32_t>(number.value);
  text.remove_prefix(end + 2);
  return true;
}

// What follows a comma of hex data where no byte does: a backslash
// continues the data on the next line, a comment ends it.
RegHexLine EndOfHexBytes(std::string_view rest) {
  rest = SkipRegBlanks(rest);
  if (rest.empty()) return RegHexLine::kInvalid;
  if (rest.front() == '\\') {
    return EndsHere(rest.substr(1)) ? RegHexLine::kContinues : RegHexLine::kInvalid;
  }
  return rest.front() == ';' ? RegHexLine::kEnds : RegHexLine::kInvalid;
}

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// The hex data of a value: "hex:" or "hex(n):" and its first line.
RegValueLine ReadHexData(std::string_view data, bool unicodeFile, RegValue&& value) {
  RegValueLine line;
  value.type = kRegBinary;
  if (data.compare(0, 4, "hex(") == 0) {
    data.remove_prefix(4);
    if (!ParseHexType(data, value.type)) return line;
  } else if (data.compare(0, 4, "hex:") == 0) {
    data.remove_prefix(4);
  } else {
    return line;
  }
  line.value = std::move(value);
  if (data.empty()) {
    line.read = true;  // no data at all: nothing to complete
    return line;
  }
  switch (ParseRegHexBytes(data, line.hexBytes)) {
    case RegHexLine::kInvalid: break;
    case RegHexLine::kContinues: line.continues = true; break;
    case RegHexLine::kEnds:
      FinishRegHexData(unicodeFile, line.hexBytes, line.value);
      line.read = true;
      break;
  }
  return line;
}

// The data after "name=", blanks trimmed.
RegValueLine ReadValueData(std::string_view data, bool tooLong, bool unicodeFile,
                           RegValue&& value) {
  RegValueLine line;
  if (!data.empty() && data.front() == '-') {
    value.deletion = true;
    line.read = EndsHere(data.substr(1));
  } else if (tooLong) {
    // Only the name is needed: data this long fits no reader's buffer.
    value.dataTooLong = true;
    line.read = true;
  } else if (!data.empty() && data.front() == '"') {
    data.remove_prefix(1);
    value.type = kRegSz;
    line.read = Unescape(data, value.data) && EndsHere(data);
    value.data += '\0';
  } else if (data.compare(0, 6, "dword:") == 0) {
    value.type = kRegDword;
    line.read = ParseDword(data.substr(6), value.data);
  } else {
    return ReadHexData(data, unicodeFile, std::move(value));
  }
  line.value = std::move(value);
  return line;
}

}  // namespace

const RegRoot* FindRegRoot(std::string_view name, std::size_t& length) {
  for (const RegRoot& root : kRoots) {
    if (StartsWithIgnoringAsciiCase(name, root.name) &&
        (name.size() == root.name.size() || name[root.name.size()] == '\\')) {
      length = root.name.size();
      return &root;
    }
  }
  return nullptr;
}

bool IsRegHexDigit(char c) {
  const char lower = ToLowerAscii(c);
  return (c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'f');
}

std::string_view SkipRegBlanks(std::string_view text) {
  while (!text.empty() && IsRegBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string NormalizeRegKeyPath(std::string_view path) {
  std::string normal;
  normal.reserve(path.size());
  for (char c : path) {
    if (c == '\\' && (normal.empty() || normal.back() == '\\')) continue;
    normal += c;
  }
  if (!normal.empty() && normal.back() == '\\') normal.pop_back();
  return normal;
}

std::string_view RegLineContent(std::string_view line) {
  const void* nul = std::memchr(line.data(), '\0', line.size());
  if (nul != nullptr) line = line.substr(0, static_cast<const char*>(nul) - line.data());
  return SkipRegBlanks(line);
}

bool IsRegSectionHeader(std::string_view text) {
  return text.size() >= 2 && text.front() == '[' && !IsRegBlank(text[1]) &&
         text.find(']', 1) != std::string_view::npos;
}

bool IsPassedOverByHexData(std::string_view text) { return text.empty() || text.front() == ';'; }

bool ParseRegSection(std::string_view line, RegSection& section) {
  line = RegLineContent(line);
  if (!IsRegSectionHeader(line)) return false;
  // Key names may hold "]": the last one on the line closes the header.
  const std::size_t close = line.rfind(']');
  std::string_view name = line.substr(1, close - 1);
  section.deletion = !name.empty() && name.front() == '-';
  if (section.deletion) name.remove_prefix(1);
  std::size_t rootLength = 0;
  const RegRoot* root = FindRegRoot(name, rootLength);
  const std::string_view below = name.substr(root != nullptr ? rootLength : 0);
  section.path = NormalizeRegKeyPath(below);
  if (root != nullptr && !root->below.empty()) {
    section.path = section.path.empty() ? std::string(root->below)
                                        : std::string(root->below) + "\\" + section.path;
  }
  // A header that names no root opens no key, a root itself cannot be
  // deleted, and a key path cannot start with a separator: each leaves no
  // key current.
  const bool leadingSeparator = below.size() >= 2 && below[1] == '\\';
  const bool rootDeletion = section.deletion && NormalizeRegKeyPath(below).empty();
  section.localMachine =
      root != nullptr && root->localMachine && !leadingSeparator && !rootDeletion;
  return true;
}

RegValueLine ParseRegValueLine(std::string_view text, bool tooLong, bool unicodeFile) {
  RegValue value;
  if (text.empty() || (text.front() != '@' && text.front() != '"')) return {};
  const bool defaultValue = text.front() == '@';
  text.remove_prefix(1);
  if (!defaultValue && !Unescape(text, value.name)) return {};
  text = SkipRegBlanks(text);
  if (text.empty() || text.front() != '=') return {};
  return ReadValueData(TrimBlanks(text.substr(1)), tooLong, unicodeFile, std::move(value));
}

RegHexLine ParseRegHexBytes(std::string_view text, std::string& bytes) {
  while (!text.empty()) {
    const HexNumber number = ReadHexNumber(text);
    if (!number.found) return EndOfHexBytes(text);
    if (number.value > 0xFF) return RegHexLine::kInvalid;
    bytes += static_cast<char>(number.value);
    text.remove_prefix(number.end);
    if (text.empty()) break;
    if (text.front() != ',') return EndsHere(text) ? RegHexLine::kEnds : RegHexLine::kInvalid;
    text.remove_prefix(1);
  }
  return RegHexLine::kEnds;
}

void FinishRegHexData(bool unicodeFile, std::string& bytes, RegValue& value) {
  if (value.dataTooLong || !IsStringType(value.type)) {
    value.data = std::move(bytes);
    return;
  }
  // The editor adds the terminator a string lacks, and Windows keeps it.
  if (!unicodeFile) {
    if (!bytes.empty() && bytes.back() != '\0') bytes += '\0';
    value.data = std::move(bytes);
    return;
  }
  const std::size_t units = bytes.size() / 2;
  if (units > 0 && (bytes[units * 2 - 2] != 0 || bytes[units * 2 - 1] != 0)) {
    bytes.resize(units * 2);
    bytes.append(2, '\0');
  }
  // The registry holds string types as UTF-16; a program reading them with
  // the A calls gets them in its own code page, here UTF-8.
  std::string pending;
  value.data.clear();
  DecodeUtf16(bytes, pending, value.data);
}

bool MayContinueRegHexData(std::string_view text) {
  while (!text.empty() && IsRegBlank(text.back())) text.remove_suffix(1);
  return (!text.empty() && text.back() == '\\') || text.find(';') != std::string_view::npos;
}
