// What Windows can tell of the registry view and of a library that did not
// load: the system's text, and what the library's own headers say (its
// machine type, the libraries it needs).
#include <cstring>
#include <string>
#include <vector>

#include "base/trace.h"
#include "platform/explain.h"
#include "platform/win32.h"

namespace {

// The file's bytes, up to `most`; empty when it cannot be read.
std::vector<char> ReadFileBytes(const std::string& path, DWORD most) {
  std::vector<char> bytes;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  const DWORD size = GetFileSize(file, nullptr);
  DWORD read = 0;
  if (size != INVALID_FILE_SIZE && size <= most) {
    bytes.resize(size);
    if (!ReadFile(file, bytes.data(), size, &read, nullptr) || read != size) bytes.clear();
  }
  CloseHandle(file);
  return bytes;
}

// A PE file's headers, as far as they are found within the file.
struct PeFile {
  const std::vector<char>& bytes;
  std::size_t fileHeader = 0;  // where IMAGE_FILE_HEADER starts; 0 when not a PE file
};

template <typename T>
const T* At(const std::vector<char>& bytes, std::size_t at) {
  return at + sizeof(T) <= bytes.size() ? reinterpret_cast<const T*>(bytes.data() + at) : nullptr;
}

PeFile ReadPe(const std::vector<char>& bytes) {
  PeFile pe{bytes};
  const auto* dos = At<IMAGE_DOS_HEADER>(bytes, 0);
  if (dos == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) return pe;
  const auto* signature = At<DWORD>(bytes, static_cast<std::size_t>(dos->e_lfanew));
  if (signature == nullptr || *signature != IMAGE_NT_SIGNATURE) return pe;
  pe.fileHeader = static_cast<std::size_t>(dos->e_lfanew) + sizeof(DWORD);
  if (At<IMAGE_FILE_HEADER>(bytes, pe.fileHeader) == nullptr) pe.fileHeader = 0;
  return pe;
}

const char* MachineName(WORD machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386: return "a 32-bit library (x86)";
    case IMAGE_FILE_MACHINE_AMD64: return "a 64-bit library (x86-64)";
    case 0xAA64: return "a 64-bit library (ARM64)";
    default: return "a library for another machine";
  }
}

// The file offset of a relative address, through the section that holds it.
std::size_t FileOffset(const PeFile& pe, DWORD rva) {
  const auto* header = At<IMAGE_FILE_HEADER>(pe.bytes, pe.fileHeader);
  const std::size_t sections =
      pe.fileHeader + sizeof(IMAGE_FILE_HEADER) + header->SizeOfOptionalHeader;
  for (WORD i = 0; i < header->NumberOfSections; ++i) {
    const auto* section =
        At<IMAGE_SECTION_HEADER>(pe.bytes, sections + i * sizeof(IMAGE_SECTION_HEADER));
    if (section == nullptr) break;
    if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->SizeOfRawData) {
      return section->PointerToRawData + (rva - section->VirtualAddress);
    }
  }
  return pe.bytes.size();
}

// The names of the libraries a PE file of this program's kind imports.
std::vector<std::string> ImportedLibraries(const PeFile& pe) {
  std::vector<std::string> names;
  const auto* optional =
      At<IMAGE_OPTIONAL_HEADER>(pe.bytes, pe.fileHeader + sizeof(IMAGE_FILE_HEADER));
  if (optional == nullptr || optional->Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) return names;
  const DWORD imports = optional->DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (std::size_t at = FileOffset(pe, imports);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto* descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(pe.bytes, at);
    if (descriptor == nullptr || descriptor->Name == 0) break;
    const std::size_t name = FileOffset(pe, descriptor->Name);
    if (name >= pe.bytes.size()) break;
    names.emplace_back(pe.bytes.data() + name,
                       strnlen(pe.bytes.data() + name, pe.bytes.size() - name));
  }
  return names;
}

// The system's text for the error, with the path where it says "%1".
std::string SystemText(DWORD error, const std::string& path) {
  const DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>(path.c_str())};
  char* buffer = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
      nullptr, error, 0, reinterpret_cast<LPSTR>(&buffer), 0,
      reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(arguments)));
  std::string text = buffer != nullptr ? buffer : "error " + Decimal(error);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// Why a library of the right machine did not load: one of the libraries it
// needs cannot be found where the system looks for them.
std::string MissingDependency(const PeFile& pe) {
  for (const std::string& name : ImportedLibraries(pe)) {
    const HMODULE found = LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (found == nullptr) return " It needs " + name + ", which cannot be found.";
    FreeLibrary(found);
  }
  return std::string();
}

}  // namespace

std::string DescribeRegistry() {
  if (sizeof(void*) == 8) return "the registry of Windows, its 64-bit view";
  typedef BOOL(WINAPI * Wow64Proc)(HANDLE, PBOOL);
  const auto isWow64 = reinterpret_cast<Wow64Proc>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64) {
    return "the registry of Windows, its 32-bit view (this program is 32-bit)";
  }
  return "the registry of Windows";
}

std::string ExplainLoadFailure(const std::string& path, DWORD error) {
  std::string text = SystemText(error, path);
  const std::vector<char> bytes = ReadFileBytes(path, 64u << 20);
  const PeFile pe = ReadPe(bytes);
  if (pe.fileHeader == 0) return bytes.empty() ? text : text + " The file is no library.";
  const WORD machine = At<IMAGE_FILE_HEADER>(bytes, pe.fileHeader)->Machine;
  const WORD own = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
  if (machine != own) {
    return text + " It is " + MachineName(machine) + "; this program is " +
           (sizeof(void*) == 8 ? "64-bit (x86-64)." : "32-bit (x86).");
  }
  return error == ERROR_MOD_NOT_FOUND ? text + MissingDependency(pe) : text;
}

std::string ExplainMissingKey(const std::string& keyPath) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegCloseKey(key);
    return " The key is under HKEY_CURRENT_USER: filters are read from HKEY_LOCAL_MACHINE.";
  }
  const bool wide = sizeof(void*) == 8;
  const REGSAM otherView = wide ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | otherView, &key) !=
      ERROR_SUCCESS) {
    return std::string();
  }
  RegCloseKey(key);
  return std::string(" The key is in the ") + (wide ? "32" : "64") +
         "-bit view of the registry; this program is " + (wide ? "64" : "32") +
         "-bit and reads the " + (wide ? "64" : "32") +
         "-bit one (reg import /reg:" + (wide ? "64" : "32") + ").";
}

std::string ExplainMissingFile(const std::string& path, DWORD error) {
  return SystemText(error, path);
}

std::vector<std::string> ExportedNames(HMODULE library) {
  std::vector<std::string> names;
  const auto* base = reinterpret_cast<const BYTE*>(library);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (entry.VirtualAddress == 0) return names;
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  const auto* rvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    names.emplace_back(reinterpret_cast<const char*>(base + rvas[i]));
  }
  return names;
}
