/* A filter written without morvask/filter.h, as an author may write one:
 * its exports are __cdecl, and leave their arguments on the stack, where
 * the 32-bit program calls them as __stdcall. Each returns 0. */
#include <stdint.h>

__declspec(dllexport) int32_t
    DESKTOPTODEVICE(const char* desktopFile, const char* tableList, int32_t syncTables,
                    int32_t allowOverwrite, const char* deviceFile) {
  (void)desktopFile, (void)tableList, (void)syncTables, (void)allowOverwrite, (void)deviceFile;
  return 0;
}

__declspec(dllexport) int32_t
    DEVICETODESKTOP(const char* desktopFile, const char* tableList, int32_t syncTables,
                    int32_t allowOverwrite, const char* deviceFile) {
  (void)desktopFile, (void)tableList, (void)syncTables, (void)allowOverwrite, (void)deviceFile;
  return 0;
}
