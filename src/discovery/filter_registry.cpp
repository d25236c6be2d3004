#include "discovery/filter_registry.h"

#include "base/filter_keys.h"
#include "base/trace.h"
#include "platform/explain.h"
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
    Trace(where + ": " + Decimal(size) + " bytes, which do not fit the " +
          Decimal(kRegisteredValueBytes) + "-byte buffer: not read");
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
    if (TraceOn()) {
      const std::string elsewhere = ExplainMissingKey(keyPath);
      Trace("key " + keyName + ": not found (error " + Decimal(opened) + ")" +
            (elsewhere.empty() ? "" : "." + elsewhere));
    }
    return std::string();
  }
  char buffer[kRegisteredValueBytes];
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

// For a value not found: whether the key holds the other direction's value
// instead, as when the two are swapped.
void TraceOtherDirection(const std::string& keyPath, const std::string& valueName) {
  const bool import = valueName == kDesktopToDeviceValue;
  const char* other = import ? kDeviceToDesktopValue : kDesktopToDeviceValue;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return;
  }
  if (RegQueryValueExA(key, other, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
    Trace(std::string("value ") + Quoted(other) + " is there, the value " +
          (import ? "/P2D" : "/D2P") + " reads: " + (import ? "/D2P" : "/P2D") + " reads " +
          Quoted(valueName));
  }
  RegCloseKey(key);
}

}  // namespace

std::string GetFilterClsid(std::string extension, std::string valueName) {
  const std::string clsid = ReadMachineValue(kFiltersKey + extension, valueName.c_str());
  if (clsid.empty() && TraceOn()) TraceOtherDirection(kFiltersKey + extension, valueName);
  return clsid;
}

std::string GetFilterServerPath(std::string clsid) {
  return ReadMachineValue(kClassesKey + clsid + kServerKey, nullptr);
}
