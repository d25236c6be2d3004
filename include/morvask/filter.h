/* The interface between Morvask and a database filter library.
 *
 * A filter library exports two functions of type FilterTransferProc, under
 * the exact, undecorated names below. Morvask loads the library, calls one of
 * them once and unloads it as soon as it returns, so the transfer must be
 * complete by then. Both take the same arguments, the desktop file first:
 *
 *   desktopFile     path of the desktop database (.mdb)
 *   tableList       each table name followed by "..", or "" for every table
 *   syncTables      1 to keep the copied tables in sync, else 0
 *   allowOverwrite  1 to allow an existing destination to be replaced, else 0
 *   deviceFile      path of the device database (.cdb), or "" when not given
 *
 * No string is ever null. The result is an HRESULT: 0 for success, a set top
 * bit for failure; Morvask prints the text it finds for it.
 *
 * On 32-bit Windows the functions use the stdcall convention, as every
 * Windows API does; export them undecorated (a .def file does this).
 */
#ifndef MORVASK_FILTER_H
#define MORVASK_FILTER_H

#include <stdint.h>

#if defined(_WIN32)
#define MORVASK_FILTER_CALL __stdcall
#else
#define MORVASK_FILTER_CALL
#endif

#define MORVASK_DESKTOP_TO_DEVICE_EXPORT "DESKTOPTODEVICE"
#define MORVASK_DEVICE_TO_DESKTOP_EXPORT "DEVICETODESKTOP"

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t(MORVASK_FILTER_CALL* FilterTransferProc)(const char* desktopFile,
                                                         const char* tableList, int32_t syncTables,
                                                         int32_t allowOverwrite,
                                                         const char* deviceFile);

#ifdef __cplusplus
}
#endif

#endif /* MORVASK_FILTER_H */
