// What the Linux file operations share: a held folder is a descriptor
// opened with O_PATH, names are bytes (UTF-8 as text; see
// WideFromSystemText), and system errors are given as Windows errors.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "folder_filter/file_system.h"

struct HeldFolder {
  int descriptor;
};

// The Windows system error for the last failed call's errno.
std::uint32_t LastError();

// A name as the system holds it: the bytes WideFromSystemText read it from.
std::string SystemName(const WideText& name);

inline int Descriptor(FileHandle file) { return static_cast<int>(file); }

// Keeps a file just opened (a descriptor below 0 when it was not): only a
// regular file, with its status; anything else is closed again,
// ERROR_ACCESS_DENIED.
std::uint32_t KeepRegularFile(int descriptor, FileHandle& file, struct stat& status);

inline bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A path that names an entry of a held folder for the calls that take no
// folder descriptor: the system resolves /proc/self/fd/N to the folder.
inline std::string EntryPath(const HeldFolder& folder, const WideText& name) {
  return "/proc/self/fd/" + std::to_string(folder.descriptor) + "/" + SystemName(name);
}
