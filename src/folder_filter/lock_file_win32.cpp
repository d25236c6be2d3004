// The lock file of a device folder on Windows: byte-range locks of
// LockFileEx, which Wine takes as Unix record locks, so that a Linux run
// sees them too.
#include "folder_filter/file_system_win32.h"

std::uint32_t OpenLockFile(const HeldFolder& folder, const WideText& name, FileHandle& file) {
  // Shared with everyone, delete too: the last run removes it while others
  // may hold it.
  const HANDLE handle =
      CreateFileW(Join(folder, name).c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  FileFacts facts;
  return KeepRegularFile(folder, name, handle, true, file, facts);
}

std::uint32_t LockBytes(FileHandle file, std::uint64_t offset, std::uint64_t length, bool exclusive,
                        bool wait) {
  // Waited for in short steps: Wine cannot wait on a lock that a Linux
  // process holds.
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
    Sleep(pause);
  }
}

void UnlockBytes(FileHandle file, std::uint64_t offset, std::uint64_t length) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  UnlockFileEx(Handle(file), 0, static_cast<DWORD>(length), static_cast<DWORD>(length >> 32), &at);
}

bool NamesOpenFile(const HeldFolder& folder, const WideText& name, FileHandle file) {
  // A file being deleted cannot be opened again: it is then no longer named.
  const HANDLE named = OpenToLookAt(Join(folder, name));
  if (named == INVALID_HANDLE_VALUE) return false;
  FileFacts opened;
  FileFacts found;
  const bool same = FactsOfHandle(Handle(file), opened) == 0 && FactsOfHandle(named, found) == 0 &&
                    IsSameFile(opened, found);
  CloseHandle(named);
  return same;
}

void CloseLockFile(const HeldFolder& folder, const WideText& name, FileHandle file, bool remove) {
  CloseHandle(Handle(file));
  if (!remove) return;
  // Opened again shared with no one, it opens only when no other run has it
  // open, and goes when closed: no run ever finds it half removed.
  const HANDLE alone =
      CreateFileW(Join(folder, name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                  FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (alone != INVALID_HANDLE_VALUE) CloseHandle(alone);
}
