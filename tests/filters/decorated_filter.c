/* A filter built for 32-bit Windows without its .def file: the exports
 * keep the stdcall decoration (DESKTOPTODEVICE@20) that the .def file, or
 * linking with --kill-at, takes off. */
#include "morvask/filter.h"

MorvaskResult MORVASK_FILTER_CALL DESKTOPTODEVICE(const char* desktopFile, const char* tableList,
                                                  MorvaskInt32 syncTables,
                                                  MorvaskInt32 allowOverwrite,
                                                  const char* deviceFile) {
  (void)desktopFile, (void)tableList, (void)syncTables, (void)allowOverwrite, (void)deviceFile;
  return 0;
}

MorvaskResult MORVASK_FILTER_CALL DEVICETODESKTOP(const char* desktopFile, const char* tableList,
                                                  MorvaskInt32 syncTables,
                                                  MorvaskInt32 allowOverwrite,
                                                  const char* deviceFile) {
  (void)desktopFile, (void)tableList, (void)syncTables, (void)allowOverwrite, (void)deviceFile;
  return 0;
}
