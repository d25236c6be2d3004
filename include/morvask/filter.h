/* The interface between Morvask and a database filter library.
 *
 * A filter library exports two functions, DESKTOPTODEVICE and
 * DEVICETODESKTOP, under exactly these undecorated names. Morvask loads the
 * library, calls one of them once and unloads it as soon as it returns, so
 * the transfer must be complete by then. Both take the same arguments, the
 * desktop file first:
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
 * A filter defines each function with MORVASK_FILTER_EXPORT and
 * MORVASK_FILTER_CALL, as declared below, in C or C++:
 *
 *   MORVASK_FILTER_EXPORT MorvaskResult MORVASK_FILTER_CALL DESKTOPTODEVICE(
 *       const char* desktopFile, const char* tableList, MorvaskInt32 syncTables,
 *       MorvaskInt32 allowOverwrite, const char* deviceFile) { ... }
 *
 * On 32-bit Windows the functions use the stdcall convention, as every
 * Windows API does, and compilers decorate stdcall names
 * ("DESKTOPTODEVICE@20", "_DESKTOPTODEVICE@20"): with MinGW, link with
 * -Wl,--kill-at; with Visual C++, list both names in a .def file given to
 * the linker. The example filter's CMakeLists.txt does both.
 *
 * The header compiles as C89 and C++98 and later, with GCC, Clang and
 * Visual C++ from version 6 on.
 */
#ifndef MORVASK_FILTER_H
#define MORVASK_FILTER_H

/* 32-bit integers: <stdint.h> where the compiler has it; Visual C++ before
 * 2010 has not. */
#if defined(_MSC_VER) && _MSC_VER < 1600
typedef __int32 MorvaskInt32;
#else
#include <stdint.h>
typedef int32_t MorvaskInt32;
#endif

/* An HRESULT: 0 for success, a set top bit for failure. */
typedef MorvaskInt32 MorvaskResult;

#if defined(_WIN32)
#define MORVASK_FILTER_CALL __stdcall
#else
#define MORVASK_FILTER_CALL
#endif

/* Marks a function the library exports. */
#if defined(__cplusplus)
#define MORVASK_FILTER_LINKAGE extern "C"
#else
#define MORVASK_FILTER_LINKAGE extern
#endif
#if defined(_WIN32)
#define MORVASK_FILTER_EXPORT MORVASK_FILTER_LINKAGE __declspec(dllexport)
#elif defined(__GNUC__) && __GNUC__ >= 4
#define MORVASK_FILTER_EXPORT MORVASK_FILTER_LINKAGE __attribute__((visibility("default")))
#else
#define MORVASK_FILTER_EXPORT MORVASK_FILTER_LINKAGE
#endif

#define MORVASK_DESKTOP_TO_DEVICE_EXPORT "DESKTOPTODEVICE"
#define MORVASK_DEVICE_TO_DESKTOP_EXPORT "DEVICETODESKTOP"

#ifdef __cplusplus
extern "C" {
#endif

/* The type of both exports, as Morvask calls them. */
typedef MorvaskResult(MORVASK_FILTER_CALL* FilterTransferProc)(const char* desktopFile,
                                                               const char* tableList,
                                                               MorvaskInt32 syncTables,
                                                               MorvaskInt32 allowOverwrite,
                                                               const char* deviceFile);

#ifdef __cplusplus
}
#endif

/* The exports. */
MORVASK_FILTER_EXPORT MorvaskResult MORVASK_FILTER_CALL DESKTOPTODEVICE(const char* desktopFile,
                                                                        const char* tableList,
                                                                        MorvaskInt32 syncTables,
                                                                        MorvaskInt32 allowOverwrite,
                                                                        const char* deviceFile);
MORVASK_FILTER_EXPORT MorvaskResult MORVASK_FILTER_CALL DEVICETODESKTOP(const char* desktopFile,
                                                                        const char* tableList,
                                                                        MorvaskInt32 syncTables,
                                                                        MorvaskInt32 allowOverwrite,
                                                                        const char* deviceFile);

#endif /* MORVASK_FILTER_H */
