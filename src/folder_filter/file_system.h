// The file operations the folder filter's copy is written over: one
// implementation per platform (file_system_linux.cpp, file_system_win32.cpp),
// each operation with the one contract stated here. Names and paths are
// UTF-16 text (see wide_text.h), whatever the platform holds them in; a
// name is never given to the system in another form. Errors are Windows
// system error codes on every platform, 0 for success.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "folder_filter/wide_text.h"

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

// --- text ------------------------------------------------------------------

// Text the program was given (a desktop path, an environment variable), in
// UTF-16: from the ANSI code page on Windows; on Linux from bytes, UTF-8 as
// text and any byte that is not UTF-8 as a lone surrogate of its own
// (U+DC80 to U+DCFF), which turns back into that byte and which no text a
// user types holds.
WideText WideFromSystemText(const std::string& text);

// An environment variable's whole value, as text; empty when unset.
WideText EnvironmentText(const char* name);

// --- paths a user named: links in them are followed ------------------------

// The folder and the last name of a desktop path, as the system reads the
// path (on Windows with its trailing dots and spaces dropped, as Win32
// drops them). ERROR_INVALID_NAME when it names no file (it ends in a
// separator); ERROR_ACCESS_DENIED when Windows reads it as a device (CON,
// NUL.txt and the like).
std::uint32_t SplitDesktopPath(const WideText& path, WideText& folder, WideText& name);
// The folder part of a path ("." for a bare name); a root keeps its
// separator.
WideText ParentFolder(const WideText& path);

// Opens a folder. ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when it is
// missing.
std::uint32_t OpenFolderAt(const WideText& path, Folder& folder);
// Makes a folder whose parent exists; ERROR_ALREADY_EXISTS when there is
// one.
std::uint32_t MakeFolderAt(const WideText& path);
// Removes a folder, only when it is empty.
void RemoveFolderAt(const WideText& path);

// The folder where the device stands when no folder is named: the user's
// data folder for it.
std::uint32_t DefaultDeviceFolder(WideText& path);

// --- below a held folder: never through a link -------------------------------

// Opens the folder `name` below `parent`. A link or another reparse point
// there is refused with ERROR_ACCESS_DENIED; a file there is
// ERROR_PATH_NOT_FOUND; nothing there, ERROR_FILE_NOT_FOUND.
std::uint32_t OpenFolderBelow(const HeldFolder& parent, const WideText& name, Folder& folder);
// Makes the folder; ERROR_ALREADY_EXISTS when something has the name.
std::uint32_t MakeFolderBelow(const HeldFolder& parent, const WideText& name);
// Removes the folder, only when it is empty.
void RemoveFolderBelow(const HeldFolder& parent, const WideText& name);
// The names of the folder's entries.
std::uint32_t ListFolder(const HeldFolder& folder, std::vector<WideText>& names);

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
  std::uint32_t links = 0;     // how many names it has, where the system tells
  std::uint64_t volume = 0;    // with `index`, which file it is, where the
  std::uint64_t index = 0;     // system tells (0 and 0 where it cannot)
};

// Whether two facts are of one file (two names of it, or one name twice).
inline bool IsSameFile(const FileFacts& a, const FileFacts& b) {
  return a.exists && b.exists && (a.volume != 0 || a.index != 0) && a.volume == b.volume &&
         a.index == b.index;
}

// What is at the name now, without following a link; `exists` false when
// nothing is.
std::uint32_t LookAtEntry(const HeldFolder& folder, const WideText& name, FileFacts& facts);

// Where the link at the name finally leads, through every link on the way:
// the path of an existing entry. ERROR_ACCESS_DENIED when it leads nowhere
// (a dangling link, or one that loops), as cp refuses to write through one.
std::uint32_t FollowLink(const HeldFolder& folder, const WideText& name, WideText& target);

// Opens the file at the name for reading, with its facts. Only a regular
// file is opened; anything else (a folder, a FIFO, a device) is refused
// with ERROR_ACCESS_DENIED without waiting on it, and so is a link unless
// `followLink`. Others may read the file meanwhile but not write it, where
// the system can keep them from it.
std::uint32_t OpenSourceFile(const HeldFolder& folder, const WideText& name, bool followLink,
                             FileHandle& file, FileFacts& facts);
// The facts of an open file.
std::uint32_t ReadFileFacts(FileHandle file, FileFacts& facts);
// ERROR_ACCESS_DENIED unless this process may write the file at the name, as
// a device refuses to overwrite a read-only file.
std::uint32_t CheckWritable(const HeldFolder& folder, const WideText& name);

void CloseFile(FileHandle file);

// --- the lock of a device folder ---------------------------------------------

// Opens, or makes, the lock file of the device folder `root`. It lies
// outside the device folder, so that no name of the user's is ever opened,
// changed or removed for it, and a run that only reads the device writes
// nothing there: in the folder MORVASK_LOCK_DIR names, else the system's
// shared temporary folder (/tmp; on Windows its Temp folder, and /tmp under
// Wine), named after the root's file number (its inode, which Wine gives as
// the file index, so that runs of both builds find one file). Two device
// folders with one number on two file systems share a lock, which only
// makes one wait for the other. Every user may open it, and it is never
// removed: there is no moment between letting it go and removing it, and
// the locks of a killed run go with its process.
std::uint32_t OpenDeviceLockFile(const HeldFolder& root, FileHandle& file);
// Locks `length` bytes of the open file from `offset`: `exclusive`ly or
// shared with other such locks; waits for other runs' locks to go when
// `wait`, until a stop is requested (ERROR_OPERATION_ABORTED), else fails
// at once with ERROR_LOCK_VIOLATION. Locks of both builds, under Wine too,
// keep each other out, and go with their process.
std::uint32_t LockBytes(FileHandle file, std::uint64_t offset, std::uint64_t length, bool exclusive,
                        bool wait);
void UnlockBytes(FileHandle file, std::uint64_t offset, std::uint64_t length);

// --- copies being written ------------------------------------------------------

// A copy being written in a folder. While its run lives, no other run
// removes it; one that a run left behind is removed by the next run of the
// same build in that folder.
struct PendingCopy {
  FileHandle file = kNoFile;
  WideText name;  // empty while the copy has no name
};

// Makes a copy with no name in the folder, for the permission bits `mode`
// less the umask (Linux). ERROR_NOT_SUPPORTED where the file system has no
// such files.
std::uint32_t CreateUnnamedCopy(const HeldFolder& folder, std::uint32_t mode, PendingCopy& copy);
// Makes a copy under the name (the form of copy_name.h), never over an
// existing file: ERROR_ALREADY_EXISTS or ERROR_FILE_EXISTS when it is taken.
std::uint32_t CreateNamedCopy(const HeldFolder& folder, const WideText& name, std::uint32_t mode,
                              PendingCopy& copy);
// Gives a copy with no name the name; ERROR_ALREADY_EXISTS when it is taken.
std::uint32_t NameUnnamedCopy(const HeldFolder& folder, const WideText& name, PendingCopy& copy);
// Gives the copy what the file it is to replace has besides its data: its
// permissions and access lists, its extended attributes and, where the
// process may set them, its owner and group (Linux); its attributes and
// access list (Windows).
std::uint32_t KeepAttributesOf(const HeldFolder& folder, const WideText& replaced,
                               PendingCopy& copy);
// Copies `from` into the copy, as reading it gives it up to its end: where
// the file is as long as it says (`size`, as opened), holes stay holes; a
// file of the kind that tells no true size (many in /proc and /sys) is
// copied as far as reading goes. A write the disk takes only in part is
// continued. Stops early with ERROR_OPERATION_ABORTED when the process is
// asked to end.
std::uint32_t CopyContents(FileHandle from, std::uint64_t size, PendingCopy& copy);
// Writes the copy's data to the disk; the copy stays pending.
std::uint32_t FlushCopy(PendingCopy& copy);
// Gives the flushed copy the name in one step, the name's entry written to
// the disk too; without `replace` never over an existing file, even one made
// a moment before (ERROR_ALREADY_EXISTS or ERROR_FILE_EXISTS). The copy is
// then no longer pending.
std::uint32_t PlaceCopy(const HeldFolder& folder, PendingCopy& copy, const WideText& name,
                        bool replace);
// Closes and removes a copy that is not placed.
void DiscardCopy(const HeldFolder& folder, PendingCopy& copy);
// Removes the copy at the name, made by the process numbered `process`,
// once no live run owns it: what its run holds tells (a lock of the copy),
// never whether a process of that number lives.
void RemoveCopyIfAbandoned(const HeldFolder& folder, const WideText& name, std::uint32_t process);

// --- a request to end the process while copying -----------------------------

// From StartStoppableWork to EndStoppableWork, a request to end the process
// (a signal on Linux; Ctrl+C, Ctrl+Break or a closed console on Windows) is
// held back: the copy notices it between blocks and stops (see
// CopyContents), and EndStoppableWork, once the run has removed what it
// made, ends the process as the request asked (on Linux by the signal, on
// Windows with the status Windows gives a process ended by Ctrl+C,
// 0xC000013A).
void StartStoppableWork();
bool StopRequested();
// Called just before the copy takes its name: false when a stop was asked
// for, and the copy is to be removed; else from now on a request to stop
// is let go, and the run ends as it would have (a run that ends as
// interrupted has changed nothing of the user's).
bool CommitUnlessStopped();
void EndStoppableWork();
