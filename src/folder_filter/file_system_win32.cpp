#include <vector>

#include "folder_filter/file_system.h"
#include "platform/win32.h"

const char kHostSeparator = '\\';

namespace {

std::string Environment(const char* name) {
  char value[MAX_PATH * 4];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

HANDLE Handle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

std::uint32_t Succeeded(BOOL done) { return done ? 0 : GetLastError(); }

}  // namespace

std::string DeviceFolder() {
  const std::string named = Environment("MORVASK_DEVICE_DIR");
  if (!named.empty()) return named;
  const std::string localData = Environment("LOCALAPPDATA");
  if (localData.empty()) return std::string();
  return localData + "\\Morvask\\device";
}

// Passes over double-byte characters, whose second byte may be "\".
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

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::uint32_t CreateFolderTree(const std::string& folder) {
  if (folder.empty() || PathExists(folder)) return 0;
  const std::string parent = ParentFolder(folder);
  if (parent != folder && parent != ".") {
    const std::uint32_t error = CreateFolderTree(parent);
    if (error != 0) return error;
  }
  if (CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  return GetLastError();
}

std::uint32_t OpenForReading(const std::string& path, FileHandle& file) {
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  file = reinterpret_cast<FileHandle>(handle);
  return 0;
}

std::uint32_t CreateUniqueFile(const std::string& folder, FileHandle& file, std::string& path) {
  char name[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), "mvk", 0, name) == 0) return GetLastError();
  path = name;
  const HANDLE handle = CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const std::uint32_t error = GetLastError();
    DeleteFileA(name);
    return error;
  }
  file = reinterpret_cast<FileHandle>(handle);
  return 0;
}

std::uint32_t CopyContents(FileHandle from, FileHandle to) {
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(Handle(from), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return GetLastError();
    }
    if (got == 0) break;
    DWORD put = 0;
    if (!WriteFile(Handle(to), buffer.data(), got, &put, nullptr)) return GetLastError();
    if (put != got) return ERROR_WRITE_FAULT;
  }
  return Succeeded(FlushFileBuffers(Handle(to)));
}

std::uint32_t CloseFile(FileHandle file) { return Succeeded(CloseHandle(Handle(file))); }

std::uint32_t MoveIntoPlace(const std::string& path, const std::string& destination, bool replace) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing file.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  return Succeeded(MoveFileExA(path.c_str(), destination.c_str(), flags));
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool IsNotFound(std::uint32_t error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsAlreadyExists(std::uint32_t error) {
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}
