#include "discovery/filter_registry.h"

#include "base/filter_keys.h"
#include "base/trace.h"
#include "platform/win32.h"

namespace {

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    default: return "of another type";
  }
}

// The trace of one value read (base/trace.h): what it held, or why nothing.
void TraceValue(const std::string& where, LONG result, DWORD type, DWORD size,
                const std::string& text) {
  if (!TraceOn()) return;
  if (result == ERROR_MORE_DATA) {
    Trace(where + ": " + Decimal(size) + " bytes, which do not fit the 100-byte buffer: not read");
  } else if (result != ERROR_SUCCESS) {
    Trace(where + ": not found (error " + Decimal(result) + ")");
  } else {
    Trace(where + ": " + Quoted(text) + ", " + TypeName(type) +
          (type == REG_SZ || type == REG_EXPAND_SZ ? ""
                                                   : ", read as text up to its first zero byte"));
  }
}

// The value's data as text up to its first NUL, whatever its type. Data
// that does not fit the 100-byte buffer is not read at all.
std::string ReadMachineValue(const std::string& keyPath, const char* valueName) {
  const std::string keyName = "HKEY_LOCAL_MACHINE\\" + keyPath;
  HKEY key = nullptr;
  const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key);
  if (opened != ERROR_SUCCESS) {
    Trace("key " + keyName + ": not found (error " + Decimal(opened) + ")");
    return std::string();
  }
  char buffer[100];
  DWORD type = 0;
  DWORD size = sizeof buffer;
  std::string text;
  const LONG result =
      RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (result == ERROR_SUCCESS) {
    const std::size_t read = size < sizeof buffer ? size : sizeof buffer;
    std::size_t length = 0;
    while (length < read && buffer[length] != '\0') ++length;
    text.assign(buffer, length);
  }
  TraceValue("value " + (valueName != nullptr ? Quoted(valueName) : "(default)") + " of " + keyName,
             result, type, size, text);
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
