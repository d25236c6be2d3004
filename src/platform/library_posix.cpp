// Library loading through the dynamic linker, with Windows' error codes.
#include <dlfcn.h>
#include <sys/stat.h>

#include <string>

#include "platform/win32.h"

HMODULE LoadLibraryA(LPCSTR fileName) {
  // A name without a directory would send dlopen to the library search path;
  // the program means the file it has just found in the current directory.
  std::string path = fileName;
  if (path.find('/') == std::string::npos) path = "./" + path;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    struct stat status;
    SetLastError(stat(path.c_str(), &status) == 0 ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
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
