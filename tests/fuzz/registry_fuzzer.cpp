// The .reg file store, whole file in, lookups out. The first byte chooses
// the form: odd, the rest follows the byte-order mark and header of a
// version 5.00 file as its UTF-16LE code units; even, the rest is the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "discovery/filter_registry.h"
#include "platform/win32.h"

namespace {

std::string RegistryPath() {
  static const std::string path = "/tmp/morvask-registry-fuzz-" + std::to_string(getpid()) + ".reg";
  return path;
}

std::string AsUtf16File(const std::uint8_t* data, std::size_t size) {
  std::string file = "\xFF\xFE";
  const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (char c : header) file += {c, '\0'};
  file.append(reinterpret_cast<const char*>(data), size);
  return file;
}

void WriteRegistry(const std::string& contents) {
  std::FILE* file = std::fopen(RegistryPath().c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(contents.data(), 1, contents.size(), file);
  std::fclose(file);
}

// Asks for a value the way a caller may: its size first, then into a
// buffer of that size and into one too small.
void QueryEveryWay(const char* keyPath, const char* valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::string data(size, '\0');
    DWORD got = size;
    const LONG result = RegQueryValueExA(key, valueName, nullptr, &type,
                                         reinterpret_cast<BYTE*>(data.data()), &got);
    if (result == ERROR_SUCCESS && got != size) __builtin_trap();
    char small[3];
    DWORD smallSize = sizeof small;
    RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(small), &smallSize);
  }
  RegCloseKey(key);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("MORVASK_REGISTRY", RegistryPath().c_str(), 1);
  std::atexit([] { std::remove(RegistryPath().c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool utf16 = (data[0] & 1) != 0;
  WriteRegistry(utf16 ? AsUtf16File(data + 1, size - 1)
                      : std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  const std::string clsid = GetFilterClsid(".mdb", "DefaultImport");
  if (clsid.size() > 99) __builtin_trap();
  GetFilterClsid(".cdb", "DefaultExport");
  GetFilterServerPath(clsid.empty() ? "{X}" : clsid);
  QueryEveryWay("SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.mdb", "DefaultImport");
  QueryEveryWay("SOFTWARE\\Classes\\CLSID\\{X}\\InProcServer32", nullptr);
  return 0;
}
