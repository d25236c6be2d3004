// What the platform can tell a filter author about what it did, for the
// trace (base/trace.h): where the registry is, why a library did not load,
// and what a library exports.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

// Where the registry is read: on Windows its view; elsewhere the registry
// file and why that one was chosen.
std::string DescribeRegistry();

// Why the library at the path did not load, as the loader tells it, `error`
// being the last error LoadLibraryA left: on Linux the dynamic linker's own
// words (the missing library, an invalid ELF header, the wrong class); on
// Windows the system's text with the path, and for a library of the other
// machine type, both types, or for one whose own library is missing, its
// name.
std::string ExplainLoadFailure(const std::string& path, DWORD error);

// Why no file was found at the path a registry names for a library, `error`
// being the last error the search left: on Windows the system's text; on
// Linux the system's reason (no such file, permission denied on a folder on
// the way), and for a path written as Windows writes them, that it is one.
std::string ExplainMissingFile(const std::string& path, DWORD error);

// For a key under HKEY_LOCAL_MACHINE that is not there, where a key of that
// path is instead, as a sentence after the trace's "not found"; empty when
// nowhere. On Windows: under HKEY_CURRENT_USER, or in the other registry
// view. On Linux: in the registry file under another root, or under a
// short root name ("HKLM") that the registry editor does not read.
std::string ExplainMissingKey(const std::string& keyPath);

// The names a loaded library exports.
std::vector<std::string> ExportedNames(HMODULE library);
