// The Windows copy: made under a name that carries its process, which must
// be gone before another run removes it, given the replaced file's access
// list and attributes, and moved into place with MoveFileEx.
#include <string>
#include <vector>

#include "folder_filter/file_system_win32.h"

namespace {

bool ProcessIsGone(std::uint32_t process) {
  const HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
  // No such process; any other failure (another user's process) counts as
  // alive.
  if (handle == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  const bool gone = WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
  CloseHandle(handle);
  return gone;
}

// The access list of the file at `from`, given to the file at `to`. A file
// system without access lists has none to give.
std::uint32_t CopyAccessList(const WideText& from, const WideText& to) {
  DWORD needed = 0;
  GetFileSecurityW(from.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  if (needed == 0) {
    const DWORD error = GetLastError();
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ? 0 : error;
  }
  std::vector<BYTE> descriptor(needed);
  if (!GetFileSecurityW(from.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed,
                        &needed)) {
    return GetLastError();
  }
  return Succeeded(SetFileSecurityW(to.c_str(), DACL_SECURITY_INFORMATION, descriptor.data()));
}

// The copy, opened again after its attributes were set by name: shared
// with no one, so that no one reads half a copy.
std::uint32_t OpenCopy(const WideText& path, PendingCopy& copy) {
  const HANDLE handle =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  copy.file = Held(handle);
  return 0;
}

}  // namespace

std::uint32_t CreateUnnamedCopy(const HeldFolder&, std::uint32_t, PendingCopy&) {
  return ERROR_NOT_SUPPORTED;
}

std::uint32_t CreateNamedCopy(const HeldFolder& folder, const std::string& name, std::uint32_t,
                              PendingCopy& copy) {
  // The copy takes the folder's permissions, as a file saved there would.
  const HANDLE handle = CreateFileW(Join(folder, name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  copy.file = Held(handle);
  copy.name = name;
  return 0;
}

std::uint32_t NameUnnamedCopy(const HeldFolder&, const std::string&, PendingCopy&) {
  return ERROR_NOT_SUPPORTED;
}

std::uint32_t KeepAttributesOf(const HeldFolder& folder, const std::string& replaced,
                               PendingCopy& copy) {
  const WideText from = Join(folder, replaced);
  const WideText to = Join(folder, copy.name);
  const DWORD attributes = GetFileAttributesW(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  // Set by name, with the copy let go meanwhile: its process, alive, keeps
  // other runs from removing it.
  CloseHandle(Handle(copy.file));
  copy.file = kNoFile;
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  std::uint32_t error = CopyAccessList(from, to);
  if (error == 0) error = Succeeded(SetFileAttributesW(to.c_str(), attributes & kKept));
  const std::uint32_t reopened = OpenCopy(to, copy);
  return error != 0 ? error : reopened;
}

std::uint32_t CopyContents(FileHandle from, std::uint64_t, PendingCopy& copy,
                           std::uint64_t& copied) {
  std::vector<char> buffer(1 << 20);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(Handle(from), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return GetLastError();
    }
    if (got == 0) return 0;
    DWORD put = 0;
    if (!WriteFile(Handle(copy.file), buffer.data(), got, &put, nullptr)) return GetLastError();
    if (put != got) return ERROR_WRITE_FAULT;
    copied += got;
  }
}

std::uint32_t PlaceCopy(const HeldFolder& folder, PendingCopy& copy, const std::string& name,
                        bool replace) {
  const std::uint32_t flushed = Succeeded(FlushFileBuffers(Handle(copy.file)));
  // A file cannot be moved while it is open without delete sharing. Let go,
  // its process keeps other runs from removing it.
  CloseHandle(Handle(copy.file));
  copy.file = kNoFile;
  if (flushed != 0) return flushed;
  // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing file.
  // With it, a link at the name is replaced and what it leads to is left
  // alone; ReplaceFile is not used: it leaves a file of its own behind when
  // it fails, and through a link it removes the file the link leads to.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  const std::uint32_t error =
      Succeeded(MoveFileExW(Join(folder, copy.name).c_str(), Join(folder, name).c_str(), flags));
  if (error == 0) copy = PendingCopy();
  return error;
}

void DiscardCopy(const HeldFolder& folder, PendingCopy& copy) {
  if (copy.file != kNoFile) CloseHandle(Handle(copy.file));
  if (!copy.name.empty()) DeleteFileW(Join(folder, copy.name).c_str());
  copy = PendingCopy();
}

void RemoveCopyIfAbandoned(const HeldFolder& folder, const std::string& name,
                           std::uint32_t process) {
  if (process == GetCurrentProcessId() || !ProcessIsGone(process)) return;
  const WideText path = Join(folder, name);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotRegular) == 0) {
    DeleteFileW(path.c_str());
  }
}

void StartStoppableWork() {}

bool StopRequested() { return false; }

void EndStoppableWork() {}
