// The lock file of a device folder on Linux: record locks of the open file
// (fcntl's F_OFD_SETLK), the kind Wine takes for LockFileEx, so that a
// Windows run under Wine sees them too.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "folder_filter/file_system_linux.h"
#include "platform/win32.h"

std::uint32_t OpenLockFile(const HeldFolder& folder, const WideText& name, FileHandle& file) {
  const int descriptor =
      openat(folder.descriptor, SystemName(name).c_str(),
             O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  struct stat status;
  return KeepRegularFile(descriptor, file, status);
}

std::uint32_t LockBytes(FileHandle file, std::uint64_t offset, std::uint64_t length, bool exclusive,
                        bool wait) {
  // Locks of the open file itself, not of the process: they keep out other
  // runs and other openings alike, and Wine's locks, which it takes as the
  // same kind of record lock, keep them out too.
  struct flock lock {};
  lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  while (fcntl(Descriptor(file), wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) != 0) {
    if (errno == EAGAIN || errno == EACCES) return ERROR_LOCK_VIOLATION;
    if (errno != EINTR) return LastError();
  }
  return 0;
}

void UnlockBytes(FileHandle file, std::uint64_t offset, std::uint64_t length) {
  struct flock lock {};
  lock.l_type = F_UNLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  fcntl(Descriptor(file), F_OFD_SETLK, &lock);
}

bool NamesOpenFile(const HeldFolder& folder, const WideText& name, FileHandle file) {
  struct stat opened;
  struct stat named;
  return fstat(Descriptor(file), &opened) == 0 &&
         fstatat(folder.descriptor, SystemName(name).c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         SameFile(opened, named);
}

void CloseLockFile(const HeldFolder& folder, const WideText& name, FileHandle file, bool remove) {
  // Removed while still open and locked: a run waiting for the lock finds
  // the name gone once it has it, and makes another.
  if (remove && NamesOpenFile(folder, name, file)) {
    unlinkat(folder.descriptor, SystemName(name).c_str(), 0);
  }
  close(Descriptor(file));
}
