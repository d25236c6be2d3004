#include <string>
#include <vector>

#include "folder_filter/file_store.h"
#include "platform/win32.h"

const char kHostSeparator = '\\';

namespace {

CopyOutcome Failed(DWORD error) { return {CopyOutcome::kFailed, error}; }

std::string Environment(const char* name) {
  char value[MAX_PATH * 4];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// The folder part of a path, passing over double-byte characters, whose
// second byte may be "\". A root keeps its separator.
std::string ParentFolder(const std::string& path) {
  std::size_t separator = std::string::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i]))) {
      ++i;
    } else if (path[i] == '\\' || path[i] == '/') {
      separator = i;
    }
  }
  const bool hasDrive =
      path.size() >= 2 && path[1] == ':' && !IsDBCSLeadByte(static_cast<BYTE>(path[0]));
  if (separator == std::string::npos) return hasDrive ? path.substr(0, 2) : ".";
  if (separator == (hasDrive ? 2u : 0u)) return path.substr(0, separator + 1);
  return path.substr(0, separator);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Makes the folder and its missing parents: 0 or the error of the folder
// that could not be made.
DWORD CreateFolderTree(const std::string& folder) {
  if (folder.empty() || Exists(folder)) return 0;
  const std::string parent = ParentFolder(folder);
  if (parent != folder && parent != ".") {
    const DWORD error = CreateFolderTree(parent);
    if (error != 0) return error;
  }
  if (CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  return GetLastError();
}

DWORD CopyBytes(HANDLE from, HANDLE to) {
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return GetLastError();
    }
    if (got == 0) return 0;
    DWORD put = 0;
    if (!WriteFile(to, buffer.data(), got, &put, nullptr)) return GetLastError();
    if (put != got) return ERROR_WRITE_FAULT;
  }
}

DWORD WriteCopy(HANDLE source, const std::string& copyPath) {
  const HANDLE copy = CreateFileA(copyPath.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (copy == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD error = CopyBytes(source, copy);
  if (error == 0 && !FlushFileBuffers(copy)) error = GetLastError();
  CloseHandle(copy);
  return error;
}

CopyOutcome CopyFrom(HANDLE source, const std::string& destination, bool allowOverwrite,
                     bool createFolders) {
  if (!allowOverwrite && Exists(destination)) return {CopyOutcome::kDestinationExists, 0};
  const std::string folder = ParentFolder(destination);
  if (createFolders) {
    const DWORD error = CreateFolderTree(folder);
    if (error != 0) return Failed(error);
  }
  char copyPath[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), "mvk", 0, copyPath) == 0) return Failed(GetLastError());
  DWORD error = WriteCopy(source, copyPath);
  if (error == 0) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing file,
    // even one made while the copy was written.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (allowOverwrite ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!MoveFileExA(copyPath, destination.c_str(), flags)) error = GetLastError();
  }
  if (error == 0) return {CopyOutcome::kCopied, 0};
  DeleteFileA(copyPath);
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
    return {CopyOutcome::kDestinationExists, 0};
  }
  return Failed(error);
}

}  // namespace

std::string DeviceFolder() {
  const std::string named = Environment("MORVASK_DEVICE_DIR");
  if (!named.empty()) return named;
  const std::string localData = Environment("LOCALAPPDATA");
  if (localData.empty()) return std::string();
  return localData + "\\Morvask\\device";
}

CopyOutcome CopyWholeFile(const std::string& source, const std::string& destination,
                          bool allowOverwrite, bool createFolders) {
  const HANDLE from = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (from == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      return {CopyOutcome::kSourceMissing, 0};
    }
    return Failed(error);
  }
  const CopyOutcome outcome = CopyFrom(from, destination, allowOverwrite, createFolders);
  CloseHandle(from);
  return outcome;
}
