#include "folder_filter/device_path.h"

#include <string>
#include <string_view>
#include <vector>

#include "folder_filter/copy_name.h"
#include "platform/win32.h"

namespace {

bool IsSeparator(WCHAR c) { return c == '\\' || c == '/'; }

// The names between separators, empty ones left out.
std::vector<WideText> SplitFolders(const WideText& path) {
  std::vector<WideText> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    if (i > start) names.push_back(path.substr(start, i - start));
    start = i + 1;
  }
  return names;
}

WCHAR UpperAscii(WCHAR c) { return c >= 'a' && c <= 'z' ? static_cast<WCHAR>(c - 32) : c; }

bool EqualsIgnoringAsciiCase(const WideText& text, std::string_view ascii) {
  if (text.size() != ascii.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (UpperAscii(text[i]) != UpperAscii(static_cast<WCHAR>(ascii[i]))) return false;
  }
  return true;
}

// Characters no Windows name may hold: the wildcards, redirections, a drive
// or stream colon, and the control characters.
bool HasForbiddenCharacter(const WideText& name) {
  for (const WCHAR c : name) {
    if (c < 32 || (c < 128 && std::string_view("<>:\"|?*").find(static_cast<char>(c)) !=
                                  std::string_view::npos)) {
      return true;
    }
  }
  return false;
}

bool IsDots(const WideText& name, std::size_t count) {
  return name.size() == count && name.find_first_not_of(WCHAR('.')) == WideText::npos;
}

bool IsUsableName(const WideText& name) {
  if (IsDots(name, 2) || HasForbiddenCharacter(name)) return false;
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsReservedDeviceName(name);
}

DevicePath Refused(std::uint32_t refusal) {
  DevicePath path;
  path.refusal = refusal;
  return path;
}

// The longest path a device holds, in UTF-16 units: MAX_PATH less the
// terminator; and the longest name.
constexpr std::size_t kMaxDevicePath = 259;
constexpr std::size_t kMaxDeviceName = 255;

// The text in UTF-16, as a device holds it; false when it is not text of
// this system's code page.
bool ToWide(const std::string& text, WideText& wide) {
  wide.clear();
  if (text.empty()) return true;
  const int size = static_cast<int>(text.size());
  const int units =
      MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (units <= 0) return false;
  wide.resize(static_cast<std::size_t>(units));
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, &wide[0], units) ==
         units;
}

// Whether the path ends without a file name: in a separator, or in ".".
bool EndsWithoutName(const WideText& path) {
  const std::vector<WideText> names = SplitFolders(path);
  return names.empty() || IsDots(names.back(), 1) || IsSeparator(path.back());
}

// The part of a path after its drive ("C:"), when it has one. The second
// byte of a double-byte character may be ":", so such characters pass.
std::string_view WithoutDrive(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':' && !IsDBCSLeadByte(static_cast<BYTE>(path[0]))) {
    path.remove_prefix(2);
  }
  return path;
}

}  // namespace

bool IsReservedDeviceName(const WideText& name) {
  WideText stem = name.substr(0, name.find(WCHAR('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (const char* reserved : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
    if (EqualsIgnoringAsciiCase(stem, reserved)) return true;
  }
  if (stem.size() != 4 || (!EqualsIgnoringAsciiCase(stem.substr(0, 3), "COM") &&
                           !EqualsIgnoringAsciiCase(stem.substr(0, 3), "LPT"))) {
    return false;
  }
  // COM and LPT take the digits 1 to 9 and the superscripts 1 to 3.
  const WCHAR number = stem[3];
  return (number >= '1' && number <= '9') || number == 0xB9 || number == 0xB2 || number == 0xB3;
}

DevicePath SplitDevicePath(const std::string& devicePath) {
  WideText wide;
  if (!ToWide(devicePath, wide) || EndsWithoutName(wide)) return Refused(ERROR_INVALID_NAME);
  // Two leading separators name a server share, not the device root.
  const bool share = wide.size() >= 2 && IsSeparator(wide[0]) && IsSeparator(wide[1]);
  DevicePath path;
  std::size_t length = 0;
  for (WideText& name : SplitFolders(wide)) {
    if (IsDots(name, 1)) continue;
    if (share || !IsUsableName(name)) return Refused(ERROR_ACCESS_DENIED);
    if (name.size() > kMaxDeviceName) return Refused(ERROR_FILENAME_EXCED_RANGE);
    length += 1 + name.size();
    path.names.push_back(std::move(name));
  }
  if (path.names.empty()) return Refused(ERROR_INVALID_NAME);
  if (IsProgramFileName(path.names.back())) return Refused(ERROR_ACCESS_DENIED);
  if (length > kMaxDevicePath) return Refused(ERROR_FILENAME_EXCED_RANGE);
  return path;
}

std::string DefaultDevicePath(const std::string& desktopFile) {
  const std::string_view path = WithoutDrive(desktopFile);
  // The last name that is not empty. The second byte of a double-byte
  // character may be "\\", so such characters are passed whole.
  std::size_t start = 0;
  std::size_t nameStart = 0;
  std::size_t nameEnd = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\' || path[i] == '/') {
      start = i + 1;
      continue;
    }
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) ++i;
    nameStart = start;
    nameEnd = i + 1;
  }
  std::string name(path.substr(nameStart, nameEnd - nameStart));
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return "\\" + name + ".cdb";
}

NameMatch MatchDeviceName(const std::vector<WideText>& entries, const WideText& name,
                          WideText& found) {
  const WideText key = UpperCaseText(name);
  NameMatch match = NameMatch::kNone;
  for (const WideText& entry : entries) {
    if (entry.size() != key.size() || UpperCaseText(entry) != key) continue;
    if (match == NameMatch::kOne) return NameMatch::kMany;
    match = NameMatch::kOne;
    found = entry;
  }
  return match;
}
