// The file operations the folder filter's copy is written over: one
// implementation per platform (file_system_linux.cpp, file_system_win32.cpp),
// each operation with the one contract stated here. Errors are Windows
// system error codes on every platform, 0 for success.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An open file: a descriptor on Linux, a handle on Windows.
typedef std::intptr_t FileHandle;
constexpr FileHandle kNoFile = -1;

// A folder held open. While it is held, everything below it is reached
// through it, and it cannot be renamed, moved, removed or swapped for a
// link (on Linux the descriptor holds the folder itself, whatever happens
// to its name; on Windows the handle denies deletion).
struct HeldFolder;
void ReleaseFolder(HeldFolder* folder);
struct FolderReleaser {
  void operator()(HeldFolder* folder) const { ReleaseFolder(folder); }
};
using Folder = std::unique_ptr<HeldFolder, FolderReleaser>;

// --- paths a user named: links in them are followed ------------------------

// The folder part of a path ("." for a bare name); a root keeps its
// separator.
std::string ParentFolder(const std::string& path);
// The last name of a path.
std::string LastName(const std::string& path);

// Opens a folder. ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when it is
// missing.
std::uint32_t OpenFolderAt(const std::string& path, Folder& folder);
// Makes a folder whose parent exists; ERROR_ALREADY_EXISTS when there is
// one.
std::uint32_t MakeFolderAt(const std::string& path);
// Removes a folder, only when it is empty.
void RemoveFolderAt(const std::string& path);

// The folder where the device stands when no folder is named: the user's
// data folder for it.
std::uint32_t DefaultDeviceFolder(std::string& path);

// --- below a held folder: never through a link -------------------------------

// Opens the folder `name` below `parent`. A link or another reparse point
// there is refused with ERROR_ACCESS_DENIED; a file there is
// ERROR_PATH_NOT_FOUND; nothing there, ERROR_FILE_NOT_FOUND.
std::uint32_t OpenFolderBelow(const HeldFolder& parent, const std::string& name, Folder& folder);
// Makes the folder; ERROR_ALREADY_EXISTS when something has the name.
std::uint32_t MakeFolderBelow(const HeldFolder& parent, const std::string& name);
// Removes the folder, only when it is empty.
void RemoveFolderBelow(const HeldFolder& parent, const std::string& name);
// The names of the folder's entries.
std::uint32_t ListFolder(const HeldFolder& folder, std::vector<std::string>& names);

// What a file is, as far as the copy cares.
struct FileFacts {
  bool exists = false;
  bool isLink = false;     // a link or another reparse point
  bool isRegular = false;  // a file of data: no folder, device or pipe
  bool readOnly = false;   // marked read-only (Windows); no write bits (Linux)
  std::uint64_t size = 0;
  std::uint64_t modified = 0;  // the time of the last write to its data
  std::uint64_t changed = 0;   // the time of the last change of any kind,
                               // where the system keeps one (Linux)
  std::uint32_t mode = 0;      // permission bits (Linux)
};

// What is at the name now, without following a link; `exists` false when
// nothing is.
std::uint32_t LookAtEntry(const HeldFolder& folder, const std::string& name, FileFacts& facts);

// Where the link at the name finally leads, through every link on the way:
// the path of an existing entry. ERROR_ACCESS_DENIED when it leads nowhere
// (a dangling link, or one that loops), as cp refuses to write through one.
std::uint32_t FollowLink(const HeldFolder& folder, const std::string& name, std::string& target);

// Opens the file at the name for reading, with its facts. Only a regular
// file is opened; anything else (a folder, a FIFO, a device) is refused
// with ERROR_ACCESS_DENIED without waiting on it, and so is a link unless
// `followLink`. Others may read the file meanwhile but not write it, where
// the system can keep them from it.
std::uint32_t OpenSourceFile(const HeldFolder& folder, const std::string& name, bool followLink,
                             FileHandle& file, FileFacts& facts);
// The facts of an open file.
std::uint32_t ReadFileFacts(FileHandle file, FileFacts& facts);
// ERROR_ACCESS_DENIED unless this process may write the file at the name, as
// a device refuses to overwrite a read-only file.
std::uint32_t CheckWritable(const HeldFolder& folder, const std::string& name);

void CloseFile(FileHandle file);

// --- copies being written ------------------------------------------------------

// A copy being written in a folder. While its run lives, no other run
// removes it; one that a run left behind is removed by the next run in that
// folder.
struct PendingCopy {
  FileHandle file = kNoFile;
  std::string name;  // empty while the copy has no name
};

// Makes a copy with no name in the folder, for the permission bits `mode`
// less the umask (Linux). ERROR_NOT_SUPPORTED where the file system has no
// such files.
std::uint32_t CreateUnnamedCopy(const HeldFolder& folder, std::uint32_t mode, PendingCopy& copy);
// Makes a copy under the name (the form of copy_name.h), never over an
// existing file: ERROR_ALREADY_EXISTS or ERROR_FILE_EXISTS when it is taken.
std::uint32_t CreateNamedCopy(const HeldFolder& folder, const std::string& name, std::uint32_t mode,
                              PendingCopy& copy);
// Gives a copy with no name the name; ERROR_ALREADY_EXISTS when it is taken.
std::uint32_t NameUnnamedCopy(const HeldFolder& folder, const std::string& name, PendingCopy& copy);
// Gives the copy what the file it is to replace has besides its data: its
// permissions and access lists, its extended attributes and, where the
// process may set them, its owner and group (Linux); its attributes and
// access list (Windows).
std::uint32_t KeepAttributesOf(const HeldFolder& folder, const std::string& replaced,
                               PendingCopy& copy);
// Copies the whole of `from` (its `size` bytes as opened) into the copy, and
// counts the bytes of the file it went through: holes stay holes. Stops
// early with ERROR_OPERATION_ABORTED when the process is asked to end.
std::uint32_t CopyContents(FileHandle from, std::uint64_t size, PendingCopy& copy,
                           std::uint64_t& copied);
// Writes the copy to the disk and gives it the name in one step, the name's
// entry written to the disk too; without `replace` never over an existing
// file, even one made a moment before (ERROR_ALREADY_EXISTS or
// ERROR_FILE_EXISTS). The copy is then no longer pending.
std::uint32_t PlaceCopy(const HeldFolder& folder, PendingCopy& copy, const std::string& name,
                        bool replace);
// Closes and removes a copy that is not placed.
void DiscardCopy(const HeldFolder& folder, PendingCopy& copy);
// Removes the copy at the name, made by the process numbered `process`,
// once no live run owns it.
void RemoveCopyIfAbandoned(const HeldFolder& folder, const std::string& name,
                           std::uint32_t process);

// --- a request to end the process while copying -----------------------------

// From StartStoppableWork to EndStoppableWork, a request to end the process
// (a signal on Linux) is held back: the copy notices it between blocks and
// stops (see CopyContents), and EndStoppableWork, once the run has removed
// what it made, ends the process as the request asked. On Windows the
// system ends a process at once; the next run removes a copy it left.
void StartStoppableWork();
bool StopRequested();
void EndStoppableWork();
