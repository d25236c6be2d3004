// Library loading through the dynamic linker, with Windows' error codes.
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/explain.h"
#include "platform/win32.h"

// The ELF header of this program, which the linker places in its image.
extern "C" const ElfW(Ehdr) __ehdr_start;

namespace {

// Whether the file is a shared library this process could load: ELF, of
// this program's class, byte order and machine. Read without waiting, in
// case the file is a FIFO.
bool IsLibraryForThisMachine(const std::string& path) {
  const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) return false;
  ElfW(Ehdr) header;
  const bool read = ::read(file, &header, sizeof header) == static_cast<ssize_t>(sizeof header);
  close(file);
  const ElfW(Ehdr)& own = __ehdr_start;
  return read && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
         header.e_ident[EI_CLASS] == own.e_ident[EI_CLASS] &&
         header.e_ident[EI_DATA] == own.e_ident[EI_DATA] && header.e_machine == own.e_machine &&
         header.e_type == ET_DYN;
}

// Windows' error for a library that did not load: missing, not a library
// for this machine, or one whose own libraries or functions are missing.
DWORD LoadError(const std::string& path, const char* reason) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return ERROR_MOD_NOT_FOUND;
  if (!IsLibraryForThisMachine(path)) return ERROR_BAD_EXE_FORMAT;
  if (reason != nullptr && std::strstr(reason, "undefined symbol") != nullptr) {
    return ERROR_PROC_NOT_FOUND;
  }
  return ERROR_MOD_NOT_FOUND;
}

// The dynamic linker's words for the last library that did not load: kept
// beside the last error, as Windows keeps that, for the trace.
thread_local std::string lastLoadFailure;

// The file's bytes, up to `most`; empty when it cannot be read.
std::vector<char> ReadFileBytes(const char* path, std::size_t most) {
  std::vector<char> bytes;
  const int file = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) return bytes;
  struct stat status;
  if (fstat(file, &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<std::size_t>(status.st_size) <= most) {
    bytes.resize(static_cast<std::size_t>(status.st_size));
    if (::read(file, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      bytes.clear();
    }
  }
  close(file);
  return bytes;
}

// The names of the ELF file's dynamic symbols that are defined: what it
// exports. The file is one this process loaded, of its own class.
std::vector<std::string> DynamicSymbolNames(const std::vector<char>& file) {
  std::vector<std::string> names;
  if (file.size() < sizeof(ElfW(Ehdr))) return names;
  const auto* header = reinterpret_cast<const ElfW(Ehdr)*>(file.data());
  const std::size_t sections = header->e_shoff;
  if (sections == 0 || sections + header->e_shnum * sizeof(ElfW(Shdr)) > file.size()) return names;
  const auto* section = reinterpret_cast<const ElfW(Shdr)*>(file.data() + sections);
  for (std::size_t i = 0; i < header->e_shnum; ++i) {
    if (section[i].sh_type != SHT_DYNSYM || section[i].sh_link >= header->e_shnum) continue;
    const ElfW(Shdr)& strings = section[section[i].sh_link];
    if (section[i].sh_offset + section[i].sh_size > file.size() ||
        strings.sh_offset + strings.sh_size > file.size()) {
      return names;
    }
    const auto* symbol = reinterpret_cast<const ElfW(Sym)*>(file.data() + section[i].sh_offset);
    for (std::size_t j = 0; j < section[i].sh_size / sizeof(ElfW(Sym)); ++j) {
      if (symbol[j].st_shndx == SHN_UNDEF || symbol[j].st_name >= strings.sh_size) continue;
      const char* name = file.data() + strings.sh_offset + symbol[j].st_name;
      names.emplace_back(name, strnlen(name, strings.sh_size - symbol[j].st_name));
    }
  }
  return names;
}

}  // namespace

std::string ExplainLoadFailure(const std::string&, DWORD) { return lastLoadFailure; }

std::string ExplainMissingFile(const std::string& path, DWORD) {
  struct stat status;
  const std::string reason = lstat(path.c_str(), &status) != 0 ? std::strerror(errno) : "not found";
  const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                     path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  if (!drive && path.find('\\') == std::string::npos) return reason;
  return reason + ". It is a Windows path: on Linux a registry file names a library by its " +
         "Linux path, as /usr/lib/x86_64-linux-gnu/morvask/morvask_folder_filter.so";
}

std::vector<std::string> ExportedNames(HMODULE library) {
  link_map* map = nullptr;
  if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return {};
  return DynamicSymbolNames(ReadFileBytes(map->l_name, 64 << 20));
}

HMODULE LoadLibraryA(LPCSTR fileName) {
  // A name without a directory would send dlopen to the library search path;
  // the program means the file it has just found in the current directory.
  std::string path = fileName;
  if (path.find('/') == std::string::npos) path = "./" + path;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    lastLoadFailure = reason != nullptr ? reason : "";
    SetLastError(LoadError(path, reason));
  }
  return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  void* address = dlsym(module, procName);
  if (address == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(address);
}

BOOL FreeLibrary(HMODULE module) { return dlclose(module) == 0 ? TRUE : FALSE; }
