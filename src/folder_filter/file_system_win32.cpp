// The folder filter's file operations on Windows. Below the folder a user
// named, every path is absolute and long ("\\?\"), so that a temporary name
// never makes a path too long that the final one fits. Links and junctions
// below a held folder are caught by their attributes and, where the system
// tells where an opened name really leads (Vista and later), by that final
// path too.
#include <string>
#include <vector>

#include "folder_filter/file_system_win32.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kShareAllButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;

std::string Ansi(const WideText& wide) {
  if (wide.empty()) return std::string();
  const int units = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), units, &text[0], size, nullptr, nullptr);
  return text;
}

// The absolute, long form of a path the user named.
std::uint32_t LongPath(const std::string& path, WideText& longPath) {
  if (path.size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (length == 0) return GetLastError();
  if (length >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  const WideText wide = Wide(std::string(full, length));
  const bool share = wide.size() >= 2 && wide[0] == L'\\' && wide[1] == L'\\';
  longPath = share ? L"\\\\?\\UNC\\" + wide.substr(2) : L"\\\\?\\" + wide;
  return 0;
}

// Where an open file or folder really is, through every link: Vista and
// later tell; empty where the system cannot.
WideText FinalPath(HANDLE handle) {
  typedef DWORD(WINAPI * FinalPathProc)(HANDLE, LPWSTR, DWORD, DWORD);
  const auto finalPath = reinterpret_cast<FinalPathProc>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW")));
  if (finalPath == nullptr) return WideText();
  WideText path(1024, L'\0');
  DWORD length = finalPath(handle, &path[0], static_cast<DWORD>(path.size()), 0);
  if (length >= path.size()) {
    path.resize(length + 1);
    length = finalPath(handle, &path[0], static_cast<DWORD>(path.size()), 0);
  }
  path.resize(length < path.size() ? length : 0);
  return path;
}

// Whether the name, opened, leads where a name of the folder would be: no
// link on the way that Windows follows (and Wine shows a link to a file as
// a plain file: only its final path tells).
bool LeadsBelow(const HeldFolder& folder, const std::string& name, HANDLE opened) {
  if (folder.finalPath.empty()) return true;
  const WideText path = FinalPath(opened);
  return path.empty() ||
         UpperCaseText(path) == UpperCaseText(folder.finalPath + L"\\" + Wide(name));
}

FileFacts FactsOf(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, FILETIME modified) {
  FileFacts facts;
  facts.exists = true;
  facts.isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  facts.isRegular = (attributes & kNotRegular) == 0;
  facts.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
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
// move or remove it, or put a junction in its place, while it is held.
std::uint32_t HoldFolder(const WideText& path, DWORD flags, Folder& folder) {
  const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAllButDelete, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  BY_HANDLE_FILE_INFORMATION info;
  std::uint32_t error = Succeeded(GetFileInformationByHandle(handle, &info));
  if (error == 0 && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    error = ERROR_ACCESS_DENIED;
  } else if (error == 0 && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    error = ERROR_PATH_NOT_FOUND;
  }
  if (error != 0) {
    CloseHandle(handle);
    return error;
  }
  folder.reset(new HeldFolder{handle, path, FinalPath(handle)});
  return 0;
}

// Opens a file to look at it, following what Windows follows; its own
// handle, to be closed.
HANDLE OpenToLookAt(const WideText& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The length of the drive a path starts with ("C:"), 0 when it has none.
std::size_t DriveLength(const std::string& path) {
  const bool drive =
      path.size() >= 2 && path[1] == ':' && !IsDBCSLeadByte(static_cast<BYTE>(path[0]));
  return drive ? 2 : 0;
}

// Where the last name of a path starts: after its last separator, or after
// its drive. Passes over double-byte characters, whose second byte may be "\".
std::size_t NameStart(const std::string& path) {
  std::size_t start = DriveLength(path);
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i]))) {
      ++i;
    } else if (path[i] == '\\' || path[i] == '/') {
      start = i + 1;
    }
  }
  return start;
}

}  // namespace

WideText Wide(const std::string& text) {
  if (text.empty()) return WideText();
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  WideText wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], units);
  return wide;
}

WideText Join(const HeldFolder& folder, const std::string& name) {
  return folder.path + L"\\" + Wide(name);
}

void ReleaseFolder(HeldFolder* folder) {
  if (folder == nullptr) return;
  CloseHandle(folder->handle);
  delete folder;
}

std::string ParentFolder(const std::string& path) {
  const std::size_t start = NameStart(path);
  const std::size_t prefix = DriveLength(path);
  if (start == prefix) return prefix != 0 ? path.substr(0, prefix) : ".";
  // A root keeps its separator: "\" and "C:\".
  if (start == prefix + 1) return path.substr(0, start);
  return path.substr(0, start - 1);
}

std::string LastName(const std::string& path) { return path.substr(NameStart(path)); }

std::uint32_t OpenFolderAt(const std::string& path, Folder& folder) {
  WideText longPath;
  const std::uint32_t error = LongPath(path, longPath);
  // The user's own path: a junction in it is followed.
  return error != 0 ? error : HoldFolder(longPath, 0, folder);
}

std::uint32_t MakeFolderAt(const std::string& path) {
  WideText longPath;
  const std::uint32_t error = LongPath(path, longPath);
  return error != 0 ? error : Succeeded(CreateDirectoryW(longPath.c_str(), nullptr));
}

void RemoveFolderAt(const std::string& path) {
  WideText longPath;
  if (LongPath(path, longPath) == 0) RemoveDirectoryW(longPath.c_str());
}

std::uint32_t DefaultDeviceFolder(std::string& path) {
  // The shell's local application data folder: Windows XP has no
  // LOCALAPPDATA variable. The shell is loaded for this one call.
  typedef HRESULT(WINAPI * FolderPathProc)(HWND, int, HANDLE, DWORD, LPSTR);
  constexpr int kLocalAppData = 0x001C;  // CSIDL_LOCAL_APPDATA
  char folder[MAX_PATH] = "";
  const HMODULE shell = LoadLibraryA("shell32.dll");
  if (shell != nullptr) {
    const auto folderPath = reinterpret_cast<FolderPathProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHGetFolderPathA")));
    if (folderPath == nullptr || folderPath(nullptr, kLocalAppData, nullptr, 0, folder) != S_OK) {
      folder[0] = '\0';
    }
    FreeLibrary(shell);
  }
  if (folder[0] == '\0') {
    const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return ERROR_PATH_NOT_FOUND;
  }
  path = std::string(folder) + "\\Morvask\\device";
  return 0;
}

std::uint32_t OpenFolderBelow(const HeldFolder& parent, const std::string& name, Folder& folder) {
  const WideText path = Join(parent, name);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  // Wine shows a link to a folder as a reparse point by its attributes,
  // though not through a handle.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return ERROR_ACCESS_DENIED;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ERROR_PATH_NOT_FOUND;
  const std::uint32_t error = HoldFolder(path, FILE_FLAG_OPEN_REPARSE_POINT, folder);
  if (error == 0 && !LeadsBelow(parent, name, folder->handle)) {
    folder.reset();
    return ERROR_ACCESS_DENIED;
  }
  return error;
}

std::uint32_t MakeFolderBelow(const HeldFolder& parent, const std::string& name) {
  return Succeeded(CreateDirectoryW(Join(parent, name).c_str(), nullptr));
}

void RemoveFolderBelow(const HeldFolder& parent, const std::string& name) {
  RemoveDirectoryW(Join(parent, name).c_str());
}

std::uint32_t ListFolder(const HeldFolder& folder, std::vector<std::string>& names) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder.path + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError();
  names.clear();
  do {
    const WideText name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(Ansi(name));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return 0;
}

std::uint32_t LookAtEntry(const HeldFolder& folder, const std::string& name, FileFacts& facts) {
  const WideText path = Join(folder, name);
  WIN32_FILE_ATTRIBUTE_DATA data;
  facts = FileFacts();
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
  }
  facts =
      FactsOf(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
  const HANDLE opened = OpenToLookAt(path);
  if (opened != INVALID_HANDLE_VALUE) {
    if (!LeadsBelow(folder, name, opened)) facts.isLink = true;
    CloseHandle(opened);
  }
  return 0;
}

std::uint32_t FollowLink(const HeldFolder& folder, const std::string& name, std::string& target) {
  const HANDLE opened = OpenToLookAt(Join(folder, name));
  if (opened == INVALID_HANDLE_VALUE) return ERROR_ACCESS_DENIED;
  WideText path = FinalPath(opened);
  CloseHandle(opened);
  if (path.empty()) return ERROR_ACCESS_DENIED;
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
    path = L"\\\\" + path.substr(8);
  } else if (path.compare(0, 4, L"\\\\?\\") == 0) {
    path = path.substr(4);
  }
  target = Ansi(path);
  return 0;
}

std::uint32_t OpenSourceFile(const HeldFolder& folder, const std::string& name, bool followLink,
                             FileHandle& file, FileFacts& facts) {
  // Others may go on reading the source, but none may write to it until the
  // copy is made.
  const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  const HANDLE handle = CreateFileW(Join(folder, name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  std::uint32_t error = FactsOfHandle(handle, facts);
  // A device, a pipe or a link is not a database file.
  if (error == 0 && (GetFileType(handle) != FILE_TYPE_DISK || !facts.isRegular ||
                     (!followLink && !LeadsBelow(folder, name, handle)))) {
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

std::uint32_t CheckWritable(const HeldFolder& folder, const std::string& name) {
  // Opening for writing, without truncating, changes nothing. A file another
  // program holds is left for the replacement itself to report.
  const HANDLE handle = CreateFileW(Join(folder, name).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
    return 0;
  }
  return GetLastError() == ERROR_ACCESS_DENIED ? ERROR_ACCESS_DENIED : 0;
}

void CloseFile(FileHandle file) { CloseHandle(Handle(file)); }
