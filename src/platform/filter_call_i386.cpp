// The call of a filter's export on 32-bit x86, where a filter may use the
// wrong calling convention.
#include "platform/filter_call.h"

std::int32_t CallFilterExport(FilterTransferProc transfer, const char* desktopFile,
                              const char* tableList, std::int32_t syncTables,
                              std::int32_t allowOverwrite, const char* deviceFile,
                              std::uint32_t& bytesLeft) {
  const auto word = [](const char* text) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text));
  };
  const std::uint32_t arguments[5] = {word(desktopFile), word(tableList),
                                      static_cast<std::uint32_t>(syncTables),
                                      static_cast<std::uint32_t>(allowOverwrite), word(deviceFile)};
  std::int32_t status = 0;
  std::uint32_t left = 0;
  // The stack pointer is kept in ESI, which every calling convention
  // preserves, and put back after the call, whatever the callee removed.
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "pushl 16(%%edi)\n\t"
      "pushl 12(%%edi)\n\t"
      "pushl 8(%%edi)\n\t"
      "pushl 4(%%edi)\n\t"
      "pushl (%%edi)\n\t"
      "call *%%eax\n\t"
      "movl %%esi, %%ecx\n\t"
      "subl %%esp, %%ecx\n\t"
      "movl %%esi, %%esp"
      : "=a"(status), "=c"(left)
      : "a"(transfer), "D"(arguments)
      : "edx", "esi", "memory", "cc");
  bytesLeft = left;
  return status;
}
