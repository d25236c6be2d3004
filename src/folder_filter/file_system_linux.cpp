// The folder filter's file operations on Linux: every step below a held
// folder goes through its descriptor (openat, mkdirat, fstatat), so that no
// name is looked up twice along a path someone may change meanwhile.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/text_linux.h"
#include "folder_filter/copy_name.h"
#include "folder_filter/file_system_linux.h"
#include "platform/win32.h"

const char kCopyNameMark[] = "";

namespace {

// The Windows system error for an errno value.
std::uint32_t WindowsError(int error) {
  switch (error) {
    case 0: return 0;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
    case ELOOP:  // a link where none may be
    case ENXIO: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    default: return ERROR_IO_DEVICE;
  }
}

}  // namespace

std::uint32_t LastError() { return WindowsError(errno); }

namespace {

std::uint64_t Nanoseconds(const timespec& time) {
  return static_cast<std::uint64_t>(time.tv_sec) * 1000000000u +
         static_cast<std::uint64_t>(time.tv_nsec);
}

FileFacts FactsOf(const struct stat& status) {
  FileFacts facts;
  facts.exists = true;
  facts.isLink = S_ISLNK(status.st_mode);
  facts.isRegular = S_ISREG(status.st_mode);
  // No one may write it: what Windows, and Wine, show as the read-only
  // attribute, and what a device refuses to overwrite even for root.
  facts.readOnly = (status.st_mode & 0222) == 0;
  facts.size = static_cast<std::uint64_t>(status.st_size);
  facts.modified = Nanoseconds(status.st_mtim);
  facts.changed = Nanoseconds(status.st_ctim);
  facts.mode = status.st_mode & 07777;
  facts.links = static_cast<std::uint32_t>(status.st_nlink);
  facts.volume = static_cast<std::uint64_t>(status.st_dev);
  facts.index = static_cast<std::uint64_t>(status.st_ino);
  return facts;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

WideText WideFromSystemText(const std::string& text) {
  const std::u16string units = Utf16FromBytes(text);
  return WideText(units.begin(), units.end());
}

WideText EnvironmentText(const char* name) { return WideFromSystemText(Environment(name)); }

std::string SystemName(const WideText& name) {
  return BytesFromUtf16(std::u16string_view(name.data(), name.size()));
}

void ReleaseFolder(HeldFolder* folder) {
  if (folder == nullptr) return;
  close(folder->descriptor);
  delete folder;
}

std::uint32_t SplitDesktopPath(const WideText& path, WideText& folder, WideText& name) {
  const std::size_t slash = path.rfind(u'/');
  name = slash == WideText::npos ? path : path.substr(slash + 1);
  // "dir/" and "." name a folder, not a file; refused as Windows refuses
  // "dir\", before anything is copied.
  if (name.empty() || name == u"." || name == u"..") return ERROR_INVALID_NAME;
  folder = ParentFolder(path);
  return 0;
}

WideText ParentFolder(const WideText& path) {
  const std::size_t slash = path.rfind(u'/');
  if (slash == WideText::npos) return u".";
  return slash == 0 ? WideText(u"/") : path.substr(0, slash);
}

std::uint32_t OpenFolderAt(const WideText& path, Folder& folder) {
  const int descriptor = open(SystemName(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return LastError();
  folder.reset(new HeldFolder{descriptor});
  return 0;
}

std::uint32_t MakeFolderAt(const WideText& path) {
  return mkdir(SystemName(path).c_str(), 0777) == 0 ? 0 : LastError();
}

void RemoveFolderAt(const WideText& path) { rmdir(SystemName(path).c_str()); }

std::uint32_t DefaultDeviceFolder(WideText& path) {
  std::string data = Environment("XDG_DATA_HOME");
  // Relative values are to be ignored, as the base directory rules say.
  if (data.empty() || data[0] != '/') {
    std::string home = Environment("HOME");
    const passwd* user = home.empty() ? getpwuid(getuid()) : nullptr;
    if (user != nullptr && user->pw_dir != nullptr) home = user->pw_dir;
    if (home.empty()) return ERROR_PATH_NOT_FOUND;
    data = home + "/.local/share";
  }
  path = WideFromSystemText(data + "/morvask/device");
  return 0;
}

std::uint32_t OpenFolderBelow(const HeldFolder& parent, const WideText& wideName, Folder& folder) {
  const std::string name = SystemName(wideName);
  const int descriptor =
      openat(parent.descriptor, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor >= 0) {
    folder.reset(new HeldFolder{descriptor});
    return 0;
  }
  if (errno != ENOTDIR && errno != ELOOP) return LastError();
  // A link, or a file where the folder should be.
  struct stat status;
  const bool link = fstatat(parent.descriptor, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISLNK(status.st_mode);
  return link ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
}

std::uint32_t MakeFolderBelow(const HeldFolder& parent, const WideText& name) {
  return mkdirat(parent.descriptor, SystemName(name).c_str(), 0777) == 0 ? 0 : LastError();
}

void RemoveFolderBelow(const HeldFolder& parent, const WideText& name) {
  unlinkat(parent.descriptor, SystemName(name).c_str(), AT_REMOVEDIR);
}

std::uint32_t ListFolder(const HeldFolder& folder, std::vector<WideText>& names) {
  const int listing = openat(folder.descriptor, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return LastError();
  DIR* entries = fdopendir(listing);
  if (entries == nullptr) {
    const std::uint32_t error = LastError();
    close(listing);
    return error;
  }
  names.clear();
  while (const dirent* entry = readdir(entries)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names.push_back(WideFromSystemText(entry->d_name));
    }
  }
  closedir(entries);
  return 0;
}

std::uint32_t LookAtEntry(const HeldFolder& folder, const WideText& name, FileFacts& facts) {
  struct stat status;
  facts = FileFacts();
  if (fstatat(folder.descriptor, SystemName(name).c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? 0 : LastError();
  }
  facts = FactsOf(status);
  return 0;
}

std::uint32_t FollowLink(const HeldFolder& folder, const WideText& name, WideText& target) {
  char resolved[PATH_MAX];
  if (realpath(EntryPath(folder, name).c_str(), resolved) == nullptr) {
    return errno == ENOENT || errno == ELOOP ? ERROR_ACCESS_DENIED : LastError();
  }
  target = WideFromSystemText(resolved);
  return 0;
}

std::uint32_t OpenSourceFile(const HeldFolder& folder, const WideText& wideName, bool followLink,
                             FileHandle& file, FileFacts& facts) {
  const std::string name = SystemName(wideName);
  // What the name is, before anything is opened: opening a FIFO or a device
  // can wait or act on the device.
  struct stat named;
  if (fstatat(folder.descriptor, name.c_str(), &named, followLink ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
    return LastError();
  }
  if (!S_ISREG(named.st_mode)) return ERROR_ACCESS_DENIED;
  // Non-blocking, in case the name was swapped for a FIFO in between.
  const int descriptor =
      openat(folder.descriptor, name.c_str(),
             O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
  struct stat opened;
  const std::uint32_t error = KeepRegularFile(descriptor, file, opened);
  if (error == 0) facts = FactsOf(opened);
  return error;
}

std::uint32_t KeepRegularFile(int descriptor, FileHandle& file, struct stat& status) {
  if (descriptor < 0) return LastError();
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(descriptor);
    return ERROR_ACCESS_DENIED;
  }
  file = descriptor;
  return 0;
}

std::uint32_t ReadFileFacts(FileHandle file, FileFacts& facts) {
  struct stat status;
  if (fstat(Descriptor(file), &status) != 0) return LastError();
  facts = FactsOf(status);
  return 0;
}

std::uint32_t CheckWritable(const HeldFolder& folder, const WideText& name) {
  // Opening for writing, without truncating, changes nothing: the system
  // asks what it would ask of a writer (permission bits, access list,
  // read-only mounts).
  const int descriptor = openat(folder.descriptor, SystemName(name).c_str(),
                                O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) return LastError();
  close(descriptor);
  return 0;
}

void CloseFile(FileHandle file) { close(Descriptor(file)); }
