#include "folder_filter/device_path.h"

#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "folder_filter/copy_name.h"
#include "folder_filter/wide_text.h"
#include "platform/win32.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The names between separators, empty ones left out. The second byte of a
// double-byte character may be "\", so such characters are passed whole.
std::vector<std::string_view> SplitFolders(std::string_view path) {
  std::vector<std::string_view> names;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < path.size()) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      i += 2;
      continue;
    }
    if (IsSeparator(path[i])) {
      if (i > start) names.push_back(path.substr(start, i - start));
      start = i + 1;
    }
    ++i;
  }
  if (i > start) names.push_back(path.substr(start));
  return names;
}

// Windows opens a device for these names, even with an extension after them
// or blanks before it. COM and LPT take the digits 1 to 9 and the
// superscripts 1 to 3, which are written in UTF-8 on Linux and as one byte
// in the Windows Latin code page: both spellings are refused everywhere, so
// that a device path means the same on every platform.
bool IsReservedDeviceName(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (const char* reserved : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
    if (EqualsIgnoringAsciiCase(stem, reserved)) return true;
  }
  if (!StartsWithIgnoringAsciiCase(stem, "COM") && !StartsWithIgnoringAsciiCase(stem, "LPT")) {
    return false;
  }
  const std::string_view number = stem.substr(3);
  if (number.size() == 1 && number[0] >= '1' && number[0] <= '9') return true;
  for (std::string_view superscript :
       {"\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"}) {
    if (number == superscript) return true;
  }
  return false;
}

// Characters no Windows name may hold: the wildcards, redirections, a drive
// or stream colon, and the control bytes. The second byte of a double-byte
// character may look like one of them ("|" can), so such characters pass.
bool HasForbiddenCharacter(std::string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsDBCSLeadByte(c) && i + 1 < name.size()) {
      ++i;
      continue;
    }
    if (c < 32 ||
        std::string_view("<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

bool IsUsableName(std::string_view name) {
  if (name == ".." || HasForbiddenCharacter(name)) return false;
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsReservedDeviceName(name);
}

DevicePath Refused(std::uint32_t refusal) {
  DevicePath path;
  path.refusal = refusal;
  return path;
}

// The longest path a device holds, in UTF-16 units: MAX_PATH less the
// terminator.
constexpr std::size_t kMaxDevicePath = 259;

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

// The name with every letter in upper case, as a device compares names.
WideText NameKey(const std::string& name) {
  WideText wide;
  return ToWide(name, wide) ? UpperCaseText(wide) : wide;
}

// Whether the path ends without a file name: in a separator, or in ".".
bool EndsWithoutName(std::string_view path) {
  const std::vector<std::string_view> names = SplitFolders(path);
  if (names.empty()) return true;
  const std::size_t end = path.size();
  return names.back() == "." || names.back().data() + names.back().size() != path.data() + end;
}

}  // namespace

DevicePath SplitDevicePath(const std::string& devicePath) {
  WideText wide;
  if (!ToWide(devicePath, wide) || EndsWithoutName(devicePath)) return Refused(ERROR_INVALID_NAME);
  // Two leading separators name a server share, not the device root.
  const bool share =
      devicePath.size() >= 2 && IsSeparator(devicePath[0]) && IsSeparator(devicePath[1]);
  DevicePath path;
  std::string joined;
  for (std::string_view name : SplitFolders(devicePath)) {
    if (name == ".") continue;
    if (share || !IsUsableName(name)) return Refused(ERROR_ACCESS_DENIED);
    path.names.emplace_back(name);
    joined += "\\" + path.names.back();
  }
  if (path.names.empty()) return Refused(ERROR_INVALID_NAME);
  if (IsCopyNameInAnyCase(path.names.back())) return Refused(ERROR_ACCESS_DENIED);
  if (ToWide(joined, wide) && wide.size() > kMaxDevicePath) {
    return Refused(ERROR_FILENAME_EXCED_RANGE);
  }
  return path;
}

std::string DefaultDevicePath(const std::string& desktopFile) {
  std::string_view path = desktopFile;
  if (path.size() >= 2 && path[1] == ':' && !IsDBCSLeadByte(static_cast<BYTE>(path[0]))) {
    path.remove_prefix(2);  // the drive
  }
  const std::vector<std::string_view> names = SplitFolders(path);
  std::string name = names.empty() ? std::string() : std::string(names.back());
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return "\\" + name + ".cdb";
}

NameMatch MatchDeviceName(const std::vector<std::string>& entries, const std::string& name,
                          std::string& found) {
  const WideText key = NameKey(name);
  NameMatch match = NameMatch::kNone;
  for (const std::string& entry : entries) {
    if (NameKey(entry) != key) continue;
    if (match == NameMatch::kOne) return NameMatch::kMany;
    match = NameMatch::kOne;
    found = entry;
  }
  return match;
}
