#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "folder_filter/file_system.h"
#include "platform/win32.h"

const char kHostSeparator = '/';

namespace {

// The Windows system error for an errno value.
std::uint32_t WindowsError(int error) {
  switch (error) {
    case 0: return 0;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    default: return ERROR_IO_DEVICE;
  }
}

std::uint32_t LastError() { return WindowsError(errno); }

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

int Descriptor(FileHandle file) { return static_cast<int>(file); }

std::uint32_t WriteAll(int to, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = write(to, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return 0;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

std::uint32_t Rename(const std::string& path, const std::string& destination, bool replace) {
  if (replace) return rename(path.c_str(), destination.c_str()) == 0 ? 0 : LastError();
  if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return LastError();
  // A file system without the no-replace rename: a hard link fails the same way.
  if (link(path.c_str(), destination.c_str()) != 0) return LastError();
  unlink(path.c_str());
  return 0;
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

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool PathExists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

std::uint32_t CreateFolderTree(const std::string& folder) {
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string prefix = folder.substr(0, end);
    if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return LastError();
    if (end == std::string::npos) return 0;
  }
}

std::uint32_t OpenForReading(const std::string& path, FileHandle& file) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return LastError();
  file = fd;
  return 0;
}

std::uint32_t CreateUniqueFile(const std::string& folder, FileHandle& file, std::string& path) {
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    path =
        folder + "/.morvask-" + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      file = fd;
      return 0;
    }
    if (errno != EEXIST) return LastError();
  }
  return ERROR_ALREADY_EXISTS;
}

std::uint32_t CopyContents(FileHandle from, FileHandle to) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = read(Descriptor(from), buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    const std::uint32_t error = WriteAll(Descriptor(to), buffer, static_cast<std::size_t>(got));
    if (error != 0) return error;
  }
  return fsync(Descriptor(to)) == 0 ? 0 : LastError();
}

std::uint32_t CloseFile(FileHandle file) { return close(Descriptor(file)) == 0 ? 0 : LastError(); }

std::uint32_t MoveIntoPlace(const std::string& path, const std::string& destination, bool replace) {
  const std::uint32_t error = Rename(path, destination, replace);
  // The rename itself lasts only once the folder is on the disk.
  if (error == 0) SyncFolder(ParentFolder(destination));
  return error;
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

bool IsNotFound(std::uint32_t error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsAlreadyExists(std::uint32_t error) { return error == ERROR_ALREADY_EXISTS; }
