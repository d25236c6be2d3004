// The lock file of a device folder on Linux: record locks of the open file
// (fcntl's F_OFD_SETLK), the kind Wine takes for LockFileEx, so that a
// Windows run under Wine sees them too.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "folder_filter/file_system_linux.h"
#include "platform/win32.h"

namespace {

std::string LockFilePath(const struct stat& root) {
  const char* named = std::getenv("MORVASK_LOCK_DIR");
  char name[40];
  std::snprintf(name, sizeof name, "/morvask-%016" PRIx64 ".lock",
                static_cast<std::uint64_t>(root.st_ino));
  return std::string(named != nullptr && *named != '\0' ? named : "/tmp") + name;
}

// Opened first without O_CREAT: in a sticky folder such as /tmp the kernel
// may refuse O_CREAT of a file another user made (fs.protected_regular).
int OpenOrMake(const std::string& path) {
  constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  for (int attempt = 0; attempt < 10; ++attempt) {
    int descriptor = open(path.c_str(), kFlags);
    if (descriptor >= 0 || errno != ENOENT) return descriptor;
    descriptor = open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
    // Every user who may write the device shares it, whatever the umask of
    // the run that came first. It holds no data.
    if (descriptor >= 0) fchmod(descriptor, 0666);
    if (descriptor >= 0 || errno != EEXIST) return descriptor;
  }
  return -1;
}

}  // namespace

std::uint32_t OpenDeviceLockFile(const HeldFolder& root, FileHandle& file) {
  struct stat status;
  if (fstat(root.descriptor, &status) != 0) return LastError();
  return KeepRegularFile(OpenOrMake(LockFilePath(status)), file, status);
}

std::uint32_t LockBytes(FileHandle file, std::uint64_t offset, std::uint64_t length, bool exclusive,
                        bool wait) {
  // Locks of the open file itself, not of the process: they keep out other
  // runs and other openings alike, and Wine's locks, which it takes as the
  // same kind of record lock, keep them out too. Waited for in short steps,
  // so that a run asked to stop stops waiting.
  struct flock lock {};
  lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  while (fcntl(Descriptor(file), F_OFD_SETLK, &lock) != 0) {
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) return LastError();
    if (errno != EINTR && !wait) return ERROR_LOCK_VIOLATION;
    if (StopRequested()) return ERROR_OPERATION_ABORTED;
    usleep(10000);
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
