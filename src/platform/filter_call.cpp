#include "platform/filter_call.h"

std::int32_t CallFilterExport(FilterTransferProc transfer, const char* desktopFile,
                              const char* tableList, std::int32_t syncTables,
                              std::int32_t allowOverwrite, const char* deviceFile,
                              std::uint32_t& bytesLeft) {
  bytesLeft = 0;
  return transfer(desktopFile, tableList, syncTables, allowOverwrite, deviceFile);
}
