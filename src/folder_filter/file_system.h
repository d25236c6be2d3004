// The file operations the folder filter needs, one implementation per
// platform. Errors are Windows system error codes on every platform, 0 for
// success.
#pragma once

#include <cstdint>
#include <string>

// The separator of this computer's paths.
extern const char kHostSeparator;

// A file open for reading or writing.
typedef std::intptr_t FileHandle;

// MORVASK_DEVICE_DIR when it is set, else the user's data folder for the
// device; empty when neither can be found.
std::string DeviceFolder();

// The folder part of a path ("." for a bare name); a root keeps its
// separator.
std::string ParentFolder(const std::string& path);
bool PathExists(const std::string& path);
// Makes the folder and its missing parents.
std::uint32_t CreateFolderTree(const std::string& folder);

std::uint32_t OpenForReading(const std::string& path, FileHandle& file);
// A new, empty file in the folder under a name nobody uses; its path goes
// to `path`.
std::uint32_t CreateUniqueFile(const std::string& folder, FileHandle& file, std::string& path);
// Copies what is left of `from` into `to` and flushes it to the disk.
std::uint32_t CopyContents(FileHandle from, FileHandle to);
std::uint32_t CloseFile(FileHandle file);
// Renames the file to `destination`; without `replace`, never over an
// existing file, even one made a moment before.
std::uint32_t MoveIntoPlace(const std::string& path, const std::string& destination, bool replace);
void RemoveFile(const std::string& path);

bool IsNotFound(std::uint32_t error);
bool IsAlreadyExists(std::uint32_t error);
