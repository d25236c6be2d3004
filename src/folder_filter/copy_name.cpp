#include "folder_filter/copy_name.h"

#include <string_view>

#include "base/ascii.h"

namespace {

constexpr std::string_view kPrefix = ".morvask-";
constexpr std::string_view kSuffix = ".tmp";

void AppendHex(std::string& text, std::uint32_t value) {
  char digits[8];
  int count = 0;
  do {
    digits[count++] = "0123456789abcdef"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (count > 0) text += digits[--count];
}

// Reads 1 to `most` lower-case hexadecimal digits at the start of `text`.
bool ReadHex(std::string_view& text, std::size_t most, std::uint32_t& value) {
  std::size_t digits = 0;
  value = 0;
  for (; digits < text.size() && digits < most; ++digits) {
    const char c = text[digits];
    const bool decimal = c >= '0' && c <= '9';
    if (!decimal && !(c >= 'a' && c <= 'f')) break;
    value = value * 16 + static_cast<std::uint32_t>(decimal ? c - '0' : c - 'a' + 10);
  }
  text.remove_prefix(digits);
  return digits > 0;
}

std::string MarkedCopyName(std::string_view mark, std::uint32_t process, std::uint32_t serial) {
  std::string name(kPrefix);
  name += mark;
  AppendHex(name, process);
  name += '-';
  AppendHex(name, serial);
  name += kSuffix;
  return name;
}

// Whether the name has exactly the form of a copy with the mark.
bool ReadMarkedCopyName(const std::string& name, std::string_view mark, std::uint32_t& process) {
  std::string_view text = name;
  const std::size_t start = kPrefix.size() + mark.size();
  if (text.size() <= start + kSuffix.size() || text.substr(0, kPrefix.size()) != kPrefix ||
      text.substr(kPrefix.size(), mark.size()) != mark ||
      text.substr(text.size() - kSuffix.size()) != kSuffix) {
    return false;
  }
  text = text.substr(start, text.size() - start - kSuffix.size());
  std::uint32_t serial = 0;
  if (!ReadHex(text, 8, process) || text.empty() || text.front() != '-') return false;
  text.remove_prefix(1);
  // Exactly as the program writes it: no leading zeros, for one.
  return ReadHex(text, 8, serial) && text.empty() && MarkedCopyName(mark, process, serial) == name;
}

// The name in ASCII; false when it holds anything else.
bool AsciiName(const WideText& name, std::string& ascii) {
  ascii.clear();
  for (const WCHAR c : name) {
    if (c >= 0x80) return false;
    ascii += static_cast<char>(c);
  }
  return true;
}

}  // namespace

std::string CopyName(std::uint32_t process, std::uint32_t serial) {
  return MarkedCopyName(kCopyNameMark, process, serial);
}

bool ReadCopyName(const WideText& name, std::uint32_t& process) {
  std::string ascii;
  return AsciiName(name, ascii) && ReadMarkedCopyName(ascii, kCopyNameMark, process);
}

bool IsProgramFileName(const WideText& name) {
  std::string ascii;
  if (!AsciiName(name, ascii)) return false;
  ascii = ToLowerAscii(ascii);
  std::uint32_t process = 0;
  return ReadMarkedCopyName(ascii, "", process) || ReadMarkedCopyName(ascii, "w", process);
}
