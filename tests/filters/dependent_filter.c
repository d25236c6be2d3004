/* A filter that needs a library of its own, which the loader cannot find. */
#include "morvask/filter.h"

int VanishingHelper(void);

int32_t MORVASK_FILTER_CALL DESKTOPTODEVICE(const char* desktopFile, const char* tableList,
                                            int32_t syncTables, int32_t allowOverwrite,
                                            const char* deviceFile) {
  (void)desktopFile, (void)tableList, (void)syncTables, (void)allowOverwrite, (void)deviceFile;
  return VanishingHelper();
}
