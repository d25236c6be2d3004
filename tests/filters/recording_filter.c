/* A filter that copies nothing: it appends the arguments it received to
 * "filter-call.txt" in the current directory and returns the status named
 * by the environment variable MORVASK_TEST_STATUS (0 when unset), or crashes
 * the process when that variable is "crash". When it is
 * unloaded by the program rather than at process exit, it appends
 * "unloaded". */
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "morvask/filter.h"

static const char kRecordFile[] = "filter-call.txt";

static void Append(const char* text) {
  FILE* record = fopen(kRecordFile, "ab");
  if (record == NULL) return;
  fputs(text, record);
  fclose(record);
}

/* Ends the process as a faulty filter does: on Linux by the signal of a bad
 * address, raised rather than caused, which memcheck would count as the
 * program's own error. */
#ifdef _WIN32
static void Crash(void) {
  volatile int* nowhere = NULL;
  *nowhere = 1;
}
#else
static void Crash(void) { raise(SIGSEGV); }
#endif

static int32_t Record(const char* exportName, const char* desktopFile, const char* tableList,
                      int32_t syncTables, int32_t allowOverwrite, const char* deviceFile) {
  FILE* record = fopen(kRecordFile, "ab");
  const char* status = getenv("MORVASK_TEST_STATUS");
  if (record != NULL) {
    fprintf(record, "export=%s\ndesktopFile=%s\ntableList=%s\nsyncTables=%ld\n", exportName,
            desktopFile, tableList, (long)syncTables);
    fprintf(record, "allowOverwrite=%ld\ndeviceFile=%s\n", (long)allowOverwrite, deviceFile);
    fclose(record);
  }
  if (status != NULL && strcmp(status, "crash") == 0) Crash();
  return status != NULL ? (int32_t)strtoul(status, NULL, 0) : 0;
}

int32_t MORVASK_FILTER_CALL DESKTOPTODEVICE(const char* desktopFile, const char* tableList,
                                            int32_t syncTables, int32_t allowOverwrite,
                                            const char* deviceFile) {
  return Record("DESKTOPTODEVICE", desktopFile, tableList, syncTables, allowOverwrite, deviceFile);
}

int32_t MORVASK_FILTER_CALL DEVICETODESKTOP(const char* desktopFile, const char* tableList,
                                            int32_t syncTables, int32_t allowOverwrite,
                                            const char* deviceFile) {
  return Record("DEVICETODESKTOP", desktopFile, tableList, syncTables, allowOverwrite, deviceFile);
}

#ifdef _WIN32
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  /* No `reserved` means FreeLibrary, not the end of the process. */
  if (reason == DLL_PROCESS_DETACH && reserved == NULL) Append("unloaded\n");
  return TRUE;
}
#else
__attribute__((destructor)) static void RecordUnload(void) { Append("unloaded\n"); }
#endif
