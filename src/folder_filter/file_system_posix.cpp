#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "folder_filter/file_system.h"
#include "platform/win32.h"

namespace {

// Copies that a run has not finished carry this name while they have one.
constexpr char kCopyPrefix[] = ".morvask-";
constexpr char kCopySuffix[] = ".tmp";

// The Windows system error for an errno value.
std::uint32_t WindowsError(int error) {
  switch (error) {
    case 0: return 0;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ELOOP:  // a link where none may be
    case ENXIO: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    default: return ERROR_IO_DEVICE;
  }
}

std::uint32_t LastError() { return WindowsError(errno); }

int Descriptor(FileHandle file) { return static_cast<int>(file); }

int Folder(const FilePlace& place) { return Descriptor(place.folders.back()); }

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

FileFacts FactsOf(const struct stat& status) {
  FileFacts facts;
  facts.exists = true;
  facts.isLink = S_ISLNK(status.st_mode);
  facts.isRegular = S_ISREG(status.st_mode);
  facts.size = static_cast<std::uint64_t>(status.st_size);
  facts.modified = static_cast<std::uint64_t>(status.st_mtim.tv_sec) * 1000000000u +
                   static_cast<std::uint64_t>(status.st_mtim.tv_nsec);
  facts.mode = status.st_mode & 07777;
  facts.owner = status.st_uid;
  facts.group = status.st_gid;
  return facts;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Makes the root folder and those of its parents that are missing,
// remembering which, so that a failed run can remove them again.
std::uint32_t MakeRootFolders(FilePlace& place) {
  const std::string& root = place.root;
  for (std::size_t end = root.find('/', 1);; end = root.find('/', end + 1)) {
    const std::string prefix = root.substr(0, end);
    if (mkdir(prefix.c_str(), 0777) == 0) {
      place.madeRoot.push_back(prefix);
    } else if (errno != EEXIST) {
      return LastError();
    }
    if (end == std::string::npos) return 0;
  }
}

std::uint32_t OpenRoot(FilePlace& place, int& folder) {
  // The root is a path the user named: links in it are followed.
  folder = open(place.root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0 && errno == ENOENT && place.createFolders) {
    const std::uint32_t error = MakeRootFolders(place);
    if (error != 0) return error;
    folder = open(place.root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  return folder < 0 ? LastError() : 0;
}

// Opens a folder below `parent`, never through a link; a link, or a file
// where the folder should be, is told apart from a missing folder.
std::uint32_t OpenFolderBelow(int parent, const std::string& name, int& folder) {
  folder = openat(parent, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder >= 0) return 0;
  if (errno != ENOTDIR && errno != ELOOP) return LastError();
  struct stat status;
  if (fstatat(parent, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode)) {
    return ERROR_ACCESS_DENIED;
  }
  return ERROR_PATH_NOT_FOUND;
}

// A name for a copy no other run uses: the process and a few bytes that
// differ on each call.
std::string NewCopyName() {
  static unsigned calls = 0;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  char name[64];
  std::snprintf(name, sizeof name, "%s%ld-%lx%x%s", kCopyPrefix, static_cast<long>(getpid()),
                static_cast<unsigned long>(now.tv_nsec), ++calls, kCopySuffix);
  return name;
}

bool IsCopyName(const char* name) {
  const std::size_t length = std::strlen(name);
  const std::size_t prefix = sizeof kCopyPrefix - 1;
  const std::size_t suffix = sizeof kCopySuffix - 1;
  return length > prefix + suffix && std::strncmp(name, kCopyPrefix, prefix) == 0 &&
         std::strcmp(name + length - suffix, kCopySuffix) == 0;
}

// Removes a left-over copy once no run holds its lock any more; every run
// holds the lock of its copy while the copy has a name.
void RemoveIfAbandoned(int folder, const char* name) {
  const int file = openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) return;
  struct stat opened;
  struct stat named;
  if (flock(file, LOCK_EX | LOCK_NB) == 0 && fstat(file, &opened) == 0 &&
      fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(opened, named)) {
    unlinkat(folder, name, 0);
  }
  close(file);
}

void RemoveAbandonedCopies(int folder) {
  const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* entries = fdopendir(listing);
  if (entries == nullptr) {
    close(listing);
    return;
  }
  while (const dirent* entry = readdir(entries)) {
    if (IsCopyName(entry->d_name)) RemoveIfAbandoned(folder, entry->d_name);
  }
  closedir(entries);
}

// Creates a named copy and takes its lock. A run that was cleaning up may
// have removed the name between the two: then the name is no longer this
// file's, and another is tried.
std::uint32_t CreateNamedCopy(int folder, mode_t mode, PendingCopy& copy) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = NewCopyName();
    const int file =
        openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (file < 0) {
      if (errno == EEXIST) continue;
      return LastError();
    }
    struct stat opened;
    struct stat named;
    if (flock(file, LOCK_EX | LOCK_NB) == 0 && fstat(file, &opened) == 0 &&
        fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        SameFile(opened, named)) {
      copy.file = file;
      copy.name = name;
      return 0;
    }
    close(file);
  }
  return ERROR_ALREADY_EXISTS;
}

// Gives an unnamed copy a name in the folder; fails if the name is taken.
std::uint32_t LinkUnnamedCopy(int file, int folder, const std::string& name) {
  // Through the descriptor itself where the process may, else through /proc.
  if (linkat(file, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  if (errno != ENOENT && errno != EPERM) return LastError();
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", file);
  return linkat(AT_FDCWD, path, folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : LastError();
}

// An unnamed copy that is to replace a file first gets a copy's name, under
// the lock it already holds, so that it can be renamed over the file.
std::uint32_t NameUnnamedCopy(int folder, PendingCopy& copy) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = NewCopyName();
    const std::uint32_t error = LinkUnnamedCopy(Descriptor(copy.file), folder, name);
    if (error == ERROR_ALREADY_EXISTS) continue;
    if (error == 0) copy.name = name;
    return error;
  }
  return ERROR_ALREADY_EXISTS;
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

FilePlace DesktopPlace(const std::string& path) {
  FilePlace place;
  place.root = ParentFolder(path);
  const std::size_t slash = path.rfind('/');
  place.names.push_back(slash == std::string::npos ? path : path.substr(slash + 1));
  return place;
}

const std::string& FileName(const FilePlace& place) { return place.names.back(); }

std::uint32_t OpenPlace(FilePlace& place) {
  int folder = -1;
  std::uint32_t error = OpenRoot(place, folder);
  if (error != 0) return error;
  place.folders.push_back(folder);
  place.folderPaths.push_back(place.root);
  for (std::size_t i = 0; i + 1 < place.names.size(); ++i) {
    const int parent = folder;
    const std::string& name = place.names[i];
    error = OpenFolderBelow(parent, name, folder);
    if (error == ERROR_FILE_NOT_FOUND && place.createFolders) {
      if (mkdirat(parent, name.c_str(), 0777) == 0) {
        place.madeFolders.push_back(place.folders.size());
      } else if (errno != EEXIST) {
        return LastError();
      }
      // Made now, or by another run meanwhile: either way opened only if it
      // is not a link.
      error = OpenFolderBelow(parent, name, folder);
    }
    if (error != 0) return error;
    place.folders.push_back(folder);
    place.folderPaths.push_back(place.folderPaths.back() + "/" + name);
  }
  return 0;
}

void ClosePlace(FilePlace& place, bool failed) {
  if (failed) {
    // Innermost first; a folder that is not empty stays.
    for (auto made = place.madeFolders.rbegin(); made != place.madeFolders.rend(); ++made) {
      unlinkat(Descriptor(place.folders[*made - 1]), place.names[*made - 1].c_str(), AT_REMOVEDIR);
    }
  }
  for (FileHandle folder : place.folders) close(Descriptor(folder));
  place.folders.clear();
  if (failed) {
    for (auto made = place.madeRoot.rbegin(); made != place.madeRoot.rend(); ++made) {
      rmdir(made->c_str());
    }
  }
  place.madeRoot.clear();
  place.madeFolders.clear();
  place.folderPaths.clear();
}

std::uint32_t LookAtFile(const FilePlace& place, FileFacts& facts) {
  struct stat status;
  if (fstatat(Folder(place), FileName(place).c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    facts = FileFacts();
    return errno == ENOENT ? 0 : LastError();
  }
  facts = FactsOf(status);
  return 0;
}

std::uint32_t OpenSourceFile(const FilePlace& place, FileHandle& file, FileFacts& facts) {
  const int noFollow = place.confined ? O_NOFOLLOW : 0;
  // What the name is, before anything is opened: opening a FIFO or a device
  // can wait or act on the device.
  struct stat named;
  if (fstatat(Folder(place), FileName(place).c_str(), &named,
              place.confined ? AT_SYMLINK_NOFOLLOW : 0) != 0) {
    return LastError();
  }
  if (!S_ISREG(named.st_mode)) return ERROR_ACCESS_DENIED;
  // Non-blocking, in case the name was swapped for a FIFO in between.
  const int fd = openat(Folder(place), FileName(place).c_str(),
                        O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | noFollow);
  if (fd < 0) return LastError();
  struct stat opened;
  if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    close(fd);
    return ERROR_ACCESS_DENIED;
  }
  file = fd;
  facts = FactsOf(opened);
  return 0;
}

std::uint32_t ReadFileFacts(FileHandle file, FileFacts& facts) {
  struct stat status;
  if (fstat(Descriptor(file), &status) != 0) return LastError();
  facts = FactsOf(status);
  return 0;
}

std::uint32_t StartCopy(const FilePlace& place, const FileFacts& source, const FileFacts* replaced,
                        PendingCopy& copy) {
  const int folder = Folder(place);
  RemoveAbandonedCopies(folder);
  // A replacing copy stays private until it has the replaced file's owner
  // and bits; a new one is made with the source's bits, which the umask
  // limits.
  const mode_t mode = replaced != nullptr ? 0600 : (source.mode & 0777);
  const int unnamed = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  std::uint32_t error = 0;
  if (unnamed >= 0) {
    copy.file = unnamed;
    copy.name.clear();
    flock(unnamed, LOCK_EX | LOCK_NB);
  } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
    error = CreateNamedCopy(folder, mode, copy);  // no unnamed files here
  } else {
    error = LastError();
  }
  if (error != 0 || replaced == nullptr) return error;
  // As if the replaced file had been written in place. Only the owner may
  // be kept where the process is not allowed to give the file away.
  if (fchown(Descriptor(copy.file), replaced->owner, replaced->group) != 0) {
    fchown(Descriptor(copy.file), static_cast<uid_t>(-1), replaced->group);
  }
  if (fchmod(Descriptor(copy.file), replaced->mode) != 0) {
    error = LastError();
    DiscardCopy(place, copy);
  }
  return error;
}

std::uint32_t CopyContents(FileHandle from, PendingCopy& copy, std::uint64_t& copied) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = read(Descriptor(from), buffer, sizeof buffer);
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    const std::uint32_t error =
        WriteAll(Descriptor(copy.file), buffer, static_cast<std::size_t>(got));
    if (error != 0) return error;
    copied += static_cast<std::uint64_t>(got);
  }
}

std::uint32_t FinishCopy(const FilePlace& place, PendingCopy& copy, bool replace) {
  const int folder = Folder(place);
  if (fsync(Descriptor(copy.file)) != 0) return LastError();
  std::uint32_t error = 0;
  if (copy.name.empty() && !replace) {
    error = LinkUnnamedCopy(Descriptor(copy.file), folder, FileName(place));
  } else {
    if (copy.name.empty()) error = NameUnnamedCopy(folder, copy);
    if (error == 0) error = RenameCopy(folder, copy.name, FileName(place), replace);
  }
  if (error != 0) return error;
  copy.name.clear();
  close(Descriptor(copy.file));
  copy.file = -1;
  // The new name itself lasts only once the folder is on the disk.
  SyncFolder(folder);
  return 0;
}

void DiscardCopy(const FilePlace& place, PendingCopy& copy) {
  if (!copy.name.empty()) unlinkat(Folder(place), copy.name.c_str(), 0);
  if (copy.file >= 0) close(Descriptor(copy.file));
  copy = PendingCopy();
}

void CloseFile(FileHandle file) { close(Descriptor(file)); }

bool IsNotFound(std::uint32_t error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsAlreadyExists(std::uint32_t error) { return error == ERROR_ALREADY_EXISTS; }
