// The .reg file store, whole file in, lookups out. Two properties hold for
// any text: it reads alike as an 8-bit file and as a UTF-16LE one (both with
// the version 5.00 header, which decides how hex string data reads), and
// the registry calls answer a value's size, then its data, consistently.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32.h"
#include "registry_file/readings.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

std::string RegistryPath() {
  static const std::string path = "/tmp/morvask-registry-fuzz-" + std::to_string(getpid()) + ".reg";
  return path;
}

// The text as UTF-16LE with its mark: every byte a character of its own.
std::string AsUtf16File(const std::string& text) {
  std::string file = "\xFF\xFE";
  for (char c : text) file += {c, '\0'};
  return file;
}

void WriteRegistry(const std::string& contents) {
  std::FILE* file = std::fopen(RegistryPath().c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(contents.data(), 1, contents.size(), file);
  std::fclose(file);
}

// Asks for a value the way a caller may: its size first, then into a
// buffer of that size, and into one a byte too small.
void QueryEveryWay(const char* keyPath, const char* valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::string data(size + 1, '\0');
    DWORD got = size;
    const LONG whole = RegQueryValueExA(key, valueName, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &got);
    Check(whole == ERROR_MORE_DATA || (whole == ERROR_SUCCESS && got == size));
    if (whole == ERROR_SUCCESS && size > 0) {
      DWORD smaller = size - 1;
      Check(RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &smaller) == ERROR_MORE_DATA);
    }
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
  // ASCII only: other bytes mean other characters in the two encodings.
  std::string text = kHeader;
  for (std::size_t i = 0; i < size; ++i) text += static_cast<char>(data[i] & 0x7F);
  const std::string utf16 = AsUtf16File(text);
  std::vector<std::string> keys = KeysNamedIn(text, 10);
  keys.push_back("SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.mdb");
  for (const std::string& key : keys) {
    Check(RecordRegScan(text, key, true) == RecordRegScan(utf16, key, true));
  }

  WriteRegistry(text);
  QueryEveryWay("SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.mdb", "DefaultImport");
  QueryEveryWay("SOFTWARE\\Classes\\CLSID\\{X}\\InProcServer32", nullptr);
  for (const std::string& key : keys) QueryEveryWay(key.c_str(), nullptr);
  return 0;
}
