// Self-registration, as in-process servers do it, so that regsvr32 can
// register the folder filter as the filter of .mdb and .cdb files. A
// registration of another filter is never replaced, and unregistering
// removes only what names this filter.
#include <string>

#include "base/ascii.h"
#include "base/filter_keys.h"
#include "platform/win32.h"

namespace {

const char kClassName[] = "Morvask folder filter";
const std::string kClassKeyPath = std::string(kClassesKey) + kFolderFilterClsid;
const std::string kServerKeyPath = kClassKeyPath + kServerKey;

struct FilterEntry {
  const char* extension;
  const char* value;
};

const FilterEntry kFilterEntries[] = {
    {".mdb", kDesktopToDeviceValue},
    {".cdb", kDeviceToDesktopValue},
};

std::string FiltersKeyOf(const FilterEntry& entry) {
  return std::string(kFiltersKey) + entry.extension;
}

HRESULT FromSystemError(LONG error) { return HRESULT_FROM_WIN32(static_cast<DWORD>(error)); }

// The string a registry value holds, or empty when there is none.
std::string ReadValue(const std::string& keyPath, const char* valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::string();
  }
  char data[512] = {};
  DWORD type = 0;
  DWORD size = sizeof data - 1;
  const LONG result =
      RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) ? data : "";
}

LONG WriteValue(const std::string& keyPath, const char* valueName, const std::string& text) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE,
                                nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return result;
}

bool NamesThisFilter(const std::string& clsid) {
  return EqualsIgnoringAsciiCase(clsid, kFolderFilterClsid);
}

bool FilterTakenByAnother() {
  for (const FilterEntry& entry : kFilterEntries) {
    const std::string clsid = ReadValue(FiltersKeyOf(entry), entry.value);
    if (!clsid.empty() && !NamesThisFilter(clsid)) return true;
  }
  return false;
}

// Morvask reads a filter's path with its ending zero.
constexpr std::size_t kLongestServerPath = kRegisteredValueBytes - 1;

std::string ThisLibraryPath() {
  HMODULE module = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(&kFolderFilterClsid), &module)) return "";
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(module, path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

// The path to register: the library's own, or its short (8.3) form when
// only that fits what Morvask reads; empty when neither does.
std::string RegistrablePath(const std::string& path) {
  if (path.size() <= kLongestServerPath) return path;
  char shortPath[MAX_PATH];
  const DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
  return length > 0 && length <= kLongestServerPath ? std::string(shortPath, length)
                                                    : std::string();
}

LONG WriteRegistration(const std::string& libraryPath) {
  LONG result = WriteValue(kClassKeyPath, nullptr, kClassName);
  if (result == ERROR_SUCCESS) result = WriteValue(kServerKeyPath, nullptr, libraryPath);
  for (const FilterEntry& entry : kFilterEntries) {
    if (result == ERROR_SUCCESS)
      result = WriteValue(FiltersKeyOf(entry), entry.value, kFolderFilterClsid);
  }
  return result;
}

LONG DeleteKeyIfPresent(const std::string& keyPath) {
  const LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
  return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

LONG RemoveRegistration() {
  LONG result = ERROR_SUCCESS;
  for (const FilterEntry& entry : kFilterEntries) {
    if (!NamesThisFilter(ReadValue(FiltersKeyOf(entry), entry.value))) continue;
    HKEY key = nullptr;
    LONG step =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, FiltersKeyOf(entry).c_str(), 0, KEY_SET_VALUE, &key);
    if (step == ERROR_SUCCESS) {
      step = RegDeleteValueA(key, entry.value);
      RegCloseKey(key);
    }
    if (result == ERROR_SUCCESS) result = step;
  }
  const LONG server = DeleteKeyIfPresent(kServerKeyPath);
  const LONG klass = DeleteKeyIfPresent(kClassKeyPath);
  if (result == ERROR_SUCCESS) result = server;
  if (result == ERROR_SUCCESS) result = klass;
  return result;
}

}  // namespace

// Fails, changing nothing, with 0x800700B7 (already exists) when another
// filter is registered for either file type, and with 0x800700CE (file
// name too long) when no form of the library's path fits what Morvask
// reads (a file system without short names, or a folder deep down).
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  if (FilterTakenByAnother()) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
  const std::string libraryPath = ThisLibraryPath();
  if (libraryPath.empty()) return HRESULT_FROM_WIN32(GetLastError());
  const std::string registered = RegistrablePath(libraryPath);
  if (registered.empty()) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  const LONG result = WriteRegistration(registered);
  if (result == ERROR_SUCCESS) return S_OK;
  RemoveRegistration();
  return FromSystemError(result);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const LONG result = RemoveRegistration();
  return result == ERROR_SUCCESS ? S_OK : FromSystemError(result);
}
