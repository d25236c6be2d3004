#include "folder_filter/device_path.h"

#include <string_view>
#include <vector>

#include "platform/ascii.h"
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

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 open devices on Windows, even with
// an extension after them.
bool IsReservedDeviceName(std::string_view name) {
  const std::string_view stem = name.substr(0, name.find('.'));
  for (const char* reserved : {"CON", "PRN", "AUX", "NUL"}) {
    if (EqualsIgnoringAsciiCase(stem, reserved)) return true;
  }
  if (stem.size() != 4 || stem[3] < '1' || stem[3] > '9') return false;
  return StartsWithIgnoringAsciiCase(stem, "COM") || StartsWithIgnoringAsciiCase(stem, "LPT");
}

bool IsUsableName(std::string_view name) {
  if (name == "..") return false;
  if (name.find(':') != std::string_view::npos) return false;  // a drive or a stream
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsReservedDeviceName(name);
}

}  // namespace

std::optional<std::string> ResolveDevicePath(const std::string& deviceFolder,
                                             const std::string& devicePath, char separator) {
  // Two leading separators name a server share, not the device root.
  if (devicePath.size() >= 2 && IsSeparator(devicePath[0]) && IsSeparator(devicePath[1])) {
    return std::nullopt;
  }
  std::string hostPath = deviceFolder;
  bool namesFile = false;
  for (std::string_view name : SplitFolders(devicePath)) {
    if (name == ".") continue;
    if (!IsUsableName(name)) return std::nullopt;
    if (hostPath.empty() || !IsSeparator(hostPath.back())) hostPath += separator;
    hostPath += name;
    namesFile = true;
  }
  if (!namesFile) return std::nullopt;
  return hostPath;
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
