/* An example filter library for Morvask: a filter that copies the database
 * as it is, between two files of this computer, so that it can be tried
 * without a device. A real filter converts between the desktop format and
 * the device's, and writes to the device through its sync manager.
 *
 * It shows what every filter does: export both functions with C linkage
 * and the calling convention from morvask/filter.h, take every argument
 * (no string is ever null), and return 0 or a failure HRESULT, which
 * Morvask prints as text. It is plain C89. */
#include <stdio.h>
#include <string.h>

#include "morvask/filter.h"

/* HRESULTs Morvask has texts for. */
#define S_DONE 0
#define E_NOT_IMPLEMENTED ((MorvaskResult)0x80004001L) /* "Not implemented" */
#define E_NO_SOURCE ((MorvaskResult)0x80070002L)       /* the system's "file not found" */
#define E_EXISTS ((MorvaskResult)0x80070050L)          /* the system's "file exists" */
#define E_BAD_ARGUMENT ((MorvaskResult)0x80070057L)    /* the system's "parameter is incorrect" */
#define E_WRITE ((MorvaskResult)0x8007001DL)           /* the system's "cannot write" */

static int Exists(const char* path) {
  FILE* file = fopen(path, "rb");
  if (file == NULL) return 0;
  fclose(file);
  return 1;
}

/* Copies `from` to `to`: first to `to` with ".part" added, which is removed
 * again if anything fails, then under its own name. */
static MorvaskResult Copy(const char* from, const char* to, MorvaskInt32 allowOverwrite) {
  char part[1024];
  char buffer[64 * 1024];
  FILE* source;
  FILE* copy;
  size_t got;
  int failed = 0;
  if (to[0] == '\0' || strlen(to) + 6 > sizeof part) return E_BAD_ARGUMENT;
  if (!allowOverwrite && Exists(to)) return E_EXISTS;
  source = fopen(from, "rb");
  if (source == NULL) return E_NO_SOURCE;
  sprintf(part, "%s.part", to);
  if (Exists(part) || (copy = fopen(part, "wb")) == NULL) {
    fclose(source);
    return E_WRITE;
  }
  while (!failed && (got = fread(buffer, 1, sizeof buffer, source)) > 0) {
    failed = fwrite(buffer, 1, got, copy) != got;
  }
  failed = failed || ferror(source);
  fclose(source);
  failed = fclose(copy) != 0 || failed;
  /* rename() replaces no file on Windows: the old one goes first. */
  if (!failed && allowOverwrite && Exists(to)) failed = remove(to) != 0;
  if (failed || rename(part, to) != 0) {
    remove(part);
    return E_WRITE;
  }
  return S_DONE;
}

MORVASK_FILTER_EXPORT MorvaskResult MORVASK_FILTER_CALL DESKTOPTODEVICE(const char* desktopFile,
                                                                        const char* tableList,
                                                                        MorvaskInt32 syncTables,
                                                                        MorvaskInt32 allowOverwrite,
                                                                        const char* deviceFile) {
  (void)syncTables; /* a copy has nothing to keep in sync */
  /* A whole file holds every table: single tables cannot be copied. */
  if (tableList[0] != '\0') return E_NOT_IMPLEMENTED;
  return Copy(desktopFile, deviceFile, allowOverwrite);
}

MORVASK_FILTER_EXPORT MorvaskResult MORVASK_FILTER_CALL DEVICETODESKTOP(const char* desktopFile,
                                                                        const char* tableList,
                                                                        MorvaskInt32 syncTables,
                                                                        MorvaskInt32 allowOverwrite,
                                                                        const char* deviceFile) {
  (void)syncTables;
  if (tableList[0] != '\0') return E_NOT_IMPLEMENTED;
  return Copy(deviceFile, desktopFile, allowOverwrite);
}
