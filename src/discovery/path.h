// Path helpers on Windows path strings in the ANSI code page, byte by byte.
#pragma once

#include <string>

// Splits a path into its drive ("X:" when the second byte is ":"), its
// directory (up to and including the last "\" or "/") and its extension
// (from the last dot of the name on). Directory and extension are cut to
// 255 bytes; a double-byte character the cut would split is dropped whole.
void SplitPath(const std::string& path, std::string& drive, std::string& directory,
               std::string& extension);

// The extension of a path with its leading dot and letters as stored, or
// empty when the name has none.
std::string GetPathExtension(std::string path);

// True when a file search finds an entry for the path: a file or a
// directory, or any entry matching the wildcards "*" and "?". Every failure
// of the search is false.
bool FileExists(std::string path);
