// The folder filter's file operations on Windows. Below the folder a user
// named, every path is absolute and long ("\\?\"), so that a temporary name
// never makes a path too long that the final one fits. Links and junctions
// below a held folder are caught by their attributes and, where the system
// tells where an opened name really leads (Vista and later), by that final
// path too.
#include <string>
#include <vector>

#include "folder_filter/copy_name.h"
#include "folder_filter/device_path.h"
#include "folder_filter/file_system_win32.h"
#include "platform/win32.h"

const char kCopyNameMark[] = "w";

namespace {

constexpr DWORD kShareAllButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The absolute form of a path the user named, as Win32 reads it: trailing
// dots and spaces of its names dropped, "." and ".." resolved, and a name
// Windows keeps for a device (CON, NUL.txt) turned into the device's path
// ("\\.\CON").
std::uint32_t FullPath(const WideText& path, WideText& full) {
  if (path.size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  WCHAR buffer[MAX_PATH];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0) return GetLastError();
  if (length >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  full.assign(buffer, length);
  return 0;
}

bool IsDevicePath(const WideText& full) { return full.compare(0, 4, L"\\\\.\\") == 0; }

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

std::uint64_t Join64(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
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

// Whether the name, opened, leads where a name of the folder would be: no
// link on the way that Windows follows (and Wine shows a link to a file as
// a plain file: only its final path tells).
bool LeadsBelow(const HeldFolder& folder, const WideText& name, HANDLE opened) {
  if (folder.finalPath.empty()) return true;
  const WideText path = FinalPath(opened);
  return path.empty() || UpperCaseText(path) == UpperCaseText(folder.finalPath + L"\\" + name);
}

}  // namespace

// The long form ("\\?\") of a path the user named, read as Win32 reads it
// first: a long path is taken as it stands, so it is never given raw.
std::uint32_t LongPath(const WideText& path, WideText& longPath) {
  WideText full;
  const std::uint32_t error = FullPath(path, full);
  if (error != 0) return error;
  if (IsDevicePath(full)) return ERROR_ACCESS_DENIED;
  const bool share = full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\';
  longPath = share ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
  return 0;
}

std::uint32_t KeepRegularFile(const HeldFolder& folder, const WideText& name, HANDLE handle,
                              bool noLink, FileHandle& file, FileFacts& facts) {
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  std::uint32_t error = FactsOfHandle(handle, facts);
  if (error == 0 && (GetFileType(handle) != FILE_TYPE_DISK || !facts.isRegular ||
                     (noLink && !LeadsBelow(folder, name, handle)))) {
    error = ERROR_ACCESS_DENIED;
  }
  if (error != 0) {
    CloseHandle(handle);
    return error;
  }
  file = Held(handle);
  return 0;
}

HANDLE OpenToLookAt(const WideText& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::uint32_t FactsOfHandle(HANDLE file, FileFacts& facts) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return GetLastError();
  facts =
      FactsOf(info.dwFileAttributes, info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime);
  facts.volume = info.dwVolumeSerialNumber;
  facts.index = Join64(info.nFileIndexHigh, info.nFileIndexLow);
  facts.links = info.nNumberOfLinks;
  return 0;
}

WideText WideFromSystemText(const std::string& text) {
  if (text.empty()) return WideText();
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  WideText wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], units);
  return wide;
}

void ReleaseFolder(HeldFolder* folder) {
  if (folder == nullptr) return;
  CloseHandle(folder->handle);
  delete folder;
}

std::uint32_t SplitDesktopPath(const WideText& path, WideText& folder, WideText& name) {
  WideText full;
  const std::uint32_t error = FullPath(path, full);
  if (error != 0) return error;
  // A device is no file to copy to or from, whatever name it has.
  if (IsDevicePath(full)) return ERROR_ACCESS_DENIED;
  const std::size_t separator = full.find_last_of(L"\\/");
  name = full.substr(separator + 1);
  if (name.empty()) return ERROR_INVALID_NAME;  // "C:\\data\\": a folder
  if (IsReservedDeviceName(name)) return ERROR_ACCESS_DENIED;
  folder = ParentFolder(full);
  return 0;
}

WideText ParentFolder(const WideText& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  const std::size_t drive = path.size() >= 2 && path[1] == L':' ? 2 : 0;
  if (separator == WideText::npos || separator < drive) {
    return drive != 0 ? path.substr(0, drive) : WideText(L".");
  }
  // A root keeps its separator: "\\" and "C:\\".
  return separator == drive ? path.substr(0, separator + 1) : path.substr(0, separator);
}

std::uint32_t OpenFolderAt(const WideText& path, Folder& folder) {
  WideText longPath;
  const std::uint32_t error = LongPath(path, longPath);
  // The user's own path: a junction in it is followed.
  return error != 0 ? error : HoldFolder(longPath, 0, folder);
}

std::uint32_t MakeFolderAt(const WideText& path) {
  WideText longPath;
  const std::uint32_t error = LongPath(path, longPath);
  return error != 0 ? error : Succeeded(CreateDirectoryW(longPath.c_str(), nullptr));
}

void RemoveFolderAt(const WideText& path) {
  WideText longPath;
  if (LongPath(path, longPath) == 0) RemoveDirectoryW(longPath.c_str());
}

WideText EnvironmentText(const char* name) {
  const WideText wideName = WideFromAscii(name);
  WideText value(256, L'\0');
  for (;;) {
    const DWORD length =
        GetEnvironmentVariableW(wideName.c_str(), &value[0], static_cast<DWORD>(value.size()));
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);  // the size it needs, its terminator included
  }
}

std::uint32_t DefaultDeviceFolder(WideText& path) {
  // The shell's local application data folder: Windows XP has no
  // LOCALAPPDATA variable. The shell is loaded for this one call.
  typedef HRESULT(WINAPI * FolderPathProc)(HWND, int, HANDLE, DWORD, LPWSTR);
  constexpr int kLocalAppData = 0x001C;  // CSIDL_LOCAL_APPDATA
  WCHAR folder[MAX_PATH] = L"";
  const HMODULE shell = LoadLibraryA("shell32.dll");
  if (shell != nullptr) {
    const auto folderPath = reinterpret_cast<FolderPathProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHGetFolderPathW")));
    if (folderPath == nullptr || folderPath(nullptr, kLocalAppData, nullptr, 0, folder) != S_OK) {
      folder[0] = L'\0';
    }
    FreeLibrary(shell);
  }
  path = folder[0] != L'\0' ? WideText(folder) : EnvironmentText("LOCALAPPDATA");
  if (path.empty() || path.size() >= MAX_PATH) return ERROR_PATH_NOT_FOUND;
  path += L"\\Morvask\\device";
  return 0;
}

std::uint32_t OpenFolderBelow(const HeldFolder& parent, const WideText& name, Folder& folder) {
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

std::uint32_t MakeFolderBelow(const HeldFolder& parent, const WideText& name) {
  return Succeeded(CreateDirectoryW(Join(parent, name).c_str(), nullptr));
}

void RemoveFolderBelow(const HeldFolder& parent, const WideText& name) {
  RemoveDirectoryW(Join(parent, name).c_str());
}

std::uint32_t ListFolder(const HeldFolder& folder, std::vector<WideText>& names) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder.path + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError();
  names.clear();
  do {
    const WideText name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return 0;
}

std::uint32_t LookAtEntry(const HeldFolder& folder, const WideText& name, FileFacts& facts) {
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
    FileFacts identity;
    if (FactsOfHandle(opened, identity) == 0) {
      facts.volume = identity.volume;
      facts.index = identity.index;
    }
    CloseHandle(opened);
  }
  return 0;
}

std::uint32_t FollowLink(const HeldFolder& folder, const WideText& name, WideText& target) {
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
  target = path;
  return 0;
}

std::uint32_t OpenSourceFile(const HeldFolder& folder, const WideText& name, bool followLink,
                             FileHandle& file, FileFacts& facts) {
  // Others may go on reading the source, but none may write to it until the
  // copy is made.
  const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  const HANDLE handle = CreateFileW(Join(folder, name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, flags, nullptr);
  // A device, a pipe or a link is not a database file.
  return KeepRegularFile(folder, name, handle, !followLink, file, facts);
}

std::uint32_t ReadFileFacts(FileHandle file, FileFacts& facts) {
  return FactsOfHandle(Handle(file), facts);
}

std::uint32_t CheckWritable(const HeldFolder& folder, const WideText& name) {
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
