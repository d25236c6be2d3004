#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "folder_filter/file_store.h"

const char kHostSeparator = '/';

namespace {

// Windows system error codes for the errors this file meets.
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kWriteProtect = 19;
constexpr std::uint32_t kDiskFull = 112;
constexpr std::uint32_t kAlreadyExists = 183;
constexpr std::uint32_t kFileNameTooLong = 206;
constexpr std::uint32_t kIoDevice = 1117;

std::uint32_t WindowsError(int error) {
  switch (error) {
    case ENOENT: return kFileNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kAccessDenied;
    case EROFS: return kWriteProtect;
    case ENOSPC:
    case EDQUOT: return kDiskFull;
    case EEXIST: return kAlreadyExists;
    case ENAMETOOLONG: return kFileNameTooLong;
    default: return kIoDevice;
  }
}

CopyOutcome Failed(int error) { return {CopyOutcome::kFailed, WindowsError(error)}; }

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  const passwd* user = getpwuid(getuid());
  return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
}

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool Exists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

// mkdir -p: returns 0 or the errno of the folder that could not be made.
int CreateFolderTree(const std::string& folder) {
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string prefix = folder.substr(0, end);
    if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return errno;
    if (end == std::string::npos) return 0;
  }
}

int CopyBytes(int from, int to) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(to, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno != EINTR) return errno;
      if (put > 0) done += put;
    }
  }
}

// A new, empty file in the folder, its name free at the time: the
// descriptor, or -1 with errno set.
int CreateUniqueFile(const std::string& folder, std::string& path) {
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    path =
        folder + "/.morvask-" + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Puts the finished copy in place; without `replace`, never over an
// existing file, even one made while the copy was written.
int PutInPlace(const std::string& copy, const std::string& destination, bool replace) {
  if (replace) return rename(copy.c_str(), destination.c_str()) == 0 ? 0 : errno;
  if (renameat2(AT_FDCWD, copy.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the no-replace rename: a hard link fails the same way.
  if (link(copy.c_str(), destination.c_str()) != 0) return errno;
  unlink(copy.c_str());
  return 0;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

int WriteCopy(int source, int copy) {
  const int error = CopyBytes(source, copy);
  if (error != 0) return error;
  return fsync(copy) == 0 ? 0 : errno;
}

CopyOutcome CopyFrom(int source, const std::string& destination, bool allowOverwrite,
                     bool createFolders) {
  if (!allowOverwrite && Exists(destination)) return {CopyOutcome::kDestinationExists, 0};
  const std::string folder = ParentFolder(destination);
  if (createFolders) {
    const int error = CreateFolderTree(folder);
    if (error != 0) return Failed(error);
  }
  std::string copyPath;
  const int copy = CreateUniqueFile(folder, copyPath);
  if (copy < 0) return Failed(errno);
  int error = WriteCopy(source, copy);
  if (close(copy) != 0 && error == 0) error = errno;
  if (error == 0) error = PutInPlace(copyPath, destination, allowOverwrite);
  if (error != 0) {
    unlink(copyPath.c_str());
    if (error == EEXIST) return {CopyOutcome::kDestinationExists, 0};
    return Failed(error);
  }
  SyncFolder(folder);
  return {CopyOutcome::kCopied, 0};
}

}  // namespace

std::string DeviceFolder() {
  const std::string named = Environment("MORVASK_DEVICE_DIR");
  if (!named.empty()) return named;
  std::string data = Environment("XDG_DATA_HOME");
  // Relative values are to be ignored, as the base directory rules say.
  if (data.empty() || data[0] != '/') {
    const std::string home = HomeFolder();
    if (home.empty()) return std::string();
    data = home + "/.local/share";
  }
  return data + "/morvask/device";
}

CopyOutcome CopyWholeFile(const std::string& source, const std::string& destination,
                          bool allowOverwrite, bool createFolders) {
  const int from = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (from < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return {CopyOutcome::kSourceMissing, 0};
    return Failed(errno);
  }
  const CopyOutcome outcome = CopyFrom(from, destination, allowOverwrite, createFolders);
  close(from);
  return outcome;
}
