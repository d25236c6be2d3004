// The lock file of a device folder on Windows: byte-range locks of
// LockFileEx, which Wine takes as Unix record locks, so that a Linux run
// sees them too.
#include "folder_filter/file_system_win32.h"

namespace {

// Under Wine, the Windows path of a Unix one: Wine's own kernel32 export,
// which Windows lacks. Empty when there is no such export.
WideText WineDosPath(const WideText& unixPath) {
  typedef WCHAR*(CDECL * DosNameProc)(const char*);
  const auto dosName = reinterpret_cast<DosNameProc>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (dosName == nullptr) return WideText();
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, unixPath.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, unixPath.c_str(), -1, &bytes[0], size, nullptr, nullptr);
  WCHAR* path = dosName(bytes.c_str());
  if (path == nullptr) return WideText();
  const WideText found = path;
  HeapFree(GetProcessHeap(), 0, path);
  return found;
}

// Where lock files lie: MORVASK_LOCK_DIR, else the shared Temp folder of
// Windows; under Wine, /tmp or the Unix folder the variable names, where
// the Linux build's runs lock too.
WideText LockFolder() {
  const WideText named = EnvironmentText("MORVASK_LOCK_DIR");
  if (named.empty() || named[0] == L'/') {
    const WideText underWine = WineDosPath(named.empty() ? L"/tmp" : named);
    if (!underWine.empty()) return underWine;
  }
  if (!named.empty()) return named;
  WCHAR windows[MAX_PATH] = L"";
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return WideText();
  return WideText(windows, length) + L"\\Temp";
}

WideText LockFileName(std::uint64_t index) {
  WideText name = L"morvask-";
  for (int shift = 60; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(index >> shift) & 0xF];
  return name + L".lock";
}

}  // namespace

std::uint32_t OpenDeviceLockFile(const HeldFolder& root, FileHandle& file) {
  FileFacts rootFacts;
  std::uint32_t error = FactsOfHandle(root.handle, rootFacts);
  WideText path;
  if (error == 0) error = LongPath(LockFolder() + L"\\" + LockFileName(rootFacts.index), path);
  if (error != 0) return error;
  // No access list of its own: every user of the device opens it, whoever
  // made it (the shared Temp folder gives its maker alone access).
  SECURITY_DESCRIPTOR everyone;
  InitializeSecurityDescriptor(&everyone, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&everyone, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &everyone, FALSE};
  const HANDLE handle =
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &attributes, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  FileFacts facts;
  error = FactsOfHandle(handle, facts);
  if (error == 0 && (!facts.isRegular || facts.isLink)) error = ERROR_ACCESS_DENIED;
  if (error != 0) {
    CloseHandle(handle);
    return error;
  }
  file = Held(handle);
  return 0;
}

std::uint32_t LockBytes(FileHandle file, std::uint64_t offset, std::uint64_t length, bool exclusive,
                        bool wait) {
  // Waited for in short steps: Wine cannot wait on a lock that a Linux
  // process holds, and a run asked to stop stops waiting.
  const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
  for (DWORD pause = 1;; pause = pause < 50 ? pause * 2 : 50) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    if (LockFileEx(Handle(file), flags, 0, static_cast<DWORD>(length),
                   static_cast<DWORD>(length >> 32), &at)) {
      return 0;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) return error;
    if (!wait) return ERROR_LOCK_VIOLATION;
    if (StopRequested()) return ERROR_OPERATION_ABORTED;
    Sleep(pause);
  }
}

void UnlockBytes(FileHandle file, std::uint64_t offset, std::uint64_t length) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  UnlockFileEx(Handle(file), 0, static_cast<DWORD>(length), static_cast<DWORD>(length >> 32), &at);
}
