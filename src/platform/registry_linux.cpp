// The registry, read only, from a .reg file. Opening a key searches the file
// from its end for the last section that concerns the key, which decides
// whether it exists; a value is then searched for from that section back.
// The handle keeps the file open, so that every answer comes from the same
// file. Files the search does not take are read from the start (see
// registry_file/key_lookup.h).
//
// Like the registry calls of Windows, which keep what they learnt of the
// machine's keys for the process, these keep one thing between calls: where
// in the file the headers of filter classes may lie, noted by a lookup that
// read its way back through the file, so that the lookup of a class's
// library that follows reads only those stretches. The notes are taken only
// for the same file unchanged (device, file number, size and times), and
// made only of a file last changed a while ago: a file system stamps changes
// with a clock of coarse ticks, and a file changed again within the tick of
// its last change would keep its times.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "base/ascii.h"
#include "base/console.h"
#include "base/filter_keys.h"
#include "base/text_linux.h"
#include "base/trace.h"
#include "platform/explain.h"
#include "platform/win32.h"
#include "registry_file/file_lines.h"
#include "registry_file/key_lookup.h"

#ifndef MORVASK_SYSCONFDIR
#define MORVASK_SYSCONFDIR "/etc"
#endif

struct RegistryKey {
  RegKeyLookup lookup;
  int file = -1;  // -1: an empty registry
};

namespace {

constexpr std::size_t kStretchBytes = 1 << 16;

// The registry file of the installation the program belongs to: in
// etc/morvask beside the program's own folder, where an install puts it,
// so that an installed tree works wherever it was put. A program under
// /usr keeps its configuration in /etc, as every /usr install does. Empty
// when the program cannot tell where it is.
std::string InstalledRegistryPath() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0 || self[0] != '/') return std::string();
  std::string prefix(self, static_cast<std::size_t>(length));
  prefix.erase(prefix.rfind('/'));                       // the program's folder
  prefix.erase(prefix.empty() ? 0 : prefix.rfind('/'));  // its parent
  return (prefix == "/usr" ? std::string("/etc") : prefix + "/etc") + "/morvask/registry.reg";
}

// Where the registry is read, and why there.
struct RegistryFile {
  std::string path;
  const char* why;
  bool named;  // by MORVASK_REGISTRY
};

// MORVASK_REGISTRY, else the installation's file, else the one of the
// prefix the program was built for.
RegistryFile FindRegistryFile() {
  const char* named = std::getenv("MORVASK_REGISTRY");
  if (named != nullptr) return {named, "named by MORVASK_REGISTRY", true};
  // A program installed under /usr reads /etc alone, never the file of the
  // prefix it was built for; elsewhere that file stands in for a missing
  // one (a program run from its build folder).
  const std::string installed = InstalledRegistryPath();
  if (!installed.empty() && (access(installed.c_str(), F_OK) == 0 || errno != ENOENT ||
                             installed.compare(0, 5, "/etc/") == 0)) {
    return {installed, "the installation's, beside the program's folder", false};
  }
  return {MORVASK_SYSCONFDIR "/morvask/registry.reg", "of the folder the program was built for",
          false};
}

// The registry file, open; -1 when it is missing or unreadable, and for
// anything but a regular file, which is opened without waiting on it in
// case it is a FIFO. Either way the registry is then empty; why is in
// `problem`.
int OpenRegistryFile(const RegistryFile& registry, std::string& problem) {
  const int file = open(registry.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) {
    problem = std::strerror(errno);
    return -1;
  }
  struct stat status;
  if (fstat(file, &status) == 0 && S_ISREG(status.st_mode)) return file;
  close(file);
  problem = "it is not a regular file";
  return -1;
}

// The registry file, open, or -1. A file that MORVASK_REGISTRY names but
// that cannot be read is most likely a mistake of its user, an installed
// one that exists but cannot be read one of its installer: a line says so.
// An installed file that is missing is an empty registry.
int OpenRegistryFile() {
  const RegistryFile registry = FindRegistryFile();
  std::string problem;
  const int file = OpenRegistryFile(registry, problem);
  if (file >= 0 || (!registry.named && problem == std::strerror(ENOENT))) return file;
  const std::string which =
      registry.named ? "the registry file that MORVASK_REGISTRY names, " : "the registry file ";
  WriteLine(stderr, "warning: " + which + registry.path + ", cannot be read (" + problem +
                        "): the registry is empty.");
  return file;
}

// The notes the lookups of this process share (see above).
RegFileNotes& ProcessNotes() {
  static RegFileNotes notes{MakeRegKeyName(kClassesKey), {}, {}};
  return notes;
}

// Whether the file was last changed over a second ago, far longer than any
// file system's tick.
bool SettledFile(int file) {
  struct stat status;
  timespec now;
  return fstat(file, &status) == 0 && clock_gettime(CLOCK_REALTIME, &now) == 0 &&
         now.tv_sec - status.st_ctim.tv_sec > 1;
}

// Opens the key at `path` in the registry file; false when it does not
// exist, and nothing is then kept open.
bool OpenKey(const std::string& path, RegistryKey& key) {
  key.lookup.name = MakeRegKeyName(path);
  key.file = OpenRegistryFile();
  if (key.file < 0) return key.lookup.name.path.empty();
  key.lookup.notes = SettledFile(key.file) ? &ProcessNotes() : nullptr;
  if (LookUpRegKey(key.file, kStretchBytes, key.lookup)) return true;
  close(key.file);
  key.file = -1;
  return false;
}

void CloseKey(RegistryKey& key) {
  if (key.file >= 0) close(key.file);
  key.file = -1;
}

bool IsOpenKey(HKEY key) { return key != nullptr && key != HKEY_LOCAL_MACHINE; }

// The value of an open key, or of the root when asked through its handle.
bool LookUpValue(HKEY key, const std::string& name, RegValue& found) {
  const std::string upperName = UpperCaseUtf8(name);
  if (IsOpenKey(key)) {
    return key->file >= 0 && LookUpRegValue(key->file, key->lookup, upperName, found);
  }
  RegistryKey root;
  const bool answered = OpenKey("", root) && root.file >= 0 &&
                        LookUpRegValue(root.file, root.lookup, upperName, found);
  CloseKey(root);
  return answered;
}

}  // namespace

// The registry file as text, as far as a search for a key's header goes:
// UTF-16 units of ASCII as their bytes, any other unit as "?".
std::string ReadAsAscii(int file) {
  std::string text;
  char block[65536];
  ssize_t got = 0;
  std::uint64_t at = 0;
  while (at < (64u << 20) && (got = pread(file, block, sizeof block, static_cast<off_t>(at))) > 0) {
    text.append(block, static_cast<std::size_t>(got));
    at += static_cast<std::uint64_t>(got);
  }
  if (text.size() < 2 || text[0] != '\xFF' || text[1] != '\xFE') return text;
  std::string narrow;
  for (std::size_t i = 2; i + 1 < text.size(); i += 2) {
    narrow += text[i + 1] == 0 && static_cast<unsigned char>(text[i]) < 0x80 ? text[i] : '?';
  }
  return narrow;
}

// Why the registry editor would refuse a file whose first line is not its
// header, from the file's first bytes.
std::string RefusalOf(int file) {
  unsigned char first[24] = {};
  const ssize_t got = pread(file, first, sizeof first, 0);
  std::string bytes;
  for (ssize_t i = 0; i < got && i < 12; ++i) {
    bytes += (i > 0 ? " " : "") + Hex32(first[i]).substr(8);
  }
  std::string why = "its first line is neither REGEDIT4 nor Windows Registry Editor Version 5.00";
  if (got >= 3 && first[0] == 0xEF && first[1] == 0xBB && first[2] == 0xBF) {
    why = "it starts with a UTF-8 byte-order mark, which the editor does not read";
  } else if (got >= 2 && first[0] == 0xFE && first[1] == 0xFF) {
    why = "it is UTF-16 big-endian; the editor reads UTF-16 little-endian (FF FE)";
  } else if (got >= 2 && first[0] != 0 && first[1] == 0) {
    why = "it is UTF-16 without its byte-order mark (FF FE)";
  }
  return ", which the registry editor refuses: " + why + " (its first bytes: " + bytes +
         "): an empty registry";
}

std::string DescribeRegistry() {
  const RegistryFile registry = FindRegistryFile();
  std::string problem;
  const int file = OpenRegistryFile(registry, problem);
  std::string verdict;
  if (file < 0) {
    verdict = ", which cannot be read (" + problem + "): an empty registry";
  } else if (!ReadRegFileStart(file).imported) {
    verdict = RefusalOf(file);
  }
  if (file >= 0) close(file);
  return "the registry file " + registry.path + ", " + registry.why + verdict;
}

std::string ExplainMissingKey(const std::string& keyPath) {
  const RegistryFile registry = FindRegistryFile();
  std::string problem;
  const int file = OpenRegistryFile(registry, problem);
  if (file < 0) return std::string();
  const std::string text = ReadAsAscii(file);
  close(file);
  const std::string lower = ToLowerAscii(text);
  const std::string needle = "\\" + ToLowerAscii(keyPath) + "]";
  for (std::size_t at = lower.find(needle); at != std::string::npos;
       at = lower.find(needle, at + 1)) {
    const std::size_t line = lower.rfind('\n', at) + 1;  // 0 when there is none
    const std::size_t open = lower.find_first_not_of(" \t", line);
    if (open >= at || lower[open] != '[' || lower[open + 1] == '-') continue;
    const std::string root = text.substr(open + 1, at - open - 1);
    if (ToLowerAscii(root) == "hkey_local_machine") continue;
    if (ToLowerAscii(root) == "hklm") {
      return " The file has it under " + root +
             ", a short name the registry editor does not read: write HKEY_LOCAL_MACHINE.";
    }
    return " The file has it under " + root + ": filters are read from HKEY_LOCAL_MACHINE.";
  }
  return std::string();
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (result == nullptr || key == nullptr) return ERROR_INVALID_PARAMETER;
  // As in the registry, empty parts of a path count for nothing.
  std::string path = IsOpenKey(key) ? key->lookup.name.path : "";
  const std::string below = NormalizeRegKeyPath(subKey != nullptr ? subKey : "");
  if (!below.empty()) path = path.empty() ? below : path + "\\" + below;
  auto opened = std::make_unique<RegistryKey>();
  if (!OpenKey(path, *opened)) return ERROR_FILE_NOT_FOUND;
  *result = opened.release();
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  RegValue value;
  if (!LookUpValue(key, valueName != nullptr ? valueName : "", value)) {
    return ERROR_FILE_NOT_FOUND;
  }
  if (type != nullptr) *type = value.type;
  if (dataSize == nullptr) return data == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
  const DWORD size = static_cast<DWORD>(value.data.size());
  if (data == nullptr) {
    *dataSize = size;
    return ERROR_SUCCESS;
  }
  if (value.dataTooLong || size > *dataSize) {
    *dataSize = value.dataTooLong ? *dataSize + 1 : size;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, value.data.data(), size);
  *dataSize = size;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (!IsOpenKey(key)) return ERROR_INVALID_HANDLE;
  CloseKey(*key);
  delete key;
  return ERROR_SUCCESS;
}
