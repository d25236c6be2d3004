// The Windows file search, as far as the program uses it: does any directory
// entry match this name or pattern?
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

// "*" matches any run of bytes, "?" any one byte; every other byte, "[" too,
// only itself.
bool MatchesWildcard(const char* pattern, const char* name) {
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
    } else if (starPattern != nullptr) {
      pattern = starPattern;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

bool FindMatchingEntry(const std::string& directory, const std::string& pattern,
                       std::string& found) {
  DIR* stream = opendir(directory.empty() ? "." : directory.c_str());
  if (stream == nullptr) return false;
  bool matched = false;
  while (const dirent* entry = readdir(stream)) {
    if (MatchesWildcard(pattern.c_str(), entry->d_name)) {
      found = entry->d_name;
      matched = true;
      break;
    }
  }
  closedir(stream);
  return matched;
}

HANDLE OpenSearch(const std::string& name, LPWIN32_FIND_DATAA findData) {
  if (findData != nullptr) {
    findData->dwFileAttributes = 0;
    std::strncpy(findData->cFileName, name.c_str(), MAX_PATH - 1);
    findData->cFileName[MAX_PATH - 1] = '\0';
  }
  // The handle owns nothing but itself; FindClose releases it.
  return new char;
}

HANDLE FailSearch() {
  SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
  const std::string path = fileName != nullptr ? fileName : "";
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string last = path.substr(directory.size());

  if (!HasWildcard(last)) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) return FailSearch();
    return OpenSearch(last, findData);
  }
  std::string found;
  if (HasWildcard(directory) || !FindMatchingEntry(directory, last, found)) return FailSearch();
  return OpenSearch(found, findData);
}

BOOL FindClose(HANDLE findFile) {
  if (findFile == nullptr || findFile == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete static_cast<char*>(findFile);
  return TRUE;
}
