// The trace of finding, loading and calling a filter (base/trace.h), in
// words a filter author can act on.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

// Where the registry is read.
void TraceRegistry();

// The library path about to be tested and loaded.
void TraceLibraryPath(const std::string& path);

// Why no library file is at the path; `error` is the last error the search
// left.
void TraceMissingLibrary(const std::string& path, DWORD error);

// Why the library did not load; `error` is the last error LoadLibraryA left.
void TraceLoadFailure(const std::string& path, DWORD error);

// The export looked up and whether it was found; when it was not, the names
// the library exports that look like it, with what makes them plain.
void TraceExport(HMODULE library, const char* name, bool found);

// When the export left `bytesLeft` bytes of its arguments on the stack (a
// __cdecl function called as __stdcall), what is wrong and its fix.
void TraceArgumentsLeft(const char* name, std::uint32_t bytesLeft);

// The status returned, and where its text comes from: "the system's", "the
// program's own table's", or none.
void TraceStatus(HRESULT status, const char* textSource);
