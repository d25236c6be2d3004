// The Linux copy: made unnamed (O_TMPFILE) where the file system allows,
// locked (flock) while its writer lives, filled hole by hole in the kernel,
// and placed by a rename that replaces only when told to.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "folder_filter/file_system_linux.h"
#include "platform/win32.h"

namespace {

// A copy is owned while its writer holds its lock; whoever takes the lock
// of a copy's name holds the copy the name names now.
bool LockNamedFile(int folder, int file, const std::string& name) {
  struct stat opened;
  struct stat named;
  return flock(file, LOCK_EX | LOCK_NB) == 0 && fstat(file, &opened) == 0 &&
         fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(opened, named);
}

std::uint32_t LinkUnnamed(int file, int folder, const std::string& name) {
  // Through the descriptor itself where the process may, else through /proc.
  if (linkat(file, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  if (errno != ENOENT && errno != EPERM) return LastError();
  const std::string path = "/proc/self/fd/" + std::to_string(file);
  return linkat(AT_FDCWD, path.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                      : LastError();
}

std::uint32_t RenameCopy(int folder, const std::string& from, const std::string& to, bool replace) {
  if (replace) return renameat(folder, from.c_str(), folder, to.c_str()) == 0 ? 0 : LastError();
  if (renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return LastError();
  // A file system without the no-replace rename: a hard link fails the same way.
  if (linkat(folder, from.c_str(), folder, to.c_str(), 0) != 0) return LastError();
  unlinkat(folder, from.c_str(), 0);
  return 0;
}

void SyncFolder(int folder) {
  const int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// The extended attributes of the replaced file, its access list among
// them (system.posix_acl_access), given to the copy. Labels of a security
// module are the module's to give.
std::uint32_t CopyExtendedAttributes(const std::string& replaced, int copy) {
  std::vector<char> names(64 * 1024);
  const ssize_t size = llistxattr(replaced.c_str(), names.data(), names.size());
  if (size < 0) return errno == ENOTSUP ? 0 : LastError();
  std::vector<char> value(64 * 1024);
  for (const char* name = names.data(); name < names.data() + size; name += std::strlen(name) + 1) {
    if (std::strncmp(name, "security.", 9) == 0) continue;
    const ssize_t length = lgetxattr(replaced.c_str(), name, value.data(), value.size());
    if (length < 0 ||
        fsetxattr(copy, name, value.data(), static_cast<std::size_t>(length), 0) != 0) {
      return LastError();
    }
  }
  return 0;
}

// Writes all of `size` bytes at `at`: a write the disk takes only in part
// is continued, so that a full disk is told as such.
std::uint32_t WriteAll(int to, const char* data, std::size_t size, off_t at) {
  while (size > 0) {
    const ssize_t put = pwrite(to, data, size, at);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return LastError();
    if (put == 0) return ERROR_DISK_FULL;
    data += put;
    size -= static_cast<std::size_t>(put);
    at += put;
  }
  return 0;
}

// Copies [at, end) of one file through a buffer; `at` is left where the
// data ended, before `end` when the file ended early.
std::uint32_t CopyThroughBuffer(int from, int to, off_t& at, off_t end) {
  std::vector<char> buffer(1 << 20);
  while (at < end) {
    if (StopRequested()) return ERROR_OPERATION_ABORTED;
    const std::size_t block = static_cast<std::size_t>(std::min<off_t>(end - at, buffer.size()));
    const ssize_t got = pread(from, buffer.data(), block, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return LastError();
    if (got == 0) return 0;  // the file ended early
    const std::uint32_t error = WriteAll(to, buffer.data(), static_cast<std::size_t>(got), at);
    if (error != 0) return error;
    at += got;
  }
  return 0;
}

// Copies [at, end) of one file to the same place of the other, in blocks a
// request to end the process can come between: in the kernel where the
// file system allows it, else through a buffer. `at` is left where the data
// ended, before `end` when the file ended early.
std::uint32_t CopyRange(int from, int to, off_t& at, off_t end) {
  while (at < end) {
    if (StopRequested()) return ERROR_OPERATION_ABORTED;
    const std::size_t block = static_cast<std::size_t>(std::min<off_t>(end - at, 16 << 20));
    off_t in = at;
    off_t out = at;
    const ssize_t done = copy_file_range(from, &in, to, &out, block, 0);
    if (done < 0 && errno == EINTR) continue;
    // The kernel copies nothing of some files (those of /proc and /sys that
    // claim a size they do not have) and not across every file system.
    if (done == 0 || (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                                   errno == EOPNOTSUPP))) {
      return CopyThroughBuffer(from, to, at, end);
    }
    if (done < 0) return LastError();
    at += done;
  }
  return 0;
}

// The replaced file's data is not read again by this run: its cached pages
// are given back before the copy is written, as a copy written in place
// (cp's) gives them back by truncating. The copy then finds memory the
// system has just used; on a virtual machine that has handed memory unused
// for long back to its host, that is what keeps a large copy as fast as
// cp's. The file itself stays whole until the copy replaces it.
void ReleaseCachedData(const HeldFolder& folder, const WideText& replaced) {
  const int file = openat(folder.descriptor, SystemName(replaced).c_str(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (file < 0) return;
  posix_fadvise(file, 0, 0, POSIX_FADV_DONTNEED);
  close(file);
}

// --- a request to end the process -------------------------------------------------
// A signal's disposition belongs to the whole process, and a handler can
// only leave a mark where the copy will look: this state is process-wide
// by its nature, and lives only from StartStoppableWork to
// EndStoppableWork.

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile sig_atomic_t stopSignal = 0;
volatile sig_atomic_t committed = 0;  // the copy is being named: too late to stop
struct sigaction savedActions[3];
bool handled[3];

void NoteStop(int signal) { stopSignal = signal; }

}  // namespace

std::uint32_t CreateUnnamedCopy(const HeldFolder& folder, std::uint32_t mode, PendingCopy& copy) {
  const int file = openat(folder.descriptor, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  if (file < 0) {
    return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? ERROR_NOT_SUPPORTED
                                                                     : LastError();
  }
  flock(file, LOCK_EX | LOCK_NB);
  copy.file = file;
  copy.name.clear();
  return 0;
}

std::uint32_t CreateNamedCopy(const HeldFolder& folder, const WideText& wideName,
                              std::uint32_t mode, PendingCopy& copy) {
  const std::string name = SystemName(wideName);
  const int file = openat(folder.descriptor, name.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (file < 0) return LastError();
  // A run that was cleaning up may have removed the name before the lock
  // was taken: the name is then no longer this file's.
  if (!LockNamedFile(folder.descriptor, file, name)) {
    close(file);
    return ERROR_ALREADY_EXISTS;
  }
  copy.file = file;
  copy.name = wideName;
  return 0;
}

std::uint32_t NameUnnamedCopy(const HeldFolder& folder, const WideText& name, PendingCopy& copy) {
  const std::uint32_t error =
      LinkUnnamed(Descriptor(copy.file), folder.descriptor, SystemName(name));
  if (error == 0) copy.name = name;
  return error;
}

std::uint32_t KeepAttributesOf(const HeldFolder& folder, const WideText& replaced,
                               PendingCopy& copy) {
  ReleaseCachedData(folder, replaced);
  struct stat status;
  if (fstatat(folder.descriptor, SystemName(replaced).c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return LastError();
  }
  const int file = Descriptor(copy.file);
  // As if the replaced file had been written in place. Only the group may
  // be kept where the process is not allowed to give the file away.
  if (fchown(file, status.st_uid, status.st_gid) != 0 &&
      fchown(file, static_cast<uid_t>(-1), status.st_gid) != 0) {
    // Neither: the copy keeps the owner and group this process gives it.
  }
  const std::uint32_t error = CopyExtendedAttributes(EntryPath(folder, replaced), file);
  if (error != 0) return error;
  // Last: a change of owner clears the set-ID bits, and the access list set
  // the group bits to its mask.
  return fchmod(file, status.st_mode & 07777) == 0 ? 0 : LastError();
}

std::uint32_t CopyContents(FileHandle from, std::uint64_t size, PendingCopy& copy) {
  const int source = Descriptor(from);
  const int target = Descriptor(copy.file);
  const auto end = static_cast<off_t>(size);
  // The data of the file, hole by hole: a hole is not written, and stays
  // one in the copy.
  off_t reached = end;
  for (off_t at = 0; at < end;) {
    off_t data = lseek(source, at, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // a hole to the end
    if (data < 0) data = at;                // no holes known here: all data
    off_t hole = lseek(source, data, SEEK_HOLE);
    if (hole < 0 || hole > end) hole = end;
    at = data;
    const std::uint32_t error = CopyRange(source, target, at, hole);
    if (error != 0) return error;
    if (at < hole) {  // it ended early: what reading gave is the copy
      reached = at;
      break;
    }
  }
  // A file that gives more than its size said (/proc/cpuinfo says 0) is
  // copied as far as reading goes, as cp copies it.
  if (reached == end) {
    const std::uint32_t error =
        CopyThroughBuffer(source, target, reached, std::numeric_limits<off_t>::max());
    if (error != 0) return error;
  }
  if (StopRequested()) return ERROR_OPERATION_ABORTED;
  return ftruncate(target, reached) == 0 ? 0 : LastError();
}

std::uint32_t FlushCopy(PendingCopy& copy) {
  return fsync(Descriptor(copy.file)) == 0 ? 0 : LastError();
}

std::uint32_t PlaceCopy(const HeldFolder& folder, PendingCopy& copy, const WideText& name,
                        bool replace) {
  const std::string target = SystemName(name);
  const std::uint32_t error =
      copy.name.empty() ? LinkUnnamed(Descriptor(copy.file), folder.descriptor, target)
                        : RenameCopy(folder.descriptor, SystemName(copy.name), target, replace);
  if (error != 0) return error;
  close(Descriptor(copy.file));
  copy = PendingCopy();
  // The new name itself lasts only once the folder is on the disk.
  SyncFolder(folder.descriptor);
  return 0;
}

void DiscardCopy(const HeldFolder& folder, PendingCopy& copy) {
  if (!copy.name.empty()) unlinkat(folder.descriptor, SystemName(copy.name).c_str(), 0);
  if (copy.file != kNoFile) close(Descriptor(copy.file));
  copy = PendingCopy();
}

void RemoveCopyIfAbandoned(const HeldFolder& folder, const WideText& wideName, std::uint32_t) {
  // Its lock tells whether a run owns it, whichever process made it.
  const std::string name = SystemName(wideName);
  const int file =
      openat(folder.descriptor, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) return;
  struct stat status;
  if (fstat(file, &status) == 0 && S_ISREG(status.st_mode) &&
      LockNamedFile(folder.descriptor, file, name)) {
    unlinkat(folder.descriptor, name.c_str(), 0);
  }
  close(file);
}

void StartStoppableWork() {
  stopSignal = 0;
  committed = 0;
  struct sigaction action {};
  action.sa_handler = NoteStop;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) {
    // A signal the process ignores stays ignored.
    sigaction(kStopSignals[i], nullptr, &savedActions[i]);
    handled[i] = savedActions[i].sa_handler != SIG_IGN;
    if (handled[i]) sigaction(kStopSignals[i], &action, nullptr);
  }
}

bool StopRequested() { return stopSignal != 0 && committed == 0; }

bool CommitUnlessStopped() {
  // The signals held off while deciding, so that none falls between the
  // look and the mark.
  sigset_t stops;
  sigset_t saved;
  sigemptyset(&stops);
  for (const int signal : kStopSignals) sigaddset(&stops, signal);
  sigprocmask(SIG_BLOCK, &stops, &saved);
  if (stopSignal == 0) committed = 1;
  sigprocmask(SIG_SETMASK, &saved, nullptr);
  return committed != 0;
}

void EndStoppableWork() {
  for (int i = 0; i < 3; ++i) {
    if (handled[i]) sigaction(kStopSignals[i], &savedActions[i], nullptr);
  }
  if (StopRequested()) raise(stopSignal);
}
