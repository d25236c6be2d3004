#include "discovery/filter_registry.h"

#include "base/filter_keys.h"
#include "platform/win32.h"

namespace {

// The value's data as text up to its first NUL, whatever its type. Data
// that does not fit the 100-byte buffer is not read at all.
std::string ReadMachineValue(const std::string& keyPath, const char* valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::string();
  }
  char buffer[100];
  DWORD type = 0;
  DWORD size = sizeof buffer;
  std::string text;
  if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
      ERROR_SUCCESS) {
    const std::size_t read = size < sizeof buffer ? size : sizeof buffer;
    std::size_t length = 0;
    while (length < read && buffer[length] != '\0') ++length;
    text.assign(buffer, length);
  }
  RegCloseKey(key);
  return text;
}

}  // namespace

std::string GetFilterClsid(std::string extension, std::string valueName) {
  return ReadMachineValue(kFiltersKey + extension, valueName.c_str());
}

std::string GetFilterServerPath(std::string clsid) {
  return ReadMachineValue(kClassesKey + clsid + kServerKey, nullptr);
}
