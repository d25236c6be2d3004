// Stand-ins for the Win32 operations the program uses, for platforms without
// Windows. Types keep their Windows sizes: DWORD and LONG are 32 bits wide.
// Include "platform/win32.h" rather than this file.
#pragma once

#include <cstdint>

typedef std::uint8_t BYTE;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::int32_t HRESULT;
typedef int BOOL;
typedef unsigned int UINT;
typedef char CHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef char16_t WCHAR;  // UTF-16, as on Windows
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef DWORD LCID;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef void* HANDLE;
typedef void* HLOCAL;
typedef void* LPVOID;
typedef struct RegistryKey* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
typedef struct LoadedLibrary* HMODULE;
typedef HMODULE HINSTANCE;
typedef void (*FARPROC)();

#define WINAPI
#define FALSE 0
#define TRUE 1
#define MAX_PATH 260

#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))
#define KEY_READ 0x20019u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define REG_MULTI_SZ 7u
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

#define ERROR_SUCCESS 0L
#define ERROR_INVALID_FUNCTION 1L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_WRITE_PROTECT 19L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_LOCK_VIOLATION 33L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_NAME 123L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_ENVVAR_NOT_FOUND 203L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_MORE_DATA 234L
#define ERROR_OPERATION_ABORTED 995L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_IO_DEVICE 1117L

#define E_NOTIMPL static_cast<HRESULT>(0x80004001u)

#define SEM_FAILCRITICALERRORS 0x0001u
#define SEM_NOOPENFILEERRORBOX 0x8000u

#define CP_ACP 0u
#define MB_ERR_INVALID_CHARS 0x8u
#define LOCALE_INVARIANT 0x007Fu
#define LCMAP_UPPERCASE 0x0200u

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x0100u
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x0200u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x1000u

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  CHAR cFileName[MAX_PATH];
};
typedef WIN32_FIND_DATAA* LPWIN32_FIND_DATAA;

// The ANSI code page is UTF-8 here. Converts text to UTF-16; with
// MB_ERR_INVALID_CHARS, text that is not UTF-8 fails with
// ERROR_NO_UNICODE_TRANSLATION. Returns the units written, or with no room
// given the units needed; 0 on failure.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int size, LPWSTR wide,
                        int wideSize);

// With LCMAP_UPPERCASE, every letter of the text in upper case, as Windows
// folds names to compare them; other forms are not supported.
int LCMapStringW(LCID locale, DWORD flags, LPCWSTR source, int sourceSize, LPWSTR destination,
                 int destinationSize);

DWORD GetCurrentProcessId();

// Waits for the time given.
void Sleep(DWORD milliseconds);

// The variable's value and its length, or the size needed when it does not
// fit; 0 and ERROR_ENVVAR_NOT_FOUND when it is not set.
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);

// Process error mode: there are no system message boxes to suppress here, so
// this only returns the previous (always empty) mode.
UINT SetErrorMode(UINT mode);

// Strings are UTF-8 here: no byte starts a double-byte character.
BOOL IsDBCSLeadByte(BYTE testChar);

// Opens a search for the entries matching the path ("*" and "?" in its last
// component); INVALID_HANDLE_VALUE when nothing matches. Close with FindClose.
HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData);
BOOL FindClose(HANDLE findFile);

// A read-only registry read from a .reg file: the file named by the
// environment variable MORVASK_REGISTRY, else the one installed with the
// program. Only HKEY_LOCAL_MACHINE is visible. Return 0 on success, 2 for a
// missing key or value, 234 when the data does not fit the buffer.
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize);
LONG RegCloseKey(HKEY key);

// Library loading through dlopen; failures set the last error to 126 (no such
// file), 193 (not a loadable library) or 127 (no such export).
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
DWORD GetLastError();
void SetLastError(DWORD errorCode);

// System message texts for the few codes this platform knows; 0 and no
// buffer for every other code. Only the allocate/ignore-inserts/from-system
// form is supported.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     LPSTR buffer, DWORD size, void* arguments);
HLOCAL LocalFree(HLOCAL memory);
