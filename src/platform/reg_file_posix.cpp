#include "platform/reg_file_posix.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ascii.h"

namespace {

constexpr std::size_t kBlockBytes = 1 << 18;
constexpr std::size_t kMaxLineBytes = 1 << 20;

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
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

// Where the next line that starts with "[" begins, or `size` when the
// block has none; `before` is the byte that preceded the block.
std::size_t FindSectionStart(const char* data, std::size_t size, std::size_t from, char before) {
  while (from < size) {
    const void* bracket = std::memchr(data + from, '[', size - from);
    if (bracket == nullptr) return size;
    const std::size_t at = static_cast<const char*>(bracket) - data;
    if ((at == 0 ? before : data[at - 1]) == '\n') return at;
    from = at + 1;
  }
  return size;
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

bool ParseHexByte(std::string_view token, char& byte) {
  if (token.empty() || token.size() > 2) return false;
  unsigned value = 0;
  for (char c : token) {
    const char lower = ToLowerAscii(c);
    if (c >= '0' && c <= '9') {
      value = value * 16 + static_cast<unsigned>(c - '0');
    } else if (lower >= 'a' && lower <= 'f') {
      value = value * 16 + static_cast<unsigned>(lower - 'a' + 10);
    } else {
      return false;
    }
  }
  byte = static_cast<char>(value);
  return true;
}

bool ParseHexList(std::string_view text, std::string& bytes) {
  std::string compact;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') compact += c;
  }
  std::string_view rest = compact;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    char byte = 0;
    if (!ParseHexByte(rest.substr(0, comma), byte)) return false;
    bytes += byte;
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return true;
}

// Reads a quoted text whose only escapes are \\ and \"; `text` starts at the
// opening quote and is left just past the closing one.
bool ParseQuoted(std::string_view& text, std::string& out) {
  if (text.empty() || text.front() != '"') return false;
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      out += text[++i];
    } else if (c == '"') {
      text.remove_prefix(i + 1);
      return true;
    } else {
      out += c;
    }
  }
  return false;
}

bool ParseDword(std::string_view digits, std::string& bytes) {
  if (digits.empty() || digits.size() > 8) return false;
  std::uint32_t value = 0;
  for (char c : digits) {
    char nibble = 0;
    if (!ParseHexByte(std::string_view(&c, 1), nibble)) return false;
    value = (value << 4) | static_cast<unsigned char>(nibble);
  }
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((value >> shift) & 0xFF);
  return true;
}

bool IsStringType(DWORD type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

bool ParseData(std::string_view data, bool unicodeFile, RegValue& value) {
  if (data == "-") {
    value.deletion = true;
    return true;
  }
  if (!data.empty() && data.front() == '"') {
    value.type = kRegSz;
    if (!ParseQuoted(data, value.data) || !TrimRight(data).empty()) return false;
    value.data += '\0';
    return true;
  }
  if (StartsWithIgnoringAsciiCase(data, "dword:")) {
    value.type = kRegDword;
    return ParseDword(data.substr(6), value.data);
  }
  if (!StartsWithIgnoringAsciiCase(data, "hex")) return false;
  data.remove_prefix(3);
  value.type = kRegBinary;
  if (!data.empty() && data.front() == '(') {
    const std::size_t close = data.find(')');
    std::string type;
    if (close == std::string_view::npos || !ParseHexList(data.substr(1, close - 1), type) ||
        type.size() != 1) {
      return false;
    }
    value.type = static_cast<unsigned char>(type[0]);
    data.remove_prefix(close + 1);
  }
  if (data.empty() || data.front() != ':') return false;
  std::string bytes;
  if (!ParseHexList(data.substr(1), bytes)) return false;
  // The registry holds string types as UTF-16; a program reading them with
  // the A calls gets them in its own code page, here UTF-8.
  if (unicodeFile && IsStringType(value.type)) {
    std::string pending;
    DecodeUtf16(bytes, pending, value.data);
  } else {
    value.data = std::move(bytes);
  }
  return true;
}

// Reads `"name"=` or `@=` from the start of a value line and leaves `line`
// at the data.
bool ParseValueName(std::string_view& line, std::string& name) {
  line = TrimLeft(line);
  if (line.empty()) return false;
  if (line.front() == '@') {
    line.remove_prefix(1);
  } else if (!ParseQuoted(line, name)) {
    return false;
  }
  line = TrimLeft(line);
  if (line.empty() || line.front() != '=') return false;
  line.remove_prefix(1);
  return true;
}

bool SameLetter(char a, char b) { return a == b || ToLowerAscii(a) == ToLowerAscii(b); }

// The length of the local machine's root at the start of `text`, or 0.
std::size_t LocalMachineRootLength(std::string_view text) {
  for (std::string_view root : {std::string_view("HKEY_LOCAL_MACHINE"), std::string_view("HKLM")}) {
    if (text.compare(0, root.size(), root) == 0 || StartsWithIgnoringAsciiCase(text, root)) {
      return root.size();
    }
  }
  return 0;
}

// A quick look at a section header, before it is parsed: false only when
// the header certainly names a key that is neither `focus` nor above nor
// below it. Most sections of a large file fail here, cheaply.
bool MayConcern(std::string_view header, std::string_view focus) {
  // Key names may hold "]": only the last one closes the header.
  const std::size_t end = header.back() == ']' ? header.size() - 1 : header.size();
  std::size_t at = header.size() > 1 && header[1] == '-' ? 2 : 1;
  const std::size_t rootLength = LocalMachineRootLength(header.substr(at));
  if (rootLength == 0) return true;
  at += rootLength;
  while (at < end && header[at] == '\\') ++at;
  std::size_t matched = 0;
  while (at < end && matched < focus.size() && SameLetter(header[at], focus[matched])) {
    ++at;
    ++matched;
  }
  if (at == end) {
    // The header's key ends here: it concerns the focus if it is above it.
    return matched == focus.size() || focus[matched] == '\\' || matched == 0 ||
           focus[matched - 1] == '\\';
  }
  // The focus ends here: the header concerns it if it lies below it.
  return matched == focus.size() && (header[at] == '\\' || focus.empty());
}

// The same look at a header from its bytes alone, before its line end is
// found: true only when the header's key leaves the focus's path before
// the header ends, so that the section certainly does not concern it.
bool CertainlyElsewhere(std::string_view text, std::string_view focus) {
  std::size_t at = text.size() > 1 && text[1] == '-' ? 2 : 1;
  const std::size_t rootLength = LocalMachineRootLength(text.substr(at));
  if (rootLength == 0) return false;
  at += rootLength;
  while (at < text.size() && text[at] == '\\') ++at;
  std::size_t matched = 0;
  while (at < text.size() && matched < focus.size() && SameLetter(text[at], focus[matched])) {
    ++at;
    ++matched;
  }
  if (at == text.size() || matched == focus.size()) return false;
  return text[at] != ']' && text[at] != '\r' && text[at] != '\n';
}

// The state of one scan: the line being gathered, the value line being
// continued, and what the current section wants.
struct ScanState {
  std::string_view focus;
  const RegSectionHandler& onSection;
  const RegValueHandler& onValue;
  bool headerSeen = false;
  bool unicodeFile = false;
  bool wanted = false;
  std::string line;
  bool lineTooLong = false;
  std::string continued;
  bool continuing = false;
  bool continuedTooLong = false;
};

void EmitValue(ScanState& state, std::string_view line, bool tooLong) {
  RegValue value;
  if (tooLong) {
    // Only the name is needed: data this long fits no reader's buffer.
    if (!ParseValueName(line, value.name)) return;
    value.dataTooLong = true;
    state.onValue(value);
    return;
  }
  if (ParseRegValue(line, state.unicodeFile, value)) state.onValue(value);
}

void FinishContinuation(ScanState& state) {
  state.continuing = false;
  EmitValue(state, state.continued, state.continuedTooLong);
  state.continued.clear();
  state.continuedTooLong = false;
}

// Handles one physical line; false when the file turns out not to be a
// registry file. `tooLong` says the line was cut.
bool HandleLine(ScanState& state, std::string_view line, bool tooLong) {
  line = TrimRight(line);
  if (!state.headerSeen) {
    state.headerSeen = true;
    state.unicodeFile = line == kVersion5Header;
    return state.unicodeFile || line == kRegedit4Header;
  }
  if (state.continuing) {
    const std::string_view piece = TrimLeft(line);
    if (piece.empty() || piece.front() != '[') {
      const bool more = !piece.empty() && piece.back() == '\\';
      AppendCapped(state.continued, state.continuedTooLong, piece.data(),
                   piece.size() - (more ? 1 : 0));
      state.continuedTooLong = state.continuedTooLong || tooLong;
      if (!more) FinishContinuation(state);
      return true;
    }
    FinishContinuation(state);
  }
  if (!line.empty() && line.front() == '[') {
    RegSection section;
    state.wanted = !tooLong && MayConcern(line, state.focus) && ParseRegSection(line, section) &&
                   state.onSection(section);
    return true;
  }
  if (!state.wanted || line.empty() || line.front() == ';') return true;
  if (line.back() == '\\' && !tooLong) {
    state.continuing = true;
    state.continued.assign(line.data(), line.size() - 1);
    return true;
  }
  EmitValue(state, line, tooLong);
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

}  // namespace

bool ParseRegSection(std::string_view line, RegSection& section) {
  line = TrimRight(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
  line = line.substr(1, line.size() - 2);
  section.deletion = !line.empty() && line.front() == '-';
  if (section.deletion) line.remove_prefix(1);
  const std::string_view root = line.substr(0, line.find('\\'));
  if (root.empty()) return false;
  section.localMachine =
      EqualsIgnoringAsciiCase(root, "HKEY_LOCAL_MACHINE") || EqualsIgnoringAsciiCase(root, "HKLM");
  line.remove_prefix(root.size());
  while (!line.empty() && line.front() == '\\') line.remove_prefix(1);
  while (!line.empty() && line.back() == '\\') line.remove_suffix(1);
  section.path = line;
  return true;
}

bool ParseRegValue(std::string_view line, bool unicodeFile, RegValue& value) {
  return ParseValueName(line, value.name) &&
         ParseData(TrimRight(TrimLeft(line)), unicodeFile, value);
}

bool ScanRegFile(std::FILE* file, std::string_view focus, const RegSectionHandler& onSection,
                 const RegValueHandler& onValue) {
  unsigned char bom[3] = {0, 0, 0};
  const std::size_t got = std::fread(bom, 1, sizeof bom, file);
  const bool utf16 = got >= 2 && bom[0] == 0xFF && bom[1] == 0xFE;
  const bool utf8Bom = got == 3 && bom[0] == 0xEF && bom[1] == 0xBB && bom[2] == 0xBF;
  std::vector<char> raw(BlockSize(file));
  std::string pending;
  std::string decoded;
  if (utf16) {
    DecodeUtf16(std::string_view(reinterpret_cast<char*>(bom) + 2, got - 2), pending, decoded);
  } else if (!utf8Bom) {
    decoded.assign(reinterpret_cast<char*>(bom), got);
  }
  std::string_view block = decoded;

  ScanState state{focus, onSection, onValue, false, false, false, {}, false, {}, false, false};
  char before = '\n';
  do {
    const char* data = block.data();
    const std::size_t size = block.size();
    std::size_t at = 0;
    while (at < size) {
      if (state.headerSeen && !state.wanted && !state.continuing && state.line.empty()) {
        // Outside the wanted sections only section headers matter, and
        // most of those can be passed over from their first bytes.
        at = FindSectionStart(data, size, at, before);
        if (at == size) break;
        if (CertainlyElsewhere(std::string_view(data + at, size - at), state.focus)) {
          ++at;
          continue;
        }
      }
      const void* newline = std::memchr(data + at, '\n', size - at);
      const std::size_t end = newline ? static_cast<const char*>(newline) - data : size;
      if (newline != nullptr && state.line.empty() && !state.lineTooLong) {
        // The whole line lies in this block: no need to gather it.
        if (!HandleLine(state, std::string_view(data + at, end - at), false)) return false;
        at = end + 1;
        continue;
      }
      AppendCapped(state.line, state.lineTooLong, data + at, end - at);
      if (newline == nullptr) break;
      if (!HandleLine(state, state.line, state.lineTooLong)) return false;
      state.line.clear();
      state.lineTooLong = false;
      at = end + 1;
    }
    if (size > 0) before = data[size - 1];
  } while (ReadBlock(file, utf16, raw, pending, decoded, block));

  if (!state.line.empty() || state.lineTooLong) {
    if (!HandleLine(state, state.line, state.lineTooLong)) return false;
  }
  if (state.continuing) FinishContinuation(state);
  return state.headerSeen;
}
