// The registry, read only, from a .reg file. Every call reads the file
// afresh, as a stream, so nothing is cached and memory stays small whatever
// the file's size.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/ascii.h"
#include "platform/reg_file_posix.h"
#include "platform/win32.h"

#ifndef MORVASK_SYSCONFDIR
#define MORVASK_SYSCONFDIR "/etc"
#endif

struct RegistryKey {
  std::string path;
};

namespace {

constexpr LONG kInvalidParameter = 87;

std::string RegistryFilePath() {
  const char* named = std::getenv("MORVASK_REGISTRY");
  return named != nullptr ? named : MORVASK_SYSCONFDIR "/morvask/registry.reg";
}

// True when `key` is `ancestor` itself or lies below it.
bool IsWithin(std::string_view key, std::string_view ancestor) {
  if (ancestor.empty()) return true;
  if (key.size() == ancestor.size()) return EqualsIgnoringAsciiCase(key, ancestor);
  return key.size() > ancestor.size() && key[ancestor.size()] == '\\' &&
         StartsWithIgnoringAsciiCase(key, ancestor);
}

// Scans the registry file for what concerns the key at `path`; a missing or
// unreadable file is an empty registry.
void ScanRegistry(const std::string& path, const RegSectionHandler& onSection,
                  const RegValueHandler& onValue) {
  std::FILE* file = std::fopen(RegistryFilePath().c_str(), "rb");
  if (file == nullptr) return;
  ScanRegFile(file, path, onSection, onValue);
  std::fclose(file);
}

// A key exists once a section names it or a key below it, until a later
// deletion of it or of a key above it.
bool KeyExists(const std::string& path) {
  if (path.empty()) return true;
  bool exists = false;
  ScanRegistry(
      path,
      [&](const RegSection& section) {
        if (!section.localMachine) return false;
        if (section.deletion) {
          if (IsWithin(path, section.path)) exists = false;
        } else if (IsWithin(section.path, path)) {
          exists = true;
        }
        return false;
      },
      [](const RegValue&) {});
  return exists;
}

bool FindValue(const std::string& path, const std::string& name, RegValue& found) {
  bool present = false;
  ScanRegistry(
      path,
      [&](const RegSection& section) {
        if (!section.localMachine) return false;
        if (section.deletion && IsWithin(path, section.path)) present = false;
        return !section.deletion && EqualsIgnoringAsciiCase(section.path, path);
      },
      [&](const RegValue& value) {
        if (!EqualsIgnoringAsciiCase(value.name, name)) return;
        present = !value.deletion;
        if (present) found = value;
      });
  return present;
}

bool IsOpenKey(HKEY key) { return key != nullptr && key != HKEY_LOCAL_MACHINE; }

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (result == nullptr || key == nullptr) return kInvalidParameter;
  std::string path = IsOpenKey(key) ? key->path : "";
  const std::string below = subKey != nullptr ? subKey : "";
  if (!below.empty()) path = path.empty() ? below : path + "\\" + below;
  if (!KeyExists(path)) return ERROR_FILE_NOT_FOUND;
  *result = new RegistryKey{path};
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  RegValue value;
  const std::string path = IsOpenKey(key) ? key->path : "";
  if (!FindValue(path, valueName != nullptr ? valueName : "", value)) return ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = value.type;
  if (dataSize == nullptr) return data == nullptr ? ERROR_SUCCESS : kInvalidParameter;
  const DWORD size = static_cast<DWORD>(value.data.size());
  if (data == nullptr) {
    *dataSize = size;
    return ERROR_SUCCESS;
  }
  if (value.dataTooLong || size > *dataSize) {
    *dataSize = value.dataTooLong ? *dataSize + 1 : size;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, value.data.data(), size);
  *dataSize = size;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (!IsOpenKey(key)) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}
