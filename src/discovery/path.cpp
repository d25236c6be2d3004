#include "discovery/path.h"

#include "platform/win32.h"

namespace {

constexpr std::size_t kFieldBytes = 255;

// The length of the character that starts at `at`: two bytes for a lead
// byte of the ANSI code page, unless the string ends right after it.
std::size_t CharacterLength(const std::string& text, std::size_t at) {
  const bool lead = IsDBCSLeadByte(static_cast<BYTE>(text[at])) != FALSE;
  return lead && at + 1 < text.size() ? 2 : 1;
}

// The bytes [begin, end) of `text`, cut to whole characters within 255 bytes.
std::string CutToField(const std::string& text, std::size_t begin, std::size_t end) {
  std::size_t stop = begin;
  while (stop < end) {
    const std::size_t next = stop + CharacterLength(text, stop);
    if (next - begin > kFieldBytes) break;
    stop = next;
  }
  return text.substr(begin, stop - begin);
}

}  // namespace

void SplitPath(const std::string& path, std::string& drive, std::string& directory,
               std::string& extension) {
  const std::size_t scanStart = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  drive = path.substr(0, scanStart);

  std::size_t nameStart = scanStart;
  std::size_t lastDot = std::string::npos;
  for (std::size_t at = scanStart; at < path.size();) {
    const std::size_t length = CharacterLength(path, at);
    if (length == 1) {
      if (path[at] == '\\' || path[at] == '/') nameStart = at + 1;
      if (path[at] == '.') lastDot = at;
    }
    at += length;
  }

  directory = CutToField(path, scanStart, nameStart);
  const bool hasExtension = lastDot != std::string::npos && lastDot >= nameStart;
  extension = hasExtension ? CutToField(path, lastDot, path.size()) : std::string();
}

std::string GetPathExtension(std::string path) {
  std::string drive;
  std::string directory;
  std::string extension;
  SplitPath(path, drive, directory, extension);
  return extension;
}

bool FileExists(std::string path) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}
