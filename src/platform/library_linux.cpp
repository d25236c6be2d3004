// Library loading through the dynamic linker, with Windows' error codes.
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

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

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
  // A name without a directory would send dlopen to the library search path;
  // the program means the file it has just found in the current directory.
  std::string path = fileName;
  if (path.find('/') == std::string::npos) path = "./" + path;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) SetLastError(LoadError(path, dlerror()));
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
