#include <vector>

#include "folder_filter/file_system.h"
#include "platform/win32.h"

namespace {

// Copies that a run has not finished carry this name.
constexpr char kCopyPrefix[] = ".morvask-";
constexpr char kCopyPattern[] = ".morvask-*.tmp";

std::string Environment(const char* name) {
  char value[MAX_PATH * 4];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

HANDLE Handle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
FileHandle Held(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

std::uint32_t Succeeded(BOOL done) { return done ? 0 : GetLastError(); }

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && !IsDBCSLeadByte(static_cast<BYTE>(path[0]));
}

// Where the last name of a path starts: after its last separator, or after
// its drive. Passes over double-byte characters, whose second byte may be "\".
std::size_t NameStart(const std::string& path) {
  std::size_t start = HasDrive(path) ? 2 : 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i]))) {
      ++i;
    } else if (path[i] == '\\' || path[i] == '/') {
      start = i + 1;
    }
  }
  return start;
}

// A name in a folder. "C:" alone is the current folder of drive C, so no
// separator goes after it.
std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || NameStart(folder) == folder.size()) return folder + name;
  return folder + "\\" + name;
}

const std::string& Folder(const FilePlace& place) { return place.folderPaths.back(); }

std::string Hex(std::uint32_t value) {
  std::string text;
  do {
    text.insert(text.begin(), "0123456789abcdef"[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return text;
}

FileFacts FactsOf(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, FILETIME modified) {
  FileFacts facts;
  facts.exists = true;
  facts.isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  facts.isRegular = (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE |
                                   FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
  facts.size = (static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow;
  facts.modified =
      (static_cast<std::uint64_t>(modified.dwHighDateTime) << 32) | modified.dwLowDateTime;
  return facts;
}

std::uint32_t FactsOfHandle(HANDLE file, FileFacts& facts) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return GetLastError();
  facts =
      FactsOf(info.dwFileAttributes, info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime);
  return 0;
}

// Opens a folder and holds it: without delete sharing no one can rename,
// move or remove it, or put a junction in its place, while the handle is
// open. Below the root of a confined place, a reparse point (a junction or a
// symbolic link) is refused rather than followed.
std::uint32_t HoldFolder(const std::string& path, bool refuseReparsePoint, HANDLE& folder) {
  const DWORD flags =
      FILE_FLAG_BACKUP_SEMANTICS | (refuseReparsePoint ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  folder = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, flags, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return GetLastError();
  BY_HANDLE_FILE_INFORMATION info;
  std::uint32_t error = Succeeded(GetFileInformationByHandle(folder, &info));
  if (error == 0 && refuseReparsePoint && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    error = ERROR_ACCESS_DENIED;
  } else if (error == 0 && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = ERROR_PATH_NOT_FOUND;
  }
  if (error != 0) CloseHandle(folder);
  return error;
}

// Makes the folder and its missing parents, remembering which, outermost
// first, so that a failed run can remove them again.
std::uint32_t MakeFolderTree(const std::string& folder, std::vector<std::string>& made) {
  if (folder.empty() || GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
  const std::string parent = ParentFolder(folder);
  if (parent != folder && parent != ".") {
    const std::uint32_t error = MakeFolderTree(parent, made);
    if (error != 0) return error;
  }
  if (CreateDirectoryA(folder.c_str(), nullptr)) {
    made.push_back(folder);
    return 0;
  }
  return GetLastError() == ERROR_ALREADY_EXISTS ? 0 : GetLastError();
}

// Removes the copies earlier runs left in the folder. A copy still being
// written is open without delete sharing, so only abandoned ones go.
void RemoveAbandonedCopies(const std::string& folder) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(Join(folder, kCopyPattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      DeleteFileA(Join(folder, found.cFileName).c_str());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace

std::string DeviceFolder() {
  const std::string named = Environment("MORVASK_DEVICE_DIR");
  if (!named.empty()) return named;
  const std::string localData = Environment("LOCALAPPDATA");
  if (localData.empty()) return std::string();
  return localData + "\\Morvask\\device";
}

std::string ParentFolder(const std::string& path) {
  const std::size_t start = NameStart(path);
  const std::size_t prefix = HasDrive(path) ? 2 : 0;
  if (start == prefix) return prefix == 2 ? path.substr(0, 2) : ".";
  // A root keeps its separator: "\" and "C:\".
  if (start == prefix + 1) return path.substr(0, start);
  return path.substr(0, start - 1);
}

FilePlace DesktopPlace(const std::string& path) {
  FilePlace place;
  place.root = ParentFolder(path);
  place.names.push_back(path.substr(NameStart(path)));
  return place;
}

const std::string& FileName(const FilePlace& place) { return place.names.back(); }

std::uint32_t OpenPlace(FilePlace& place) {
  HANDLE folder = INVALID_HANDLE_VALUE;
  // The root is a path the user named: a junction there is followed.
  std::uint32_t error = HoldFolder(place.root, false, folder);
  if (IsNotFound(error) && place.createFolders) {
    error = MakeFolderTree(place.root, place.madeRoot);
    if (error == 0) error = HoldFolder(place.root, false, folder);
  }
  if (error != 0) return error;
  place.folders.push_back(Held(folder));
  place.folderPaths.push_back(place.root);
  for (std::size_t i = 0; i + 1 < place.names.size(); ++i) {
    const std::string path = Join(place.folderPaths.back(), place.names[i]);
    error = HoldFolder(path, place.confined, folder);
    if (IsNotFound(error) && place.createFolders) {
      if (CreateDirectoryA(path.c_str(), nullptr)) {
        place.madeFolders.push_back(place.folders.size());
      } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
        return GetLastError();
      }
      error = HoldFolder(path, place.confined, folder);
    }
    if (error != 0) return error;
    place.folders.push_back(Held(folder));
    place.folderPaths.push_back(path);
  }
  return 0;
}

void ClosePlace(FilePlace& place, bool failed) {
  // A held folder cannot be removed: let go of them all first.
  for (FileHandle folder : place.folders) CloseHandle(Handle(folder));
  place.folders.clear();
  if (failed) {
    // Innermost first; a folder that is not empty stays.
    for (auto made = place.madeFolders.rbegin(); made != place.madeFolders.rend(); ++made) {
      RemoveDirectoryA(Join(place.folderPaths[*made - 1], place.names[*made - 1]).c_str());
    }
    for (auto made = place.madeRoot.rbegin(); made != place.madeRoot.rend(); ++made) {
      RemoveDirectoryA(made->c_str());
    }
  }
  place.folderPaths.clear();
  place.madeFolders.clear();
  place.madeRoot.clear();
}

std::uint32_t LookAtFile(const FilePlace& place, FileFacts& facts) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  facts = FileFacts();
  if (!GetFileAttributesExA(Join(Folder(place), FileName(place)).c_str(), GetFileExInfoStandard,
                            &data)) {
    return IsNotFound(GetLastError()) ? 0 : GetLastError();
  }
  facts =
      FactsOf(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
  return 0;
}

std::uint32_t OpenSourceFile(const FilePlace& place, FileHandle& file, FileFacts& facts) {
  // Others may go on reading the source, but none may write to it until the
  // copy is made.
  const DWORD flags =
      FILE_FLAG_SEQUENTIAL_SCAN | (place.confined ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  const HANDLE handle = CreateFileA(Join(Folder(place), FileName(place)).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  std::uint32_t error = FactsOfHandle(handle, facts);
  // A device, a pipe or a link is not a database file.
  if (error == 0 && (GetFileType(handle) != FILE_TYPE_DISK || !facts.isRegular)) {
    error = ERROR_ACCESS_DENIED;
  }
  if (error != 0) {
    CloseHandle(handle);
    return error;
  }
  file = Held(handle);
  return 0;
}

std::uint32_t ReadFileFacts(FileHandle file, FileFacts& facts) {
  return FactsOfHandle(Handle(file), facts);
}

std::uint32_t StartCopy(const FilePlace& place, const FileFacts&, const FileFacts*,
                        PendingCopy& copy) {
  // The copy takes the folder's permissions, as a file saved there would;
  // FinishCopy gives a replacing copy the replaced file's.
  RemoveAbandonedCopies(Folder(place));
  static std::uint32_t calls = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = kCopyPrefix + Hex(GetCurrentProcessId()) + "-" + Hex(GetTickCount()) +
                             "-" + Hex(++calls) + ".tmp";
    // Shared with no one: no other run can remove it while it is written.
    const HANDLE handle = CreateFileA(Join(Folder(place), name).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      copy.file = Held(handle);
      copy.name = name;
      return 0;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      return GetLastError();
    }
  }
  return ERROR_FILE_EXISTS;
}

std::uint32_t CopyContents(FileHandle from, PendingCopy& copy, std::uint64_t& copied) {
  std::vector<char> buffer(64 * 1024);
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

std::uint32_t FinishCopy(const FilePlace& place, PendingCopy& copy, bool replace) {
  std::uint32_t error = Succeeded(FlushFileBuffers(Handle(copy.file)));
  // A file cannot be renamed while it is open without delete sharing.
  CloseHandle(Handle(copy.file));
  copy.file = -1;
  if (error != 0) return error;
  const std::string from = Join(Folder(place), copy.name);
  const std::string to = Join(Folder(place), FileName(place));
  // Replacing keeps the replaced file's permissions, owner and attributes,
  // as if it had been written in place; it fails on a file that is gone.
  if (replace && ReplaceFileA(to.c_str(), from.c_str(), nullptr, 0, nullptr, nullptr)) {
    copy.name.clear();
    return 0;
  }
  // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing file.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  error = Succeeded(MoveFileExA(from.c_str(), to.c_str(), flags));
  if (error == 0) copy.name.clear();
  return error;
}

void DiscardCopy(const FilePlace& place, PendingCopy& copy) {
  if (copy.file != -1) CloseHandle(Handle(copy.file));
  if (!copy.name.empty()) DeleteFileA(Join(Folder(place), copy.name).c_str());
  copy = PendingCopy();
}

void CloseFile(FileHandle file) { CloseHandle(Handle(file)); }

bool IsNotFound(std::uint32_t error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsAlreadyExists(std::uint32_t error) {
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}
