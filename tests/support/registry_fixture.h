// Test support: a registry that the lookups of this process read, as a
// registry file on Linux and the real registry (through reg.exe) on
// Windows.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>

// A registry file in the 8-bit format: the header, an empty line, then the
// lines given, each ended with CR LF as the registry editor writes them.
inline std::string Regedit4(std::initializer_list<std::string> lines) {
  std::string text = "REGEDIT4\r\n\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Makes the registry that the lookups of this process read hold what the
// .reg text says, on top of what it held before. The file is written into
// `folder`.
void InstallRegistry(const std::string& regText, const std::filesystem::path& folder);
