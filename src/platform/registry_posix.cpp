// The registry, read only, from a .reg file, read as a stream so that memory
// stays small whatever the file's size. Opening a key reads the file once and
// keeps that key's values with the handle, up to a limit; a key with more
// than that is read again for each value asked for. Nothing outlives the
// handle.
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "base/ascii.h"
#include "platform/reg_file_posix.h"
#include "platform/win32.h"

#ifndef MORVASK_SYSCONFDIR
#define MORVASK_SYSCONFDIR "/etc"
#endif

struct RegistryKey {
  std::string path;
  bool valuesKept = true;                  // false when the key's values were too large to keep
  std::map<std::string, RegValue> values;  // by lower-cased name
};

namespace {

constexpr LONG kInvalidParameter = 87;
constexpr std::size_t kKeptValueBytes = 1 << 20;

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

// Keeps a value with the key, or only the value named `only` when given.
void KeepValue(RegistryKey& key, const std::string* only, std::size_t& keptBytes,
               const RegValue& value) {
  if (only != nullptr && !EqualsIgnoringAsciiCase(value.name, *only)) return;
  const std::string name = ToLowerAscii(value.name);
  key.values.erase(name);
  if (value.deletion || !key.valuesKept) return;
  keptBytes += name.size() + value.data.size();
  if (only == nullptr && keptBytes > kKeptValueBytes) {
    key.valuesKept = false;
    key.values.clear();
    return;
  }
  key.values.emplace(name, value);
}

// Reads the key at key.path in one pass: whether it exists, and its values
// (or only the one named `only`). A key exists once a section names it or a
// key below it, until a later deletion of it or of a key above it, which
// also drops its values.
bool ReadKey(RegistryKey& key, const std::string* only = nullptr) {
  bool exists = key.path.empty();
  std::size_t keptBytes = 0;
  ScanRegistry(
      key.path,
      [&](const RegSection& section) {
        if (!section.localMachine) return false;
        if (section.deletion) {
          if (IsWithin(key.path, section.path)) {
            exists = key.path.empty();
            key.values.clear();
            key.valuesKept = true;
            keptBytes = 0;
          }
          return false;
        }
        if (IsWithin(section.path, key.path)) exists = true;
        return EqualsIgnoringAsciiCase(section.path, key.path);
      },
      [&](const RegValue& value) { KeepValue(key, only, keptBytes, value); });
  return exists;
}

bool IsOpenKey(HKEY key) { return key != nullptr && key != HKEY_LOCAL_MACHINE; }

// The value from what the handle keeps, or read afresh when it keeps too
// little (or the handle is the root itself).
bool LookUpValue(HKEY key, const std::string& name, RegValue& found) {
  RegistryKey fresh;
  const bool kept = IsOpenKey(key) && key->valuesKept;
  if (!kept) {
    fresh.path = IsOpenKey(key) ? key->path : "";
    ReadKey(fresh, &name);
  }
  const RegistryKey& source = kept ? *key : fresh;
  const auto value = source.values.find(ToLowerAscii(name));
  if (value == source.values.end()) return false;
  found = value->second;
  return true;
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (result == nullptr || key == nullptr) return kInvalidParameter;
  auto opened = std::make_unique<RegistryKey>();
  opened->path = IsOpenKey(key) ? key->path : "";
  // As in the registry, empty parts of a path count for nothing.
  const std::string below = NormalizeRegKeyPath(subKey != nullptr ? subKey : "");
  if (!below.empty()) opened->path = opened->path.empty() ? below : opened->path + "\\" + below;
  if (!ReadKey(*opened)) return ERROR_FILE_NOT_FOUND;
  *result = opened.release();
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  RegValue value;
  if (!LookUpValue(key, valueName != nullptr ? valueName : "", value)) {
    return ERROR_FILE_NOT_FOUND;
  }
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
