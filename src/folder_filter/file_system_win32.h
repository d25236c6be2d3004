// What the Windows file operations share: a held folder is an open handle
// with its long path, and names are given to the W functions in UTF-16.
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

// A name in the program's code page, in UTF-16.
WideText Wide(const std::string& text);

// The long path of a name in a held folder.
WideText Join(const HeldFolder& folder, const std::string& name);
