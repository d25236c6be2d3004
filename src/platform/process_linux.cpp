// Process-wide stand-ins: the error mode, the last error and the system's
// message texts.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/win32.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

// The Windows wordings for the codes this platform's stand-ins set and a
// filter commonly returns, the folder filter's among them. Windows ends its texts with CR LF; a
// line feed alone is this platform's line end.
struct SystemText {
  DWORD code;
  const char* text;
};

const SystemText kSystemTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully.\n"},
    {ERROR_INVALID_FUNCTION, "Incorrect function.\n"},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\n"},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\n"},
    {ERROR_ACCESS_DENIED, "Access is denied.\n"},
    {ERROR_WRITE_PROTECT, "The media is write protected.\n"},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process.\n"},
    {ERROR_LOCK_VIOLATION,
     "The process cannot access the file because another process has locked a portion of the "
     "file.\n"},
    {ERROR_NOT_SUPPORTED, "The request is not supported.\n"},
    {ERROR_FILE_EXISTS, "The file exists.\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\n"},
    {ERROR_DISK_FULL, "There is not enough space on the disk.\n"},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect.\n"},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found.\n"},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found.\n"},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists.\n"},
    {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application.\n"},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long.\n"},
    {ERROR_OPERATION_ABORTED,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request.\n"},
    {ERROR_IO_DEVICE, "The request could not be performed because of an I/O device error.\n"},
    {static_cast<DWORD>(E_NOTIMPL), "Not implemented\n"},
};

const char* FindSystemText(DWORD code) {
  // A status made from a system error (0x8007xxxx) has the error's text.
  const bool fromSystemError = (code & 0xFFFF0000u) == 0x80070000u && (code & 0xFFFFu) != 0;
  const DWORD error = fromSystemError ? (code & 0xFFFFu) : code;
  for (const SystemText& entry : kSystemTexts) {
    if (entry.code == error) return entry.text;
  }
  return nullptr;
}

}  // namespace

UINT SetErrorMode(UINT) { return 0; }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

void Sleep(DWORD milliseconds) { usleep(static_cast<useconds_t>(milliseconds) * 1000); }

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  const char* value = std::getenv(name);
  if (value == nullptr) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const std::size_t length = std::strlen(value);
  if (length >= size) return static_cast<DWORD>(length + 1);
  std::memcpy(buffer, value, length + 1);
  return static_cast<DWORD>(length);
}

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD errorCode) { lastError = errorCode; }

DWORD FormatMessageA(DWORD flags, const void*, DWORD messageId, DWORD, LPSTR buffer, DWORD, void*) {
  const DWORD required = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;
  const char* text = FindSystemText(messageId);
  if ((flags & required) != required || buffer == nullptr || text == nullptr) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const std::size_t length = std::strlen(text);
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy == nullptr) return 0;
  std::memcpy(copy, text, length + 1);
  *reinterpret_cast<LPSTR*>(buffer) = copy;
  return static_cast<DWORD>(length);
}

HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}
