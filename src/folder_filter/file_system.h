// The file operations the folder filter needs, one implementation per
// platform. Errors are Windows system error codes on every platform, 0 for
// success.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A file or folder held open: a descriptor on Linux, a handle on Windows.
typedef std::intptr_t FileHandle;

// MORVASK_DEVICE_DIR when it is set, else the user's data folder for the
// device; empty when neither can be found.
std::string DeviceFolder();

// The folder part of a path ("." for a bare name); a root keeps its
// separator.
std::string ParentFolder(const std::string& path);

// Where one file of a copy lies: a starting folder, the names below it and
// whether links may be met on the way. OpenPlace holds every folder on the
// way open from the moment it is found, so that none can be swapped for
// another while the copy is made; ClosePlace lets them go.
struct FilePlace {
  std::string root;                // a folder of this computer, links followed
  std::vector<std::string> names;  // from the root: folders, then the file
  bool confined = false;           // no link below the root, the file's own name included
  bool createFolders = false;      // missing folders, the root's too, are made

  // Filled by OpenPlace.
  std::vector<FileHandle> folders;       // the root, then one for each folder name
  std::vector<std::string> folderPaths;  // the path of each
  std::vector<std::size_t> madeFolders;  // which of them this run made below the root
  std::vector<std::string> madeRoot;     // the root and its parents, if this run made them
};

// The place of a desktop file: its folder as the user named it, and its name.
FilePlace DesktopPlace(const std::string& path);

// The file's name in its folder.
const std::string& FileName(const FilePlace& place);

// Opens the root and every folder below it, making missing ones when the
// place allows it. A link met below the root of a confined place is
// refused with ERROR_ACCESS_DENIED.
std::uint32_t OpenPlace(FilePlace& place);
// Closes the folders. After a failed copy, first removes the folders this
// run made, innermost first, as long as they are empty.
void ClosePlace(FilePlace& place, bool failed);

// What a file is, as far as the copy cares.
struct FileFacts {
  bool exists = false;
  bool isLink = false;
  bool isRegular = false;
  std::uint64_t size = 0;
  std::uint64_t modified = 0;  // in the system's own units
  std::uint32_t mode = 0;      // permission bits (Linux)
  std::uint32_t owner = 0;     // user and group (Linux)
  std::uint32_t group = 0;
};

// What is at the place's file name now, without following a link there.
std::uint32_t LookAtFile(const FilePlace& place, FileFacts& facts);

// Opens the place's file for reading, with its facts. Only a regular file
// is opened; anything else (a folder, a FIFO, a device) is refused with
// ERROR_ACCESS_DENIED without waiting on it, as is a link in a confined
// place. Others may read the file meanwhile but not write it, where the
// system can keep them from it.
std::uint32_t OpenSourceFile(const FilePlace& place, FileHandle& file, FileFacts& facts);
// The facts of an open file.
std::uint32_t ReadFileFacts(FileHandle file, FileFacts& facts);

// A copy being written in the destination's folder: unnamed where the file
// system allows it, else under a name that later runs recognise and remove
// once its writer is gone.
struct PendingCopy {
  FileHandle file = -1;
  std::string name;  // empty while the copy has no name
};

// Starts the copy in the place's folder, first removing copies that earlier
// runs left behind. It is made for the source's permission bits, less the
// umask, or, when `replaced` is given, with the replaced file's bits, owner
// and group where the process may set them.
std::uint32_t StartCopy(const FilePlace& place, const FileFacts& source, const FileFacts* replaced,
                        PendingCopy& copy);
// Copies what is left of `from` into the copy and counts the bytes.
std::uint32_t CopyContents(FileHandle from, PendingCopy& copy, std::uint64_t& copied);
// Flushes the copy to the disk and gives it the place's file name; without
// `replace`, never over an existing file, even one made a moment before.
std::uint32_t FinishCopy(const FilePlace& place, PendingCopy& copy, bool replace);
// Closes and removes an unfinished copy.
void DiscardCopy(const FilePlace& place, PendingCopy& copy);

void CloseFile(FileHandle file);

bool IsNotFound(std::uint32_t error);
bool IsAlreadyExists(std::uint32_t error);
