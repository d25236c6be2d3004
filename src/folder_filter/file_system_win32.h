// What the Windows file operations share: a held folder is an open handle
// with its long path, and names go to the W functions as they are.
#pragma once

#include <cstdint>
#include <string>

#include "folder_filter/file_system.h"
#include "folder_filter/wide_text.h"
#include "platform/win32.h"

struct HeldFolder {
  HANDLE handle;
  WideText path;       // absolute and long
  WideText finalPath;  // where it really is, empty where the system cannot tell
};

// What a regular file is not.
inline constexpr DWORD kNotRegular =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;

inline HANDLE Handle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
inline FileHandle Held(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }
inline std::uint32_t Succeeded(BOOL done) { return done ? 0 : GetLastError(); }

// The facts of an open file, with which file it is.
std::uint32_t FactsOfHandle(HANDLE file, FileFacts& facts);
// Keeps a file just opened at the name (an error when it was not): only a
// regular file on a disk, and with `noLink` only one reached through no
// link below the folder; anything else is closed again, ERROR_ACCESS_DENIED.
std::uint32_t KeepRegularFile(const HeldFolder& folder, const WideText& name, HANDLE handle,
                              bool noLink, FileHandle& file, FileFacts& facts);
// Opens a file to look at it, following what Windows follows; its own
// handle, to be closed.
HANDLE OpenToLookAt(const WideText& path);

// The long form ("\\?\") of a path the user named, read as Win32 reads it
// first: a long path is taken as it stands, so it is never given raw.
std::uint32_t LongPath(const WideText& path, WideText& longPath);

// The long path of a name in a held folder.
inline WideText Join(const HeldFolder& folder, const WideText& name) {
  return folder.path + L"\\" + name;
}
