#include "platform/reg_file_posix.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/ascii.h"

namespace {

constexpr std::size_t kBlockBytes = 1 << 18;
constexpr std::size_t kMaxLineBytes = 1 << 20;

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";

// The roots a header may name, and where their keys lie below
// HKEY_LOCAL_MACHINE; other roots are not the local machine's.
struct Root {
  std::string_view name;
  bool localMachine;
  std::string_view below;
};

const Root kRoots[] = {
    {"HKEY_LOCAL_MACHINE", true, ""},   {"HKEY_CLASSES_ROOT", true, "SOFTWARE\\Classes"},
    {"HKEY_CURRENT_USER", false, ""},   {"HKEY_USERS", false, ""},
    {"HKEY_CURRENT_CONFIG", false, ""}, {"HKEY_DYN_DATA", false, ""},
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

bool IsHexDigit(char c) {
  const char lower = ToLowerAscii(c);
  return (c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'f');
}

unsigned HexDigitValue(char c) {
  return c <= '9' ? static_cast<unsigned>(c - '0')
                  : static_cast<unsigned>(ToLowerAscii(c) - 'a' + 10);
}

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimBlanks(std::string_view text) {
  text = SkipBlanks(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Nothing more on the line but blanks and perhaps a comment.
bool EndsHere(std::string_view rest) {
  rest = SkipBlanks(rest);
  return rest.empty() || rest.front() == ';';
}

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

// Decodes UTF-16LE to UTF-8. A trailing odd byte or a high surrogate whose
// partner has not arrived yet stays in `pending` for the next call; an
// unpaired surrogate becomes U+FFFD.
void DecodeUtf16(std::string_view raw, std::string& pending, std::string& out) {
  std::string joined;
  std::string_view units = raw;
  if (!pending.empty()) {
    joined = pending + std::string(raw);
    units = joined;
  }
  out.reserve(out.size() + units.size() / 2);
  auto unitAt = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(units[at]) |
                                      (static_cast<unsigned char>(units[at + 1]) << 8));
  };
  std::size_t i = 0;
  while (i + 1 < units.size()) {
    const std::uint32_t unit = unitAt(i);
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));  // nearly every character of a registry file
    } else if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 3 >= units.size()) break;
      const std::uint32_t next = unitAt(i + 2);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        i += 4;
        continue;
      }
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, unit >= 0xDC00 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
    i += 2;
  }
  pending.assign(units.substr(i));
}

// Large reads for a large file; a small file needs no more than itself.
std::size_t BlockSize(std::FILE* file) {
  struct stat status;
  if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return kBlockBytes;
  const std::size_t size = static_cast<std::size_t>(status.st_size);
  return size < kBlockBytes ? size + 1 : kBlockBytes;
}

void AppendCapped(std::string& line, bool& tooLong, const char* data, std::size_t size) {
  const std::size_t room = kMaxLineBytes - line.size();
  if (size > room) {
    tooLong = true;
    size = room;
  }
  line.append(data, size);
}

// A number in hexadecimal as the C library's strtoul reads it: blanks, a
// sign, "0x", then digits. `end` is where reading stopped, the start when
// there were no digits.
struct HexNumber {
  std::uint64_t value = 0;
  bool found = false;
  std::size_t end = 0;
};

HexNumber ReadHexNumber(std::string_view text) {
  HexNumber number;
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  if (at + 2 < text.size() && text[at] == '0' && ToLowerAscii(text[at + 1]) == 'x' &&
      IsHexDigit(text[at + 2])) {
    at += 2;
  }
  const std::size_t digits = at;
  for (; at < text.size() && IsHexDigit(text[at]); ++at) {
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
      if (++i == text.size()) return false;
      c = text[i];
      if (c == '0') return false;
      if (c == 'n') c = '\n';
      if (c == 'r') c = '\r';
    }
    out += c;
  }
  return false;
}

// The root at the start of a key name, matched whole and without regard to
// letter case, or null.
const Root* FindRoot(std::string_view name, std::size_t& length) {
  for (const Root& root : kRoots) {
    if (StartsWithIgnoringAsciiCase(name, root.name) &&
        (name.size() == root.name.size() || name[root.name.size()] == '\\')) {
      length = root.name.size();
      return &root;
    }
  }
  return nullptr;
}

// "dword:" data: up to eight hexadecimal digits, then nothing but blanks or
// a comment.
bool ParseDword(std::string_view text, std::string& bytes) {
  text = SkipBlanks(text);
  if (text.empty()) return false;
  std::size_t digits = 0;
  std::uint32_t value = 0;
  while (digits < text.size() && IsHexDigit(text[digits])) {
    value = (value << 4) | HexDigitValue(text[digits]);
    ++digits;
  }
  if (digits > 8 || !EndsHere(text.substr(digits))) return false;
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((value >> shift) & 0xFF);
  return true;
}

enum class HexLine { kInvalid, kEnds, kContinues };

// One line of hex data, bytes separated by commas. A backslash after the
// last comma continues the data on the next line; a comment may close it.
HexLine ParseHexBytes(std::string_view text, std::string& bytes) {
  while (!text.empty()) {
    const HexNumber number = ReadHexNumber(text);
    if (number.value > 0xFF) return HexLine::kInvalid;
    if (!number.found) {
      const std::string_view rest = SkipBlanks(text);
      if (!rest.empty() && rest.front() == '\\') {
        return EndsHere(rest.substr(1)) ? HexLine::kContinues : HexLine::kInvalid;
      }
      return !rest.empty() && rest.front() == ';' ? HexLine::kEnds : HexLine::kInvalid;
    }
    bytes += static_cast<char>(number.value);
    text.remove_prefix(number.end);
    if (!text.empty() && text.front() != ',') {
      return EndsHere(text) ? HexLine::kEnds : HexLine::kInvalid;
    }
    if (!text.empty()) text.remove_prefix(1);
  }
  return HexLine::kEnds;
}

bool IsStringType(DWORD type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// "hex(n):" with n in hexadecimal, not written with "0x".
bool ParseHexType(std::string_view& text, DWORD& type) {
  if (text.size() >= 2 && ToLowerAscii(text[1]) == 'x') return false;
  const HexNumber number = ReadHexNumber(text);
  const std::size_t end = number.end;
  if (number.value > 0xFFFFFFFFu || end + 1 >= text.size() || text[end] != ')' ||
      text[end + 1] != ':') {
    return false;
  }
  type = static_cast<DWORD>(number.value);
  text.remove_prefix(end + 2);
  return true;
}

// Whether the block up to `at` ends a line, perhaps with blanks after it;
// `lineStart` says the same of all that came before the block.
bool AtLineStart(const char* data, std::size_t at, bool lineStart) {
  while (at > 0 && IsBlank(data[at - 1])) --at;
  return at == 0 ? lineStart : IsLineEnd(data[at - 1]);
}

// Where the next section header begins: a "[" first on its line, perhaps
// after blanks; `size` when the block has none.
std::size_t FindSectionStart(const char* data, std::size_t size, std::size_t from, bool lineStart) {
  while (from < size) {
    const void* bracket = std::memchr(data + from, '[', size - from);
    if (bracket == nullptr) return size;
    const std::size_t at = static_cast<const char*>(bracket) - data;
    if (AtLineStart(data, at, lineStart)) return at;
    from = at + 1;
  }
  return size;
}

// How many bytes at the start of `a` and `b` are the same, at most `size`;
// eight at a time, as most headers share a long start with the focus.
std::size_t SameBytes(const char* a, const char* b, std::size_t size) {
  std::size_t same = 0;
  while (same + 8 <= size) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::memcpy(&x, a + same, 8);
    std::memcpy(&y, b + same, 8);
    if (x != y) break;
    same += 8;
  }
  while (same < size && a[same] == b[same]) ++same;
  return same;
}

// The root a header names at `at`, and its length. Nearly every header of
// a file names the local machine, written as the editor writes it.
const Root* HeaderRoot(std::string_view text, std::size_t at, std::size_t& length) {
  const std::string_view localMachine = kRoots[0].name;
  if (text.compare(at, localMachine.size(), localMachine) == 0 &&
      at + localMachine.size() < text.size() && text[at + localMachine.size()] == '\\') {
    length = localMachine.size();
    return &kRoots[0];
  }
  return FindRoot(text.substr(at), length);
}

// The quickest look, for a header written as the editor writes the focus:
// `needle` is "[HKEY_LOCAL_MACHINE\" and the focus up to its first "]".
// True when the header leaves the needle at an ordinary character, one that
// differs from the needle's in more than letter case; then its key is
// certainly elsewhere.
bool LeavesNeedle(std::string_view text, std::string_view needle) {
  const std::size_t same =
      SameBytes(text.data(), needle.data(), std::min(text.size(), needle.size()));
  // Within the root, the header may name another root that holds the
  // focus's keys too (HKEY_CLASSES_ROOT): only past it is a difference sure.
  constexpr std::size_t kRootEnd = sizeof "[HKEY_LOCAL_MACHINE\\" - 1;
  if (same < kRootEnd || same >= needle.size() || same >= text.size()) return false;
  const char c = text[same];
  if (c == '\\' || c == ']' || c == '-' || IsLineEnd(c) || needle[same] == '\\') return false;
  return ToLowerAscii(c) != ToLowerAscii(needle[same]);
}

// A look at a section header from its first bytes, which may not hold all
// of it: true only when its key certainly is neither `focus`, nor above,
// nor below it. Most sections of a large file are passed over here.
bool CertainlyElsewhere(std::string_view text, std::string_view focus, std::size_t exact) {
  std::size_t at = 1;  // past "["
  if (at < text.size() && text[at] == '-') ++at;
  std::size_t rootLength = 0;
  const Root* root = HeaderRoot(text, at, rootLength);
  if (root == nullptr || !root->localMachine) return false;
  at += rootLength;
  // Compares the key below the root, `prefix` first, with the focus.
  const std::string_view prefix = root->below;
  std::size_t matched = 0;
  if (!prefix.empty()) {
    // The root's keys lie below the prefix: they concern a focus above it.
    if (focus.empty() || (StartsWithIgnoringAsciiCase(prefix, focus) &&
                          focus.size() < prefix.size() && prefix[focus.size()] == '\\')) {
      return false;
    }
    if (!StartsWithIgnoringAsciiCase(focus, prefix)) return true;
    if (focus.size() == prefix.size()) return false;
    if (focus[prefix.size()] != '\\') return true;
    matched = prefix.size() + 1;
  }
  if (at < text.size() && text[at] == '\\') ++at;
  // First the bytes written exactly as the focus writes them: neither a
  // doubled backslash nor a line end can be among them, nor a "]" unless
  // the focus holds one, so the run stops short (`exact`) of the focus's
  // first "]".
  const std::size_t same = SameBytes(text.data() + at, focus.data() + matched,
                                     std::min(exact - std::min(exact, matched), text.size() - at));
  at += same;
  matched += same;
  // Then byte by byte: letter case and empty parts of the path do not count.
  bool separator = matched == 0 || focus[matched - 1] == '\\';
  while (at < text.size()) {
    const char c = text[at];
    if (c == ']' || IsLineEnd(c)) return false;
    if (c == '\\' && separator) {
      ++at;
      continue;
    }
    if (matched == focus.size()) return c != '\\';  // below the focus, or beside it
    if (ToLowerAscii(c) != ToLowerAscii(focus[matched])) return true;
    separator = c == '\\';
    ++at;
    ++matched;
  }
  return false;
}

void PrepareStringData(bool unicodeFile, RegValue& value, std::string& bytes) {
  // The editor adds the terminator a string lacks, and Windows keeps it.
  if (unicodeFile) {
    const std::size_t units = bytes.size() / 2;
    if (units > 0 && (bytes[units * 2 - 2] != 0 || bytes[units * 2 - 1] != 0)) {
      bytes.resize(units * 2);
      bytes.append(2, '\0');
    }
    // The registry holds string types as UTF-16; a program reading them
    // with the A calls gets them in its own code page, here UTF-8.
    std::string pending;
    DecodeUtf16(bytes, pending, value.data);
    return;
  }
  if (!bytes.empty() && bytes.back() != '\0') bytes += '\0';
  value.data = std::move(bytes);
}

// The state of one scan: the line being gathered, the hex value being
// continued, and what the current section wants.
struct ScanState {
  std::string_view focus;
  std::size_t exact;   // how much of the focus comes before its first "]"
  std::string needle;  // for LeavesNeedle
  const RegSectionHandler& onSection;
  const RegValueHandler& onValue;
  bool headerSeen = false;
  bool unicodeFile = false;
  bool wanted = false;
  std::string line{};
  bool lineTooLong = false;
  RegValue hexValue{};  // a hex value whose data goes on over the next lines
  std::string hexBytes{};
  bool hexContinues = false;
};

void FinishHexValue(ScanState& state) {
  state.hexContinues = false;
  if (!state.hexValue.dataTooLong && IsStringType(state.hexValue.type)) {
    PrepareStringData(state.unicodeFile, state.hexValue, state.hexBytes);
  } else {
    state.hexValue.data = std::move(state.hexBytes);
  }
  state.onValue(state.hexValue);
  state.hexBytes.clear();
}

void ReadHexLine(ScanState& state, std::string_view text, bool tooLong) {
  if (tooLong) state.hexValue.dataTooLong = true;
  switch (ParseHexBytes(text, state.hexBytes)) {
    case HexLine::kInvalid:
      state.hexContinues = false;
      state.hexBytes.clear();
      return;
    case HexLine::kContinues:
      state.hexContinues = true;
      if (state.hexBytes.size() > kMaxLineBytes) {
        state.hexValue.dataTooLong = true;
        state.hexBytes.clear();
      }
      return;
    case HexLine::kEnds: FinishHexValue(state); return;
  }
}

// The data after "name=", blanks trimmed.
void ReadValueData(ScanState& state, RegValue& value, std::string_view data, bool tooLong) {
  if (!data.empty() && data.front() == '-') {
    value.deletion = true;
    if (EndsHere(data.substr(1))) state.onValue(value);
    return;
  }
  if (tooLong) {
    // Only the name is needed: data this long fits no reader's buffer.
    value.dataTooLong = true;
    state.onValue(value);
    return;
  }
  if (!data.empty() && data.front() == '"') {
    data.remove_prefix(1);
    value.type = kRegSz;
    if (!Unescape(data, value.data) || !EndsHere(data)) return;
    value.data += '\0';
    state.onValue(value);
    return;
  }
  if (data.compare(0, 6, "dword:") == 0) {
    value.type = kRegDword;
    if (ParseDword(data.substr(6), value.data)) state.onValue(value);
    return;
  }
  value.type = kRegBinary;
  if (data.compare(0, 4, "hex:") == 0) {
    data.remove_prefix(4);
  } else if (data.compare(0, 4, "hex(") == 0) {
    data.remove_prefix(4);
    if (!ParseHexType(data, value.type)) return;
  } else {
    return;
  }
  state.hexValue = std::move(value);
  state.hexBytes.clear();
  if (data.empty()) {
    state.onValue(state.hexValue);  // no data at all: nothing to complete
    return;
  }
  ReadHexLine(state, data, false);
}

// A value line: "name"=data or @=data.
void ReadValue(ScanState& state, std::string_view line, bool tooLong) {
  RegValue value;
  if (line.front() == '@') {
    line.remove_prefix(1);
  } else {
    line.remove_prefix(1);
    if (!Unescape(line, value.name)) return;
  }
  line = SkipBlanks(line);
  if (line.empty() || line.front() != '=') return;
  ReadValueData(state, value, TrimBlanks(line.substr(1)), tooLong);
}

// Handles one line, line end taken off; false when the file turns out not
// to be one the editor imports. `tooLong` says the line was cut.
bool HandleLine(ScanState& state, std::string_view line, bool tooLong) {
  if (!state.headerSeen) {
    state.headerSeen = true;
    line = SkipBlanks(line);
    // Hex string data is read as UTF-16 in a version 5 file, whatever its
    // encoding, and in the code page in a REGEDIT4 file.
    state.unicodeFile = line == kVersion5Header;
    return line == kVersion5Header || line == kRegedit4Header;
  }
  std::string_view text = SkipBlanks(line);
  if (state.hexContinues) {
    // Blank and comment lines may come between the lines of hex data. Any
    // other line ends the value unread and is lost with it, unless it opens
    // a section.
    if (text.empty() || text.front() == ';') return true;
    if (IsHexDigit(text.front())) {
      ReadHexLine(state, text, tooLong);
      return true;
    }
    state.hexContinues = false;
    state.hexBytes.clear();
    if (text.front() != '[') return true;
  }
  if (text.empty()) return true;
  if (text.front() == '[') {
    // A line that is no header leaves the current key as it is. One too
    // long to read whole names some key, certainly not a short one.
    if (!tooLong &&
        (text.size() < 2 || IsBlank(text[1]) || text.rfind(']') == std::string_view::npos)) {
      return true;
    }
    RegSection section;
    if (tooLong || CertainlyElsewhere(text, state.focus, state.exact)) {
      state.wanted = false;
    } else if (ParseRegSection(text, section)) {
      state.wanted = state.onSection(section);
    }
    return true;
  }
  if (state.wanted && (text.front() == '@' || text.front() == '"')) {
    ReadValue(state, text, tooLong);
  }
  return true;
}

// Reads the next block of the file as UTF-8 into `block`, which points
// into `raw` or, for UTF-16, into `decoded`; false at the end of the file.
bool ReadBlock(std::FILE* file, bool utf16, std::vector<char>& raw, std::string& pending,
               std::string& decoded, std::string_view& block) {
  for (;;) {
    const std::size_t got = std::fread(raw.data(), 1, raw.size(), file);
    if (got == 0) return false;
    if (!utf16) {
      block = std::string_view(raw.data(), got);
      return true;
    }
    decoded.clear();
    DecodeUtf16(std::string_view(raw.data(), got), pending, decoded);
    block = decoded;
    if (!block.empty()) return true;
  }
}

// Where the line that starts at `at` ends: its first CR or LF. `newline`
// remembers the next LF found, so that a file of CR line ends is not
// searched to the end of the block for each line.
std::size_t LineEnd(const char* data, std::size_t size, std::size_t at, std::size_t& newline) {
  if (newline < at || newline == std::string_view::npos) {
    const void* found = std::memchr(data + at, '\n', size - at);
    newline = found != nullptr ? static_cast<const char*>(found) - data : size;
  }
  const void* cr = std::memchr(data + at, '\r', newline - at);
  return cr != nullptr ? static_cast<const char*>(cr) - data : newline;
}

}  // namespace

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

bool ParseRegSection(std::string_view line, RegSection& section) {
  line = SkipBlanks(line);
  if (line.size() < 2 || line.front() != '[' || IsBlank(line[1])) return false;
  // Key names may hold "]": the last one on the line closes the header.
  const std::size_t close = line.rfind(']');
  if (close == std::string_view::npos) return false;
  std::string_view name = line.substr(1, close - 1);
  section.deletion = !name.empty() && name.front() == '-';
  if (section.deletion) name.remove_prefix(1);
  std::size_t rootLength = 0;
  const Root* root = FindRoot(name, rootLength);
  section.path = NormalizeRegKeyPath(name.substr(rootLength));
  if (root != nullptr && !root->below.empty()) {
    section.path = section.path.empty() ? std::string(root->below)
                                        : std::string(root->below) + "\\" + section.path;
  }
  // A header that names no root opens no key, and a root itself cannot be
  // deleted: both leave no key current.
  section.localMachine =
      root != nullptr && root->localMachine && !(section.deletion && name.size() == rootLength);
  return true;
}

bool ScanRegFile(std::FILE* file, std::string_view focus, const RegSectionHandler& onSection,
                 const RegValueHandler& onValue) {
  unsigned char bom[2] = {0, 0};
  const std::size_t got = std::fread(bom, 1, sizeof bom, file);
  const bool utf16 = got == 2 && bom[0] == 0xFF && bom[1] == 0xFE;
  std::vector<char> raw(BlockSize(file));
  std::string pending;
  std::string decoded;
  if (!utf16) decoded.assign(reinterpret_cast<char*>(bom), got);
  std::string_view block = decoded;

  const std::size_t exact = std::min(focus.find(']'), focus.size());
  ScanState state{focus, exact, "[HKEY_LOCAL_MACHINE\\" + std::string(focus.substr(0, exact)),
                  onSection, onValue};
  state.unicodeFile = utf16;
  bool lineStart = true;  // the block begins a line, or only blanks do
  char before = '\n';
  do {
    const char* data = block.data();
    const std::size_t size = block.size();
    std::size_t at = 0;
    std::size_t newline = std::string_view::npos;
    // A CR LF split between blocks: the LF ends no second line.
    if (before == '\r' && size > 0 && data[0] == '\n' && state.line.empty()) at = 1;
    while (at < size) {
      if (state.headerSeen && !state.wanted && !state.hexContinues && state.line.empty()) {
        // Outside the wanted sections only section headers matter, and
        // most of those can be passed over from their first bytes.
        at = FindSectionStart(data, size, at, lineStart);
        if (at == size) break;
        const std::string_view header(data + at, size - at);
        if (LeavesNeedle(header, state.needle) ||
            CertainlyElsewhere(header, state.focus, state.exact)) {
          ++at;
          continue;
        }
      }
      const std::size_t end = LineEnd(data, size, at, newline);
      const bool complete = end < size;
      if (complete && state.line.empty() && !state.lineTooLong) {
        // The whole line lies in this block: no need to gather it.
        if (!HandleLine(state, std::string_view(data + at, end - at), false)) return false;
      } else {
        AppendCapped(state.line, state.lineTooLong, data + at, end - at);
        if (!complete) break;
        if (!HandleLine(state, state.line, state.lineTooLong)) return false;
        state.line.clear();
        state.lineTooLong = false;
      }
      at = end + 1;
      if (data[end] == '\r' && at < size && data[at] == '\n') ++at;
    }
    if (size > 0) {
      before = data[size - 1];
      lineStart = AtLineStart(data, size, lineStart);
    }
  } while (ReadBlock(file, utf16, raw, pending, decoded, block));

  if (!state.line.empty() || state.lineTooLong) {
    if (!HandleLine(state, state.line, state.lineTooLong)) return false;
  }
  // Hex data continued past the end of the file ends there.
  if (state.hexContinues) FinishHexValue(state);
  return state.headerSeen;
}
