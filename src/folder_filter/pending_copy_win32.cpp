// The Windows copy: made under a name that carries its process, held open
// and locked by its run until it is placed (another run removes it only
// once it can take that lock), given the replaced file's access list and
// attributes, and moved into place with MoveFileEx.
#include <cstring>
#include <string>
#include <vector>

#include "folder_filter/file_system_win32.h"

namespace {

// The byte of a copy its run holds locked while the copy is its own: a lock
// of the file, which Wine takes as a Unix record lock, is seen by runs in
// every Wine server and goes with its process, where a process number
// would be answered wrongly by another server or a reused number.
constexpr DWORD kLiveByteHigh = 0x40000000u;  // byte 2^62, past any data

bool LockLiveByte(HANDLE file) {
  OVERLAPPED at = {};
  at.OffsetHigh = kLiveByteHigh;
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

// The access list (DACL) of the file at `path`, in a security descriptor;
// empty where the file system keeps none.
std::uint32_t ReadAccessList(const WideText& path, std::vector<BYTE>& descriptor) {
  DWORD needed = 0;
  GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  descriptor.assign(needed, 0);
  if (needed == 0) {
    const DWORD error = GetLastError();
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ? 0 : error;
  }
  return Succeeded(GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(),
                                    needed, &needed));
}

// Whether two descriptors hold the same access list.
bool SameAccessList(std::vector<BYTE>& a, std::vector<BYTE>& b) {
  BOOL presentA = FALSE;
  BOOL presentB = FALSE;
  BOOL defaulted = FALSE;
  ACL* aclA = nullptr;
  ACL* aclB = nullptr;
  if (a.empty() || b.empty() ||
      !GetSecurityDescriptorDacl(a.data(), &presentA, &aclA, &defaulted) ||
      !GetSecurityDescriptorDacl(b.data(), &presentB, &aclB, &defaulted)) {
    return false;
  }
  if (!presentA || !presentB || aclA == nullptr || aclB == nullptr) return presentA == presentB;
  return aclA->AclSize == aclB->AclSize && std::memcmp(aclA, aclB, aclA->AclSize) == 0;
}

// The access list of the file at `from`, given to the file at `to`. A file
// system without access lists has none to give. One the copy has already
// is not set again: Wine keeps a file's Unix permissions only as long as no
// access list is set on it (it would give the group the owner's).
std::uint32_t CopyAccessList(const WideText& from, const WideText& to) {
  std::vector<BYTE> kept;
  std::uint32_t error = ReadAccessList(from, kept);
  if (error != 0 || kept.empty()) return error;
  std::vector<BYTE> copys;
  if (ReadAccessList(to, copys) == 0 && SameAccessList(kept, copys)) return 0;
  return Succeeded(SetFileSecurityW(to.c_str(), DACL_SECURITY_INFORMATION, kept.data()));
}

}  // namespace

std::uint32_t CreateUnnamedCopy(const HeldFolder&, std::uint32_t, PendingCopy&) {
  return ERROR_NOT_SUPPORTED;
}

std::uint32_t CreateNamedCopy(const HeldFolder& folder, const WideText& name, std::uint32_t,
                              PendingCopy& copy) {
  // The copy takes the folder's permissions, as a file saved there would.
  // Shared for deleting alone, so that no one reads half a copy and the
  // copy can be moved into place while it is held.
  const HANDLE handle = CreateFileW(Join(folder, name).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  if (!LockLiveByte(handle)) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    DeleteFileW(Join(folder, name).c_str());
    return error;
  }
  copy.file = Held(handle);
  copy.name = name;
  return 0;
}

std::uint32_t NameUnnamedCopy(const HeldFolder&, const WideText&, PendingCopy&) {
  return ERROR_NOT_SUPPORTED;
}

std::uint32_t KeepAttributesOf(const HeldFolder& folder, const WideText& replaced,
                               PendingCopy& copy) {
  const WideText from = Join(folder, replaced);
  const WideText to = Join(folder, copy.name);
  const DWORD attributes = GetFileAttributesW(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  // Set by name, with the copy held: attributes and access lists are not
  // shared as data is.
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const std::uint32_t error = CopyAccessList(from, to);
  return error != 0 ? error : Succeeded(SetFileAttributesW(to.c_str(), attributes & kKept));
}

std::uint32_t CopyContents(FileHandle from, std::uint64_t, PendingCopy& copy) {
  std::vector<char> buffer(1 << 20);
  for (;;) {
    if (StopRequested()) return ERROR_OPERATION_ABORTED;
    DWORD got = 0;
    if (!ReadFile(Handle(from), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return GetLastError();
    }
    if (got == 0) return 0;
    // A write the disk takes only in part is continued: the next one then
    // tells why it could not go on.
    for (DWORD done = 0; done < got;) {
      DWORD put = 0;
      if (!WriteFile(Handle(copy.file), buffer.data() + done, got - done, &put, nullptr)) {
        return GetLastError();
      }
      if (put == 0) return ERROR_DISK_FULL;
      done += put;
    }
  }
}

std::uint32_t FlushCopy(PendingCopy& copy) {
  return Succeeded(FlushFileBuffers(Handle(copy.file)));
}

std::uint32_t PlaceCopy(const HeldFolder& folder, PendingCopy& copy, const WideText& name,
                        bool replace) {
  // Moved while held (it is shared for deleting), so that no other run
  // takes it for abandoned meanwhile. Without MOVEFILE_REPLACE_EXISTING the move fails on an
  // existing file. With it, a link at the name is replaced and what it leads to is left alone;
  // ReplaceFile is not used: it leaves a file of its own behind when it fails, and through a link
  // it removes the file the link leads to.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  const std::uint32_t error =
      Succeeded(MoveFileExW(Join(folder, copy.name).c_str(), Join(folder, name).c_str(), flags));
  if (error != 0) return error;
  CloseHandle(Handle(copy.file));
  copy = PendingCopy();
  return 0;
}

void DiscardCopy(const HeldFolder& folder, PendingCopy& copy) {
  if (copy.file != kNoFile) CloseHandle(Handle(copy.file));
  if (!copy.name.empty()) DeleteFileW(Join(folder, copy.name).c_str());
  copy = PendingCopy();
}

void RemoveCopyIfAbandoned(const HeldFolder& folder, const WideText& name, std::uint32_t process) {
  if (process == GetCurrentProcessId()) return;  // this run's own
  // A copy its run holds open in this Wine server, or on Windows, does not
  // open (it is not shared for reading); one held in another server opens,
  // and its lock tells.
  const WideText path = Join(folder, name);
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FileFacts facts;
  if (FactsOfHandle(file, facts) == 0 && facts.isRegular && !facts.isLink && LockLiveByte(file)) {
    DeleteFileW(path.c_str());  // gone once this handle closes
  }
  CloseHandle(file);
}

namespace {

// --- a request to end the process ---------------------------------------------
// A console control handler belongs to the whole process, and runs on a
// thread of its own: this state is process-wide by its nature, and lives
// only from StartStoppableWork to EndStoppableWork.

// 0 while running, kStopped once a stop was asked for, kCommitted once the
// copy is being named and it is too late to stop.
constexpr LONG kStopped = 1;
constexpr LONG kCommitted = 2;
volatile LONG stopRequested = 0;
HANDLE workEnded = nullptr;  // set once the run removed what it made

BOOL WINAPI NoteStop(DWORD) {
  InterlockedCompareExchange(&stopRequested, kStopped, 0);
  // The system ends the process when the handler returns from a closed
  // console, and may after a few seconds whatever it does: the run's own
  // thread ends it, once its copy and folders are gone.
  WaitForSingleObject(workEnded, 4000);
  return TRUE;
}

}  // namespace

void StartStoppableWork() {
  stopRequested = 0;
  workEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (workEnded != nullptr) SetConsoleCtrlHandler(NoteStop, TRUE);
}

bool StopRequested() { return stopRequested == kStopped; }

bool CommitUnlessStopped() {
  return InterlockedCompareExchange(&stopRequested, kCommitted, 0) != kStopped;
}

void EndStoppableWork() {
  if (workEnded == nullptr) return;
  // A handler that waits returns now; removing it waits for that (Wine
  // holds its console lock while a handler runs).
  SetEvent(workEnded);
  SetConsoleCtrlHandler(NoteStop, FALSE);
  if (StopRequested()) {
    // As Windows ends a process on Ctrl+C.
    constexpr UINT kControlCExit = 0xC000013Au;
    ExitProcess(kControlCExit);
  }
  CloseHandle(workEnded);
  workEnded = nullptr;
}
