// How the program calls a filter's transfer export.
#pragma once

#include <cstdint>

#include "morvask/filter.h"

// Calls the export with the five arguments and returns its status. On
// 32-bit x86 the export is __stdcall and removes its 20 bytes of arguments
// from the stack; a filter written without morvask/filter.h is __cdecl and
// leaves them there, which would crash the program on return. The stack is
// restored whatever the function did, and `bytesLeft` tells how many bytes
// of arguments it left (0 for a correct filter, and on every other
// machine, which has one calling convention).
std::int32_t CallFilterExport(FilterTransferProc transfer, const char* desktopFile,
                              const char* tableList, std::int32_t syncTables,
                              std::int32_t allowOverwrite, const char* deviceFile,
                              std::uint32_t& bytesLeft);
